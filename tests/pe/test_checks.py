#!/usr/bin/python3
"""The executable checks catch what they are meant to: each is fed a broken variant of the
real thing (the committed icon, pictures and manifest, a version record built here) and must
name the fault, while the unbroken input passes."""
import os
import struct
import unittest

import pe_checks as checks

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res")


def read_res(name):
    with open(os.path.join(RES, name), "rb") as file:
        return file.read()


class HeaderChecks(unittest.TestCase):
    GOOD = {
        "i686": dict(machine=0x14C, magic=0x10B, subsystem=2, characteristics=0x030E,
                     dll_characteristics=0x0140, relocation_bytes=5700),
        "x86_64": dict(machine=0x8664, magic=0x20B, subsystem=2, characteristics=0x022E,
                       dll_characteristics=0x0160, relocation_bytes=840),
    }

    def problems(self, architecture, **changes):
        return checks.header_problems(architecture, **{**self.GOOD[architecture], **changes})

    def test_good_headers_pass(self):
        for architecture in self.GOOD:
            with self.subTest(architecture):
                self.assertEqual(self.problems(architecture), [])

    def test_each_fault_is_named(self):
        cases = [
            ("i686", "machine", dict(machine=0x8664)),
            ("x86_64", "machine", dict(machine=0x14C)),
            ("i686", "magic", dict(magic=0x20B)),
            ("x86_64", "magic", dict(magic=0x10B)),
            ("i686", "Windows GUI", dict(subsystem=3)),
            ("x86_64", "DLL", dict(characteristics=0x222E)),
            ("i686", "DYNAMIC_BASE", dict(dll_characteristics=0x0100)),
            ("x86_64", "DYNAMIC_BASE", dict(dll_characteristics=0x0120)),
            ("i686", "NX_COMPAT", dict(dll_characteristics=0x0040)),
            ("x86_64", "NX_COMPAT", dict(dll_characteristics=0x0060)),
            ("x86_64", "HIGH_ENTROPY_VA", dict(dll_characteristics=0x0140)),
            ("i686", "relocation", dict(relocation_bytes=0)),
            ("x86_64", "relocation", dict(characteristics=0x022F)),
        ]
        for architecture, word, change in cases:
            with self.subTest(f"{architecture} {word}"):
                found = self.problems(architecture, **change)
                self.assertEqual(len(found), 1, found)
                self.assertIn(word, found[0])


class SectionChecks(unittest.TestCase):
    # The x86_64 launcher's sections: (name, characteristics, file bytes, memory bytes, entropy).
    GOOD = [(".text", 0x60000060, 202240, 201792, 6.47), (".data", 0xC0000040, 512, 384, 1.06),
            (".rdata", 0x40000040, 36352, 36000, 6.2), (".pdata", 0x40000040, 7168, 6720, 5.11),
            (".xdata", 0x40000040, 9216, 8776, 4.76), (".bss", 0xC0000080, 0, 2944, 0.0),
            (".idata", 0xC0000040, 6144, 5772, 4.39), (".CRT", 0xC0000040, 512, 96, 0.29),
            (".tls", 0xC0000040, 512, 16, 0.0), (".rsrc", 0xC0000040, 329216, 328952, 5.22),
            (".reloc", 0x42000040, 1024, 840, 4.84)]

    def test_the_linkers_sections_pass(self):
        self.assertEqual(checks.section_problems(self.GOOD, ".text"), [])
        i686 = [(".eh_fram", 0x40000040, 31744, 31688, 5.02)] + self.GOOD
        self.assertEqual(checks.section_problems(i686, ".text"), [])

    def test_writable_code_section(self):
        sections = self.GOOD + [(".text", 0xE0000020, 512, 100, 5.0)]
        self.assertEqual(checks.section_problems(sections, ".text"),
                         ["section '.text' is both writable and executable"])

    def test_packed_layouts_are_found(self):
        # A compressing packer: an empty section the stub unpacks into, the compressed
        # image in another, the stub's entry point in that one.
        upx = [("UPX0", 0xE0000080, 0, 400000, 0.0), ("UPX1", 0xE0000040, 180000, 180000, 7.93),
               (".rsrc", 0xC0000040, 329216, 328952, 5.22)]
        found = checks.section_problems(upx, "UPX1")
        for word in ["'UPX0' is both writable", "'UPX1' is both writable", "'UPX0' is none the linker",
                     "'UPX0' is empty in the file", "7.93 bits", "entry point in 'UPX1'"]:
            with self.subTest(word):
                self.assertTrue(any(word in p for p in found), found)

    def test_each_sign_alone(self):
        cases = {
            "encrypted code": ([(".text", 0x60000020, 202240, 201792, 7.6)] + self.GOOD[1:], ".text"),
            "own stub section": (self.GOOD + [(".stub", 0x60000020, 4096, 4000, 6.0)], ".stub"),
            "code made at run time": ([(".text", 0x60000020, 0, 201792, 0.0)] + self.GOOD[1:], ".text"),
        }
        for name, (sections, entry) in cases.items():
            with self.subTest(name):
                self.assertNotEqual(checks.section_problems(sections, entry), [])


class ImportChecks(unittest.TestCase):
    def test_known_dlls_in_any_case(self):
        names = ["KERNEL32.dll", "msvcrt.dll", "USER32.dll", "Gdi32.DLL", "SHELL32.dll", "ole32.dll",
                 "api-ms-win-crt-runtime-l1-1-0.dll"]
        self.assertEqual(checks.import_problems(names), [])

    def test_dlls_searched_beside_the_program_are_refused(self):
        for name in ["libstdc++-6.dll", "libgcc_s_dw2-1.dll", "libwinpthread-1.dll", "zlib1.dll",
                     "libjpeg-62.dll", "uxtheme.dll", "UxTheme.dll", "version.dll", "dwmapi.dll",
                     "comctl32.dll", "msimg32.dll", "kernel32.dll.evil", "api-ms-win-x"]:
            with self.subTest(name):
                self.assertEqual(len(checks.import_problems(["KERNEL32.dll", name])), 1)

    def test_an_unread_import_table_fails(self):
        self.assertEqual(len(checks.import_problems([])), 1)
        self.assertEqual(len(checks.imported_function_problems([])), 1)

    def test_loader_functions_newer_than_windows_7_are_refused(self):
        plain = ["GetModuleFileNameW", "LoadLibraryExW", "GetProcAddress", "GetSystemDirectoryW"]
        self.assertEqual(checks.imported_function_problems(plain), [])
        for name in ["SetDefaultDllDirectories", "AddDllDirectory", "SetDllDirectoryW", "SetSearchPathMode"]:
            with self.subTest(name):
                self.assertEqual(len(checks.imported_function_problems(plain + [name])), 1)


class IconChecks(unittest.TestCase):
    def setUp(self):
        self.images = checks.ico_file_images(read_res("ZelProject.ico"))
        self.sizes = [(size, bits) for size, bits, _ in checks.ICON_TABLE]

    def group(self, entries):
        """An RT_GROUP_ICON from (size, bits, bytes, id) tuples."""
        data = struct.pack("<HHH", 0, 1, len(entries))
        for size, bits, length, ident in entries:
            data += struct.pack("<BBBBHHIH", size % 256, size % 256, 0, 0, 1, bits, length, ident)
        return data

    def good(self):
        entries = [(size, bits, len(image), i + 1)
                   for i, ((size, bits), image) in enumerate(zip(self.sizes, self.images))]
        return self.group(entries), {i + 1: image for i, image in enumerate(self.images)}

    def test_the_committed_icon_passes(self):
        self.assertEqual(checks.icon_group_problems(*self.good()), [])

    def test_committed_icon_file_order_and_sizes(self):
        self.assertEqual([len(image) for image in self.images], [length for *_x, length in checks.ICON_TABLE])

    def test_wrong_order_is_refused(self):
        group, icons = self.good()
        entries = checks.group_icon_entries(group)
        swapped = [entries[3], *entries[:3], *entries[4:]]
        reordered = self.group([(w, bits, length, ident) for w, _h, _c, _p, bits, length, ident in swapped])
        self.assertTrue(any("expected" in p for p in checks.icon_group_problems(reordered, icons)))

    def test_png_compressed_image_is_refused(self):
        group, icons = self.good()
        icons[4] = b"\x89PNG\r\n\x1a\n" + icons[4][8:]
        found = checks.icon_group_problems(group, icons)
        self.assertEqual(found, ["icon image 4 (256 x 256, 32 bits): stored as PNG, not as a bitmap"])

    def test_bitmap_header_faults(self):
        group, icons = self.good()
        cases = {
            "compression 3": (16, 3),         # BI_BITFIELDS
            "24 bits per pixel": (14, 24),
            "expected 48 x 96": (8, 48),      # height not doubled
            "2 planes": (12, 2),
        }
        for word, (offset, value) in cases.items():
            with self.subTest(word):
                broken = dict(icons)
                image = bytearray(broken[5])
                struct.pack_into("<H" if offset in (12, 14) else "<I", image, offset, value)
                broken[5] = bytes(image)
                found = checks.icon_group_problems(group, broken)
                self.assertTrue(any(word in p for p in found), found)

    def test_missing_or_short_image(self):
        group, icons = self.good()
        del icons[7]
        self.assertEqual(checks.icon_group_problems(group, icons),
                         ["icon image 7 (16 x 16, 32 bits): RT_ICON 7 is missing"])
        group, icons = self.good()
        icons[2] = icons[2][:-4]
        found = checks.icon_group_problems(group, icons)
        self.assertTrue(any("the group says 2216" in p for p in found), found)

    def test_not_an_icon_group(self):
        self.assertEqual(len(checks.icon_group_problems(struct.pack("<HHH", 0, 2, 0), {})), 1)


def version_node(key, value=b"", children=(), text=False):
    """A VS_VERSIONINFO node laid out as resource compilers do."""
    head_key = key.encode("utf-16-le") + b"\0\0"
    body = head_key + b"\0" * (-(6 + len(head_key)) % 4) + value
    body += b"\0" * (-(6 + len(body)) % 4)
    for child in children:
        body += child + b"\0" * (-len(child) % 4)
    value_length = len(value) // 2 if text else len(value)
    return struct.pack("<HHH", 6 + len(body), value_length, 1 if text else 0) + body


def version_record(fixed=None, strings=None, translations=((0x0409, 1252),), block="040904E4"):
    fields = {**checks.EXPECTED_FIXED, **(fixed or {})}
    value = struct.pack("<13I", *(fields[name] for name in checks.FIXED_FIELDS))
    strings = strings if strings is not None else {"FileVersion": "1.0.0.0", "ProductVersion": "1.0.0.0"}
    table = version_node(block, children=[
        version_node(name, (text + "\0").encode("utf-16-le"), text=True) for name, text in strings.items()],
        text=True)
    var = version_node("Translation", b"".join(struct.pack("<HH", *t) for t in translations))
    return version_node("VS_VERSION_INFO", value, [
        version_node("StringFileInfo", children=[table], text=True),
        version_node("VarFileInfo", children=[var], text=True)])


class VersionChecks(unittest.TestCase):
    def test_expected_record_passes(self):
        self.assertEqual(checks.version_problems(version_record()), [])

    def test_fixed_part_faults(self):
        cases = {
            "file_ms": {"file_ms": 0x00020000},
            "product_ls": {"product_ls": 1},
            "flags_mask": {"flags_mask": 0x17},
            "flags": {"flags": 1},                       # debug build
            "os": {"os": 0x40004},                       # VOS_NT_WINDOWS32
            "type": {"type": 2},                         # VFT_DLL
            "date_ls": {"date_ls": 0x12345678},
        }
        for field, change in cases.items():
            with self.subTest(field):
                found = checks.version_problems(version_record(fixed=change))
                self.assertEqual(len(found), 1, found)
                self.assertTrue(found[0].startswith(f"fixed part: {field} "), found)

    def test_string_table_must_be_exact(self):
        cases = [
            {"FileVersion": "1.0.0.0", "ProductVersion": "1.0.0.0", "CompanyName": "x"},
            {"FileVersion": "1.0.0.0"},
            {"FileVersion": "1.0.0.0", "ProductVersion": "1.0"},
        ]
        for strings in cases:
            with self.subTest(strings):
                found = checks.version_problems(version_record(strings=strings))
                self.assertEqual(len(found), 1, found)
                self.assertIn("string table", found[0])
        found = checks.version_problems(version_record(block="040904B0"))
        self.assertIn("string table", found[0])

    def test_translation(self):
        for translations in [((0x0409, 1200),), ((0x0419, 1251),), ((0x0409, 1252), (0x0419, 1251)), ()]:
            with self.subTest(translations):
                found = checks.version_problems(version_record(translations=translations))
                self.assertEqual(len(found), 1, found)
                self.assertIn("translations", found[0])

    def test_damaged_record(self):
        record = version_record()
        self.assertIn("unreadable", checks.version_problems(record[:40])[0])
        self.assertIn("key", checks.version_problems(record.replace("VS_VERSION_INFO".encode("utf-16-le"),
                                                                    "VS_VERSION_INFX".encode("utf-16-le")))[0])


class ManifestChecks(unittest.TestCase):
    def setUp(self):
        self.text = read_res("ZelProject.manifest").decode("utf-8")

    def test_committed_manifest_passes(self):
        self.assertEqual(checks.manifest_problems(self.text), [])

    def test_each_fault_is_found(self):
        dpi = ('<application xmlns="urn:schemas-microsoft-com:asm.v3"><windowsSettings>'
               '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>'
               '</windowsSettings></application></assembly>')
        dpi2016 = dpi.replace("dpiAware", "dpiAwareness").replace("2005", "2016").replace("true", "PerMonitorV2")
        cases = {
            "elevation": ('"asInvoker"', '"requireAdministrator"'),
            "uiAccess": ('uiAccess="false"', 'uiAccess="true"'),
            "version": ('version="6.0.0.0"', 'version="5.82.0.0"'),
            "token": ('6595b64144ccf1df', '0000000000000000'),
            "architecture": ('processorArchitecture="*"', 'processorArchitecture="x86"'),
            "namespace": ('urn:schemas-microsoft-com:asm.v1"', 'urn:example"'),
            "dpiAware": ("</assembly>", dpi),
            "dpiAwareness": ("</assembly>", dpi2016),
            "no dependency": ("<dependency>", "<!--"),
            "not XML": ("</assembly>", "</assembl>"),
        }
        for name, (old, new) in cases.items():
            with self.subTest(name):
                if name == "no dependency":
                    broken = self.text.replace("<dependency>", "<!--").replace("</dependency>", "-->")
                else:
                    self.assertIn(old, self.text)
                    broken = self.text.replace(old, new)
                self.assertNotEqual(checks.manifest_problems(broken), [])

    def test_execution_level_outside_trust_info_is_refused(self):
        moved = self.text.replace("<requestedPrivileges>", "<requestedPrivileges><x>").replace(
            "</requestedPrivileges>", "</x></requestedPrivileges>")
        self.assertEqual(len(checks.manifest_problems(moved)), 1)


class PictureChecks(unittest.TestCase):
    def test_committed_pictures_pass(self):
        self.assertEqual(checks.jpeg_problems(read_res("banner.jpg"), 960, 171), [])
        self.assertEqual(checks.png_problems(read_res("buy.png"), 128, 128), [])

    def test_jpeg_faults(self):
        banner = read_res("banner.jpg")
        sof = banner.index(b"\xff\xc0")
        progressive = banner[:sof + 1] + b"\xc2" + banner[sof + 2:]
        self.assertIn("SOF0", checks.jpeg_problems(progressive, 960, 171)[0])
        jfif = banner.index(b"JFIF\0")
        newer = banner[:jfif + 6] + b"\x02" + banner[jfif + 7:]
        self.assertIn("1.01", checks.jpeg_problems(newer, 960, 171)[0])
        self.assertIn("960 x 171", checks.jpeg_problems(banner, 960, 170)[0])
        self.assertEqual(len(checks.jpeg_problems(b"\x89PNG", 960, 171)), 1)

    def test_png_faults(self):
        picture = read_res("buy.png")
        ihdr = picture[16:29]
        for name, header in [("interlaced", ihdr[:12] + b"\x01"), ("RGB", ihdr[:9] + b"\x02" + ihdr[10:]),
                             ("16-bit", ihdr[:8] + b"\x10" + ihdr[9:])]:
            with self.subTest(name):
                self.assertEqual(len(checks.png_problems(picture[:16] + header + picture[29:], 128, 128)), 1)
        stamped = picture[:33] + struct.pack(">I", 7) + b"tIME" + b"\x07\xe8\x01\x01\0\0\0" + b"\0" * 4 + picture[33:]
        self.assertEqual(checks.png_problems(stamped, 128, 128),
                         ["purchase picture carries ancillary chunks ['tIME']"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
