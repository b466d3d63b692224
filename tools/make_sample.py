#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes res/samples/ibm.txt, the sample price file of the quick start.

The prices are GENERATED: a seeded random walk, not real IBM prices. The file
is laid out the way the default conversion settings read it unchanged:

    MMDDYY,open,high,low,close,volume,open interest

one weekday per line (holidays are not left out), oldest first, 300 lines
from 01/02/1998, prices with 2 decimals, high >= max(open, close),
low <= min(open, close), CR LF line ends. The same seed always gives the same
bytes.

Usage: make_sample.py [OUTPUT]      (default: res/samples/ibm.txt)
       make_sample.py --check FILE  (exit 1 unless FILE holds those bytes)
"""

import datetime
import math
import random
import sys
from pathlib import Path

SEED = 19980102
DAYS = 300
FIRST_DAY = datetime.date(1998, 1, 2)
START_PRICE_CENTS = 10425


def sample_text() -> str:
    rng = random.Random(SEED)

    def normal() -> float:
        # Box-Muller on random() alone: random() gives the same sequence on
        # every Python version, the library's other samplers need not.
        u1 = 1.0 - rng.random()
        u2 = rng.random()
        return math.sqrt(-2.0 * math.log(u1)) * math.cos(2.0 * math.pi * u2)

    lines = []
    day = FIRST_DAY
    close = START_PRICE_CENTS
    while len(lines) < DAYS:
        if day.weekday() < 5:
            # Whole cents throughout, so that the high/low bounds hold exactly.
            open_ = max(100, round(close * (1.0 + 0.004 * normal())))
            close = max(100, round(open_ * (1.0 + 0.015 * normal())))
            high = max(open_, close) + round(abs(normal()) * 0.006 * open_)
            low = min(open_, close) - round(abs(normal()) * 0.006 * open_)
            volume = round(5_000_000 * math.exp(0.35 * normal()) / 100) * 100
            lines.append(
                f"{day:%m%d%y},{open_ / 100:.2f},{high / 100:.2f},{low / 100:.2f},"
                f"{close / 100:.2f},{volume},0"
            )
        day += datetime.timedelta(days=1)
    return "".join(line + "\r\n" for line in lines)


def main(argv: list) -> int:
    data = sample_text().encode("ascii")
    if len(argv) == 3 and argv[1] == "--check":
        return 0 if Path(argv[2]).read_bytes() == data else 1
    if len(argv) > 2 or (len(argv) == 2 and argv[1].startswith("-")):
        print(__doc__, file=sys.stderr)
        return 2
    default = Path(__file__).resolve().parent.parent / "res" / "samples" / "ibm.txt"
    Path(argv[1] if len(argv) == 2 else default).write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
