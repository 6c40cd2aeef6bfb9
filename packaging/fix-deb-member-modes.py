#!/usr/bin/env python3
"""Gives every member of a .deb's ar archive the mode dpkg-deb writes (0644), so that the package
does not depend on the umask of whoever built it.

    fix-deb-member-modes.py PACKAGE.deb...
"""

import sys

MAGIC = b"!<arch>\n"
HEADER = 60  # name 16, date 12, owner 6, group 6, mode 8, size 10, end "`\n"


def fix(path):
    with open(path, "r+b") as deb:
        data = bytearray(deb.read())
        if not data.startswith(MAGIC):
            sys.exit(f"{path}: not an ar archive")
        at = len(MAGIC)
        while at < len(data):
            if data[at + 58:at + 60] != b"`\n":
                sys.exit(f"{path}: malformed member header at {at}")
            data[at + 40:at + 48] = b"100644  "
            size = int(data[at + 48:at + 58])
            at += HEADER + size + size % 2
        deb.seek(0)
        deb.write(data)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    for package in sys.argv[1:]:
        fix(package)
