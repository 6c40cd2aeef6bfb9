#!/usr/bin/env python3
"""Builds the Windows installer with wixl so that it depends on nothing but its source and files:

    make-msi.py OUT.msi SOURCE_DATE_EPOCH SOURCE.wxs FILES NAME=VALUE...

FILES is the folder of the files it installs, where wixl runs; each NAME=VALUE is a variable of
the source, ProductCode among them. wixl takes two things from the clock and from chance, both in
the summary information: the dates it was created and saved, and its package code. The dates
become SOURCE_DATE_EPOCH; the package code is derived from the product code and the package's own
bytes, so another build of the same version with other contents gets another one, as Windows
Installer wants. The cabinet's file dates come from the files, so they carry the epoch too.
"""

import ctypes
import hashlib
import os
import subprocess
import sys
import uuid

# Summary information properties.
PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM = 9, 12, 13
FILETIME_EPOCH_OFFSET = 11644473600  # seconds from 1601, FILETIME's start, to 1970
DB_TRANSACT = 1 << 2


def load_libmsi():
    msi = ctypes.CDLL("libmsi.so.0")
    pointer, error = ctypes.c_void_p, ctypes.c_void_p
    msi.libmsi_database_new.restype = pointer
    msi.libmsi_database_new.argtypes = [ctypes.c_char_p, ctypes.c_uint, ctypes.c_char_p, error]
    msi.libmsi_summary_info_new.restype = pointer
    msi.libmsi_summary_info_new.argtypes = [pointer, ctypes.c_uint, error]
    msi.libmsi_summary_info_set_filetime.argtypes = [pointer, ctypes.c_int, ctypes.c_uint64, error]
    msi.libmsi_summary_info_set_string.argtypes = [pointer, ctypes.c_int, ctypes.c_char_p, error]
    msi.libmsi_summary_info_persist.argtypes = [pointer, error]
    msi.libmsi_database_commit.argtypes = [pointer, error]
    return msi


def pin_summary(msi, source, out, epoch, package_code):
    """Writes source to out with the given dates and package code in its summary information."""
    unref = ctypes.CDLL("libgobject-2.0.so.0").g_object_unref
    unref.argtypes = [ctypes.c_void_p]
    database = msi.libmsi_database_new(source.encode(), DB_TRANSACT, out.encode(), None)
    if not database:
        sys.exit(f"make-msi: cannot open {source}")
    summary = msi.libmsi_summary_info_new(database, 3, None)
    filetime = (epoch + FILETIME_EPOCH_OFFSET) * 10**7
    done = (summary and msi.libmsi_summary_info_set_filetime(summary, PID_CREATE_DTM, filetime, None)
            and msi.libmsi_summary_info_set_filetime(summary, PID_LASTSAVE_DTM, filetime, None)
            and msi.libmsi_summary_info_set_string(summary, PID_REVNUMBER, f"{{{package_code}}}".upper().encode(), None)
            and msi.libmsi_summary_info_persist(summary, None) and msi.libmsi_database_commit(database, None))
    if summary:
        unref(summary)
    unref(database)
    if not done:
        sys.exit(f"make-msi: cannot write the summary information of {out}")


def main(out, epoch, source, files, variables):
    epoch = int(epoch)
    for name in os.listdir(files):
        os.utime(os.path.join(files, name), (epoch, epoch))
    product_code = uuid.UUID(dict(v.split("=", 1) for v in variables)["ProductCode"])
    built, blank = out + ".wixl", out + ".blank"
    # The cabinet's dates are DOS dates, local time: UTC is everyone's.
    options = [option for variable in variables for option in ("-D", variable)]
    subprocess.run(["wixl", "-o", built, *options, source], check=True, cwd=files, env=dict(os.environ, TZ="UTC"))
    msi = load_libmsi()
    pin_summary(msi, built, blank, epoch, uuid.UUID(int=0))
    with open(blank, "rb") as package:
        package_code = uuid.uuid5(product_code, hashlib.sha256(package.read()).hexdigest())
    pin_summary(msi, built, out + ".part", epoch, package_code)
    os.replace(out + ".part", out)
    os.remove(built)
    os.remove(blank)


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:])
