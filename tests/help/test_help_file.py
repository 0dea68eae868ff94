#!/usr/bin/env python3
"""The compiled help file as the help viewer sees it: its directory holds a page
for every name the plug-in answers help for, an index page and every page the
pages link to, and its system file carries the title and the start page.

Usage: test_help_file.py BIN/Vornel.chm HELP_SOURCE_DIR
"""
import re
import struct
import sys
import unittest
from pathlib import Path

# The names the plug-in hands to the host; Help opens "f_" + name for a
# variable function, the name itself for a command.
PLUGIN_NAMES = "enumprocesses,services,tasklist,@elevated,@pidexename,@pidsvcnames"


def read_encint(data, pos):
    """A variable-length integer: seven bits a byte, high bit = more follow."""
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, pos


def read_directory(data):
    """Name -> (section, offset, length) from the listing chunks, and where
    the uncompressed section's content begins."""
    if data[:4] != b"ITSF":
        raise ValueError("not a compiled help file")
    version = struct.unpack_from("<I", data, 4)[0]
    dir_offset, dir_length = struct.unpack_from("<QQ", data, 0x48)
    content_offset = (struct.unpack_from("<Q", data, 0x58)[0] if version >= 3
                      else dir_offset + dir_length)
    directory = data[dir_offset:dir_offset + dir_length]
    if directory[:4] != b"ITSP":
        raise ValueError("no directory header")
    header_length, = struct.unpack_from("<I", directory, 8)
    chunk_size, = struct.unpack_from("<I", directory, 0x10)
    entries = {}
    for start in range(header_length, len(directory), chunk_size):
        chunk = directory[start:start + chunk_size]
        if chunk[:4] != b"PMGL":
            continue
        free_space, = struct.unpack_from("<I", chunk, 4)
        pos, end = 20, chunk_size - free_space
        while pos < end:
            length, pos = read_encint(chunk, pos)
            name = chunk[pos:pos + length].decode("utf-8")
            pos += length
            section, pos = read_encint(chunk, pos)
            offset, pos = read_encint(chunk, pos)
            size, pos = read_encint(chunk, pos)
            entries[name] = (section, offset, size)
    return entries, content_offset


def read_system_records(data, entries, content_offset):
    """Code -> bytes of the #SYSTEM file, which lives in the uncompressed section."""
    section, offset, size = entries["/#SYSTEM"]
    assert section == 0
    system = data[content_offset + offset:content_offset + offset + size]
    records, pos = {}, 4  # after the version
    while pos + 4 <= len(system):
        code, length = struct.unpack_from("<HH", system, pos)
        records[code] = system[pos + 4:pos + 4 + length]
        pos += 4 + length
    return records


class HelpFile(unittest.TestCase):
    chm = None
    sources = None

    @classmethod
    def setUpClass(cls):
        cls.data = Path(cls.chm).read_bytes()
        cls.entries, cls.content_offset = read_directory(cls.data)

    def test_a_page_for_every_name_of_the_plugin(self):
        for name in PLUGIN_NAMES.split(","):
            page = "/" + ("f_" + name[1:] if name.startswith("@") else name) + ".html"
            with self.subTest(name=name):
                self.assertIn(page, self.entries)
                self.assertGreater(self.entries[page][2], 1000, "a page that describes the name fully")

    def test_every_link_of_the_pages_is_inside(self):
        pages = sorted(Path(self.sources).glob("*.html"))
        self.assertIn("index.html", [p.name for p in pages])
        for page in pages:
            self.assertIn("/" + page.name, self.entries)
            for target in re.findall(r'href="([^"#]+)', page.read_text(encoding="utf-8")):
                with self.subTest(page=page.name, link=target):
                    self.assertIn("/" + target, self.entries)

    def test_title_and_start_page(self):
        records = read_system_records(self.data, self.entries, self.content_offset)
        self.assertEqual(records[3].rstrip(b"\0"), b"Vornel Help")
        self.assertEqual(records[2].rstrip(b"\0"), b"index.html")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    HelpFile.chm, HelpFile.sources = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
