#!/usr/bin/python3
"""Checks of a built launcher, either build: headers, sections, imports and resources.

    test_exe.py ZelProject.exe i686|x86_64 RES_DIR [TestClass ...]

RES_DIR is the folder the pictures and icon were built from; the executable must carry
those files unchanged.
"""
import os
import sys
import unittest

import pefile

import pe_checks as checks

EXE = ""
ARCHITECTURE = ""
RES_DIR = ""


def load():
    """The executable, parsed once, and its resources as {(type, name): [(language, bytes)]}."""
    if not hasattr(load, "cache"):
        pe = pefile.PE(EXE)
        resources = {}
        directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
        for kind in directory.entries if directory else []:
            for entry in kind.directory.entries:
                name = str(entry.name) if entry.name is not None else entry.id
                for language in entry.directory.entries:
                    blob = pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                    resources.setdefault((kind.id, name), []).append((language.id, blob))
        load.cache = (pe, resources)
    return load.cache


def resource(kind, name):
    """The one copy of a resource, in English (United States)."""
    _pe, resources = load()
    copies = resources.get((kind, name), [])
    if len(copies) != 1:
        raise AssertionError(f"resource type {kind} name {name!r}: {len(copies)} copies")
    language, blob = copies[0]
    if language != checks.LANG_EN_US:
        raise AssertionError(f"resource type {kind} name {name!r} has language 0x{language:04X}")
    return blob


def read_res(name):
    with open(os.path.join(RES_DIR, name), "rb") as file:
        return file.read()


class HeadersTests(unittest.TestCase):
    def test_windows_gui_with_aslr_and_dep(self):
        pe, _ = load()
        relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
        self.assertEqual(checks.header_problems(
            ARCHITECTURE, pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Magic, pe.OPTIONAL_HEADER.Subsystem,
            pe.FILE_HEADER.Characteristics, pe.OPTIONAL_HEADER.DllCharacteristics, relocations.Size), [])


class SectionsTests(unittest.TestCase):
    def test_no_writable_code_and_not_packed(self):
        pe, _ = load()
        sections = [(s.Name.rstrip(b"\0").decode("latin-1"), s.Characteristics, s.SizeOfRawData,
                     s.Misc_VirtualSize, s.get_entropy()) for s in pe.sections]
        self.assertIn(".text", [name for name, *_rest in sections])
        entry = pe.get_section_by_rva(pe.OPTIONAL_HEADER.AddressOfEntryPoint)
        entry_name = entry.Name.rstrip(b"\0").decode("latin-1") if entry else "no section"
        self.assertEqual(checks.section_problems(sections, entry_name), [])

    def test_nothing_appended_after_the_image(self):
        pe, _ = load()
        self.assertIsNone(pe.get_overlay_data_start_offset())


class ImportsTests(unittest.TestCase):
    def test_only_windows_system_dlls(self):
        pe, _ = load()
        dlls = [entry.dll.decode("ascii") for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
        self.assertEqual(checks.import_problems(dlls), [])

    def test_loader_functions_are_looked_up_not_imported(self):
        pe, _ = load()
        functions = [symbol.name.decode("ascii") for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
                     for symbol in entry.imports if symbol.name]
        self.assertEqual(checks.imported_function_problems(functions), [])

    def test_delay_loaded_dlls_are_system_dlls_too(self):
        pe, _ = load()
        delayed = [entry.dll.decode("ascii") for entry in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])]
        self.assertEqual([name for name in delayed if not checks.is_system_dll(name)], [])


class IconGroupTests(unittest.TestCase):
    def test_mainicon_matches_the_table(self):
        _pe, resources = load()
        icons = {name: copies[0][1] for (kind, name), copies in resources.items() if kind == checks.RT_ICON}
        self.assertEqual(checks.icon_group_problems(resource(checks.RT_GROUP_ICON, "MAINICON"), icons), [])

    def test_images_are_those_of_the_icon_file_in_order(self):
        entries = checks.group_icon_entries(resource(checks.RT_GROUP_ICON, "MAINICON"))
        stored = [resource(checks.RT_ICON, ident) for *_rest, ident in entries]
        self.assertEqual(stored, checks.ico_file_images(read_res("ZelProject.ico")))

    def test_mainicon_is_the_only_icon_group(self):
        _pe, resources = load()
        groups = [name for kind, name in resources if kind == checks.RT_GROUP_ICON]
        self.assertEqual(groups, ["MAINICON"])


class VersionRecordTests(unittest.TestCase):
    def test_version_record_field_by_field(self):
        self.assertEqual(checks.version_problems(resource(checks.RT_VERSION, 1)), [])

    def test_one_version_record(self):
        _pe, resources = load()
        self.assertEqual([name for kind, name in resources if kind == checks.RT_VERSION], [1])


class ManifestTests(unittest.TestCase):
    def test_common_controls_as_invoker_no_dpi(self):
        self.assertEqual(checks.manifest_problems(resource(checks.RT_MANIFEST, 1)), [])

    def test_one_manifest(self):
        _pe, resources = load()
        self.assertEqual([name for kind, name in resources if kind == checks.RT_MANIFEST], [1])


class PicturesTests(unittest.TestCase):
    def test_banner(self):
        banner = resource(checks.RT_RCDATA, "BANNER")
        self.assertEqual(checks.jpeg_problems(banner, 960, 171), [])
        self.assertEqual(banner, read_res("banner.jpg"))

    def test_purchase_picture(self):
        picture = resource(checks.RT_RCDATA, "BUYPICTURE")
        self.assertEqual(checks.png_problems(picture, 128, 128), [])
        self.assertEqual(picture, read_res("buy.png"))


if __name__ == "__main__":
    if len(sys.argv) < 4 or sys.argv[2] not in checks.ARCHITECTURES:
        sys.exit(__doc__)
    EXE, ARCHITECTURE, RES_DIR = sys.argv[1:4]
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[4:]])
