#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Generate a daily price text file for the torvan-cli benchmark.

Layout is the converter's default one: comma separated, seven fields per line
    date,open,high,low,close,volume,open interest
with dates as MMDDYY (six digits, e.g. 010298) and prices with two decimals.

Two-digit years map 00-60 to 2000-2060 and 61-99 to 1961-1999, so only about
26,000 weekdays fit in that window. Longer files cycle through it again: dates
are all valid but neither distinct nor always increasing, which is fine for a
timing run.

The output is deterministic: the same arguments always give the same bytes.
"""

import argparse
import datetime
import random
import sys

FIRST_DAY = datetime.date(1961, 1, 2)  # a Monday
LAST_DAY = datetime.date(2060, 12, 31)


def trading_days():
    """Weekdays from FIRST_DAY to LAST_DAY, cycling forever."""
    one = datetime.timedelta(days=1)
    while True:
        day = FIRST_DAY
        while day <= LAST_DAY:
            if day.weekday() < 5:
                yield day
            day += one


def generate(count, seed):
    """Return `count` lines, oldest first."""
    rng = random.Random(seed)
    days = trading_days()
    close = 50.0
    lines = []
    for _ in range(count):
        day = next(days)
        # Multiplicative random walk, pulled back towards a 5..500 band.
        drift = 0.0
        if close < 5.0:
            drift = 0.01
        elif close > 500.0:
            drift = -0.01
        open_ = close * (1.0 + rng.gauss(0.0, 0.005))
        close = open_ * (1.0 + drift + rng.gauss(0.0, 0.015))
        high = max(open_, close) * (1.0 + abs(rng.gauss(0.0, 0.006)))
        low = min(open_, close) * (1.0 - abs(rng.gauss(0.0, 0.006)))
        volume = int(rng.lognormvariate(14.0, 0.5))
        open_interest = int(rng.lognormvariate(10.0, 0.7))
        lines.append(
            f"{day.month:02d}{day.day:02d}{day.year % 100:02d},"
            f"{open_:.2f},{high:.2f},{low:.2f},{close:.2f},"
            f"{volume},{open_interest}\n"
        )
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("count", type=int, help="number of lines")
    parser.add_argument("output", help="file to write ('-' for standard output)")
    order = parser.add_mutually_exclusive_group()
    order.add_argument("--newest-first", action="store_true",
                       help="newest day on the first line (input for --reverse)")
    order.add_argument("--oldest-first", action="store_true",
                       help="oldest day on the first line (the default)")
    parser.add_argument("--seed", type=int, default=20240601,
                        help="random seed (default: %(default)s)")
    args = parser.parse_args()
    if args.count < 0:
        parser.error("count must not be negative")

    lines = generate(args.count, args.seed)
    if args.newest_first:
        lines.reverse()
    if args.output == "-":
        sys.stdout.writelines(lines)
    else:
        with open(args.output, "w", newline="\n", encoding="ascii") as out:
            out.writelines(lines)


if __name__ == "__main__":
    main()
