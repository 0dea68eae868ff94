#!/usr/bin/env python3
"""The zip a user downloads: made by CPack into a scratch directory, it holds
exactly the plug-in, its help file and the installation note; the DLL in it
has no debug sections and still loads into the shell, and the note quotes the
version lines that TASKLIST /?? prints. The build is reproducible, so the
DLL sizes that README.md states hold for this source in any clone.

Usage: test_package.py CPACK BUILD_DIR OBJDUMP WINE_RUNNER
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path


class Package(unittest.TestCase):
    cpack = build = objdump = wine = None

    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="vornel-package-"))
        made = subprocess.run([cls.cpack, "-G", "ZIP", "--config", str(Path(cls.build) / "CPackConfig.cmake"),
                               "-B", str(cls.scratch)], cwd=cls.scratch, capture_output=True, text=True)
        if made.returncode != 0:
            raise RuntimeError("cpack failed:\n" + made.stdout + made.stderr)
        cls.zip = cls.scratch / "Vornel-1.0.25-win64.zip"
        cls.unpacked = cls.scratch / "plugins"
        with zipfile.ZipFile(cls.zip) as archive:
            cls.names = sorted(archive.namelist())
            archive.extractall(cls.unpacked)
        for name in ("orsh.exe", "OrshHost.dll"):
            shutil.copy(Path(cls.build) / "bin" / name, cls.unpacked)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def test_only_the_users_files_at_the_top(self):
        self.assertEqual(self.names, ["README.txt", "Vornel.chm", "Vornel.dll"])

    def test_dll_is_stripped_and_keeps_its_resources(self):
        headers = subprocess.run([self.objdump, "-h", str(self.unpacked / "Vornel.dll")],
                                 capture_output=True, text=True, check=True).stdout
        sections = re.findall(r"^\s+\d+\s+(\S+)", headers, re.MULTILINE)
        self.assertEqual([s for s in sections if s.startswith(".debug")], [])
        for kept in (".text", ".edata", ".rsrc", ".gnu_debuglink"):
            self.assertIn(kept, sections)

    def test_note_is_filled_in_for_windows(self):
        note = (self.unpacked / "README.txt").read_bytes()
        self.assertIsNone(re.search(rb"@\w+@", note), "a placeholder left in")
        self.assertIn(b"Vornel v1.0.25 loaded.", note)
        self.assertEqual(note.count(b"\n"), note.count(b"\r\n"))
        # The version lines it quotes are those TASKLIST /?? ends with.
        quoted = re.search(rb"TASKLIST /\?\? ends with [^:]*:\r\n\r\n((?: +\S[^\r\n]*\r\n)+)", note)
        claimed = [line.strip() for line in quoted.group(1).splitlines()]
        self.assertEqual(len(claimed), 2)
        run = subprocess.run([self.wine, "orsh.exe", "tasklist", "/??"], cwd=self.unpacked,
                             capture_output=True, timeout=120)
        self.assertEqual([line.strip() for line in run.stdout.strip().splitlines()[-2:]], claimed)

    def test_dll_sizes_are_the_readmes(self):
        readme = (Path(os.environ["VORNEL_SOURCE"]) / "README.md").read_text(encoding="utf-8")
        stated = re.search(r"stripped \(about \d+ KB: ([\d,]+) bytes.*?about [\d.]+ MB: ([\d,]+) bytes\)", readme)
        built = [(self.unpacked / "Vornel.dll").stat().st_size, (Path(self.build) / "bin" / "Vornel.dll").stat().st_size]
        self.assertEqual([int(n.replace(",", "")) for n in stated.groups()], built,
                         "README.md's sizes of the stripped and the whole Vornel.dll")

    def test_unpacked_plugin_loads_into_the_shell(self):
        run = subprocess.run([self.wine, "orsh.exe", "tasklist", "."], cwd=self.unpacked,
                             capture_output=True, timeout=120)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stderr, b"")
        self.assertRegex(run.stdout, rb"^ +\d+\* orsh +\r\n\r\n   Found 1 process\.\r\n$")


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    Package.cpack, Package.build, Package.objdump, Package.wine = sys.argv[1:]
    unittest.main(argv=sys.argv[:1], verbosity=2)
