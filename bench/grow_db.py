#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Grow a one-security database into one of COUNT securities by copying.

    grow_db.py master DIR COUNT   MASTER's one entry and F1.DAT/.DOP copied to
                                  entries 1..COUNT (COUNT <= 255)
    grow_db.py xmaster DIR COUNT  XMASTER's one entry (file 256) and
                                  F256.MWD/.DOP copied to 256..COUNT

DIR must hold what torvan-cli wrote for the first entry: building a large
database one conversion at a time would take minutes, and copying keeps
every entry as the program itself makes it. Symbols become S<number>.
`torvan-cli check DIR` should find nothing afterwards.
"""

import os
import shutil
import struct
import sys

MASTER_RECORD = 53
XMASTER_RECORD = 150


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def copy_files(directory, first, numbers, extensions):
    for n in numbers:
        for ext in extensions:
            shutil.copyfile(os.path.join(directory, f"F{first}{ext}"),
                            os.path.join(directory, f"F{n}{ext}"))


def grow_master(directory, count):
    master = read(os.path.join(directory, "MASTER"))
    header, record = master[:MASTER_RECORD], master[MASTER_RECORD:2 * MASTER_RECORD]
    if struct.unpack_from("<H", header, 0)[0] != 1 or record[0] != 1:
        sys.exit("grow_db.py: MASTER must hold one entry, file 1")
    records = []
    for n in range(1, count + 1):
        r = bytearray(record)
        r[0] = n
        r[36:52] = f"S{n}".ljust(16).encode()
        records.append(bytes(r))
    header = bytearray(header)
    struct.pack_into("<HH", header, 0, count, count)
    write(os.path.join(directory, "MASTER"), bytes(header) + b"".join(records))
    copy_files(directory, 1, range(2, count + 1), (".DAT", ".DOP"))


def grow_xmaster(directory, count):
    xmaster = read(os.path.join(directory, "XMASTER"))
    header, record = xmaster[:XMASTER_RECORD], xmaster[XMASTER_RECORD:2 * XMASTER_RECORD]
    if struct.unpack_from("<H", header, 10)[0] != 1 or struct.unpack_from("<H", record, 65)[0] != 256:
        sys.exit("grow_db.py: XMASTER must hold one entry, file 256")
    records = []
    for n in range(256, count + 1):
        r = bytearray(record)
        r[1:15] = f"S{n}".encode().ljust(14, b"\0")
        struct.pack_into("<H", r, 65, n)
        records.append(bytes(r))
    header = bytearray(header)
    entries = count - 255
    struct.pack_into("<H", header, 10, entries)
    struct.pack_into("<H", header, 14, entries)
    struct.pack_into("<H", header, 18, count + 1)
    write(os.path.join(directory, "XMASTER"), bytes(header) + b"".join(records))
    copy_files(directory, 256, range(257, count + 1), (".MWD", ".DOP"))


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("master", "xmaster"):
        sys.exit(__doc__)
    kind, directory, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    if kind == "master":
        if not 1 <= count <= 255:
            sys.exit("grow_db.py: MASTER holds 1 to 255 entries")
        grow_master(directory, count)
    else:
        if not 256 <= count <= 65535:
            sys.exit("grow_db.py: XMASTER holds files 256 to 65535")
        grow_xmaster(directory, count)


if __name__ == "__main__":
    main()
