#!/usr/bin/env python3
"""Splits a one-image .ico file into the two resources Windows keeps an icon as: the image
(type 3) and its group directory (type 14) that names the image by resource id."""
import struct
import sys


def main():
    ico_path, image_id, image_out, group_out = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
    data = open(ico_path, "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or count != 1:
        sys.exit(f"{ico_path}: expected an icon file with exactly one image")
    width, height, colours, zero, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    image = data[offset:offset + size]
    if len(image) != size:
        sys.exit(f"{ico_path}: image runs past the end of the file")
    with open(image_out, "wb") as out:
        out.write(image)
    with open(group_out, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, 1))
        out.write(struct.pack("<BBBBHHIH", width, height, colours, zero, planes, bits, size, image_id))


main()
