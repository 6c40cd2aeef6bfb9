#!/usr/bin/env python3
"""What `cmake --install`, the .deb and the Windows zip and MSI hold, checked with the desktop's validators and lintian."""

import configparser
import gzip
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile

BUILD_DIR = os.environ.get("VEDODUD_BUILD_DIR", "")
METAINFO = "share/metainfo/com.quillet.dezoravovozeri.metainfo.xml"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def theme_icon(size):
    return f"share/icons/hicolor/{size}x{size}/apps/vedodud.png"


def run(*argv, cwd=None):
    return subprocess.run(argv, cwd=cwd, capture_output=True, text=True, timeout=120)


class InstallTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory()
        cls.prefix = cls.temp.name
        result = run("cmake", "--install", BUILD_DIR, "--prefix", cls.prefix, "--component", "vedodud")
        if result.returncode != 0:
            raise AssertionError(result.stderr)

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def path(self, relative):
        return os.path.join(self.prefix, relative)

    def test_program_is_installed_executable(self):
        self.assertTrue(os.access(self.path("bin/vedodud"), os.X_OK))

    def test_desktop_entry_is_valid_and_names_the_program(self):
        entry_path = self.path("share/applications/vedodud.desktop")
        result = run("desktop-file-validate", entry_path)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stdout.strip(), "")  # not even a hint
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(entry_path)
        section = entry["Desktop Entry"]
        self.assertEqual(section["Name"], "Dezorav Ovozeri")
        self.assertEqual(section["Icon"], "vedodud")
        self.assertEqual(section["Exec"], "vedodud")
        self.assertEqual(section["Categories"], "Network;Monitor;")

    def test_theme_icons_are_pngs_of_the_size_their_folder_names(self):
        for size in ICON_SIZES:
            with open(self.path(theme_icon(size)), "rb") as icon:
                header = icon.read(24)
            self.assertEqual((header[:8], struct.unpack(">II", header[16:24])), (b"\x89PNG\r\n\x1a\n", (size, size)))

    def test_appstream_metadata_is_valid_and_carries_the_identity(self):
        result = run("appstreamcli", "validate", "--pedantic", "--no-net", self.path(METAINFO))
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertNotRegex(result.stdout, r"(?m)^\s*[EWIP]: ")  # not even a pedantic hint
        root = ElementTree.parse(self.path(METAINFO)).getroot()
        self.assertEqual(root.findtext("name"), "Dezorav Ovozeri")
        self.assertEqual(root.find("releases/release").get("version"), "1.00")
        self.assertEqual(root.findtext("developer_name"), "Quillet - Software")
        self.assertEqual(root.findtext("project_license"), "MIT")
        custom = {value.get("key"): value.text for value in root.findall("custom/value")}
        self.assertEqual(custom["CompanyName"], "Quillet - Software")
        self.assertEqual(custom["ProductName"], "Quillet - Dezorav Ovozeri")
        self.assertEqual(custom["FileVersion"], "1.00")
        self.assertEqual(root.find("launchable").text, "vedodud.desktop")

    def test_manual_page_renders_without_warnings(self):
        result = run("man", "--warnings", "-l", self.path("share/man/man1/vedodud.1.gz"))
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertRegex(result.stdout, r"VEDODUD_DEBUG[\s\S]*\nVedodud 1\.00 ")


class DebianPackage(unittest.TestCase):
    def test_package_holds_the_program_and_depends_on_its_libraries(self):
        with tempfile.TemporaryDirectory() as out:
            result = run("cpack", "-G", "DEB", "-B", out, "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"))
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
            debs = [name for name in os.listdir(out) if name.endswith(".deb")]
            self.assertEqual(len(debs), 1, os.listdir(out))
            deb = os.path.join(out, debs[0])
            fields = run("dpkg-deb", "-f", deb, "Package", "Version", "Depends", "Recommends").stdout
            self.assertIn("Package: vedodud", fields)
            self.assertIn("Version: 1.00", fields)
            for library in ("libqt6widgets6", "libqt6dbus6", "libqt6core6", "libc6"):
                self.assertIn(library, fields)
            self.assertIn("Recommends: qt6-wayland", fields)
            # URLs are read with Qt Core: no TLS, SSH or LDAP stack comes along to parse them.
            self.assertNotIn("libcurl", fields)
            contents = run("dpkg-deb", "-c", deb).stdout
            for path in ("bin/vedodud", "share/applications/vedodud.desktop", METAINFO,
                         "share/icons/hicolor/scalable/apps/vedodud.svg", *map(theme_icon, ICON_SIZES)):
                self.assertIn("./usr/" + path, contents)
            # Debian's checker, down to its pedantic and informational tags (hardening among them).
            self.assertEqual(run("lintian", "-I", "--pedantic", deb).stdout, "")
            self.check_software_centre_catalogue(deb, out)

    def check_software_centre_catalogue(self, deb, out):
        """What GNOME Software and KDE Discover would be given for the installed package."""
        tree, catalogue = os.path.join(out, "tree"), os.path.join(out, "catalogue")
        self.assertEqual(run("dpkg-deb", "-x", deb, tree).returncode, 0)
        result = run("appstreamcli", "compose", "--no-net", "--no-color", "--origin=vedodud",
                     "--result-root=" + catalogue, tree)
        report = result.stdout + result.stderr
        self.assertEqual(result.returncode, 0, report)
        self.assertNotRegex(report, r"(?m)^\s*[EW]: ")  # neither error nor warning
        with gzip.open(os.path.join(catalogue, "usr/share/swcatalog/xml/vedodud.xml.gz")) as xml:
            component = ElementTree.parse(xml).getroot().find("component")
        self.assertEqual(component.findtext("id"), "com.quillet.dezoravovozeri")
        icons = {(icon.get("type"), icon.get("width")) for icon in component.findall("icon")}
        self.assertIn(("cached", "64"), icons)
        self.assertIn(("cached", "128"), icons)


class WindowsPackages(unittest.TestCase):
    def test_zip_holds_the_checked_program_its_licence_and_a_readme(self):
        # The program is the very file win32.resources reads back, version block and all.
        with zipfile.ZipFile(os.path.join(BUILD_DIR, "Vedodud-1.00-win32.zip")) as archive, \
                open(os.path.join(BUILD_DIR, "Vedodud.exe"), "rb") as built:
            self.assertEqual(sorted(archive.namelist()), ["LICENSE", "README.txt", "Vedodud.exe"])
            self.assertEqual(archive.read("Vedodud.exe"), built.read())
            self.assertTrue(archive.read("LICENSE").startswith(b"MIT License\r\n"))
            self.assertNotIn(b"\n", archive.read("README.txt").replace(b"\r\n", b""))  # for Notepad

    def test_msi_installs_per_user_under_the_one_upgrade_code(self):
        msi = os.path.join(BUILD_DIR, "Vedodud-1.00.msi")
        properties = run("msiinfo", "export", msi, "Property").stdout
        for row in ("ProductVersion\t1.00", "UpgradeCode\t{3577A836-6EE8-45DC-8144-0A821B16477F}"):  # never to change
            self.assertIn(row + "\n", properties)
        self.assertNotIn("ALLUSERS", properties)  # and the word count's 8: no elevated rights wanted
        self.assertTrue(int(re.search(r"^Source: (\d+)", run("msiinfo", "suminfo", msi).stdout, re.M)[1]) & 8)


if __name__ == "__main__":
    if not BUILD_DIR:
        sys.exit("VEDODUD_BUILD_DIR is not set")
    unittest.main(verbosity=2)
