#!/usr/bin/env python3
"""Packs files into a zip that depends on nothing but their contents and names: members in the
order given, every one dated SOURCE_DATE_EPOCH (read as UTC), no owner, fixed permissions.

    make-zip.py OUT.zip SOURCE_DATE_EPOCH FILE...
"""

import os
import sys
import time
import zipfile


def main(out, epoch, files):
    # Zip's own timestamps cannot go below 1980.
    date = time.gmtime(max(int(epoch), 315532800))[:6]
    with zipfile.ZipFile(out + ".part", "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for path in files:
            member = zipfile.ZipInfo(os.path.basename(path), date)
            member.compress_type = zipfile.ZIP_DEFLATED
            member.create_system = 3  # Unix, so the mode below is read
            mode = 0o755 if os.access(path, os.X_OK) else 0o644
            member.external_attr = (0o100000 | mode) << 16
            with open(path, "rb") as f:
                archive.writestr(member, f.read())
    os.replace(out + ".part", out)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
