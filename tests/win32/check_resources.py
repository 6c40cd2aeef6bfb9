#!/usr/bin/env python3
"""Reads Vedodud.exe back: its resources (with icoutils' wrestool), its subsystem and the DLLs
it imports (with objdump), and checks each value the program is meant to carry."""
import argparse
import re
import struct
import subprocess
import sys
import unittest

EXE = None
OBJDUMP = None

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "oleacc.dll",
               "advapi32.dll", "shell32.dll", "comctl32.dll", "wininet.dll", "ws2_32.dll"}


def resource(type_id, name, lang):
    return subprocess.run(["wrestool", "-x", "--raw", f"--type={type_id}", f"--name={name}",
                           f"--language={lang}", EXE], check=True, capture_output=True).stdout


def parse_block(data, offset):
    """One node of a version resource: (key, value bytes, children, end offset)."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_start = offset + 6
    key_end = key_start
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if is_text else value_length
    value = data[position:position + value_bytes]
    position = (position + value_bytes + 3) & ~3
    children = []
    while position < end:
        child = parse_block(data, position)
        children.append(child)
        position = (child[3] + 3) & ~3
    return key, value, children, end


class Resources(unittest.TestCase):
    def test_exactly_the_expected_resources(self):
        listing = subprocess.run(["wrestool", "-l", EXE], check=True, capture_output=True, text=True).stdout
        found = sorted(re.findall(r"--type=(\d+) --name=(\d+) --language=(\d+)", listing))
        self.assertEqual(found, sorted([("3", "30001", "0"), ("14", "1", "0"), ("16", "1", "1033"),
                                        ("10", "2", "0")]), listing)

    def test_icon_image_is_32x32_24_bit_with_mask(self):
        image = resource(3, 30001, 0)
        self.assertEqual(len(image), 3244)
        header_size, width, height, planes, bits = struct.unpack_from("<IiiHH", image, 0)
        self.assertEqual((header_size, width, height, planes, bits), (40, 32, 64, 1, 24))

    def test_icon_group_names_the_image(self):
        group = resource(14, 1, 0)
        self.assertEqual(struct.unpack("<HHH", group[:6]), (0, 1, 1))
        self.assertEqual(struct.unpack("<BBBBHHIH", group[6:]), (32, 32, 0, 0, 1, 24, 3244, 30001))

    def test_logo_is_the_gif(self):
        logo = resource(10, 2, 0)
        self.assertEqual(logo[:6], b"GIF89a")
        self.assertEqual(struct.unpack_from("<HH", logo, 6), (300, 100))

    def test_version_block(self):
        key, fixed, children, _ = parse_block(resource(16, 1, 1033), 0)
        self.assertEqual(key, "VS_VERSION_INFO")
        fields = struct.unpack("<13I", fixed)
        self.assertEqual(fields[0], 0xFEEF04BD)
        self.assertEqual(fields[2:], (0x00010000, 0, 0x00010000, 0, 0, 0, 4, 1, 0, 0, 0))
        self.assertEqual([child[0] for child in children], ["StringFileInfo", "VarFileInfo"])

        tables = children[0][2]
        self.assertEqual([table[0] for table in tables], ["040904B0"])
        strings = [(name, value.decode("utf-16-le").rstrip("\0")) for name, value, _, _ in tables[0][2]]
        self.assertEqual(strings, [
            ("CompanyName", "Quillet - Software"),
            ("ProductName", "Quillet - Dezorav Ovozeri"),
            ("FileVersion", "1.00"),
            ("ProductVersion", "1.00"),
            ("InternalName", "Vedodud"),
            ("OriginalFilename", "Vedodud.exe"),
        ])

        variables = children[1][2]
        self.assertEqual([(name, value) for name, value, _, _ in variables],
                         [("Translation", struct.pack("<HH", 0x0409, 1200))])


class Executable(unittest.TestCase):
    def setUp(self):
        self.headers = subprocess.run([OBJDUMP, "-p", EXE], check=True, capture_output=True, text=True).stdout

    def test_32_bit_gui_program(self):
        self.assertIn("file format pei-i386", self.headers)
        self.assertRegex(self.headers, r"Subsystem\s+00000002\s+\(Windows GUI\)")

    def test_needs_only_windows_own_dlls(self):
        dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", self.headers)}
        self.assertTrue(dlls)
        self.assertLessEqual(dlls, SYSTEM_DLLS, "runtime DLLs must be linked in statically")

    def test_hardened_and_without_a_link_time(self):
        with open(EXE, "rb") as f:
            image = f.read()
        pe = struct.unpack_from("<I", image, 0x3C)[0]
        self.assertEqual(struct.unpack_from("<I", image, pe + 8)[0], 0, "TimeDateStamp")  # reproducible
        dll_characteristics = struct.unpack_from("<H", image, pe + 24 + 70)[0]
        self.assertEqual(dll_characteristics & 0x140, 0x140, "DYNAMIC_BASE (ASLR) and NX_COMPAT (DEP)")
        self.assertIn(b"stack smashing detected", image)  # the stack protector's runtime is inside


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("exe")
    arguments, rest = parser.parse_known_args()
    EXE, OBJDUMP = arguments.exe, arguments.objdump
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
