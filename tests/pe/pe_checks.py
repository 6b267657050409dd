"""What the shipped launcher executable must look like, as functions that list what is wrong.

Each check takes plain values (bytes, names, numbers) and returns a list of problems, empty
when all is well, so the same checks run on the real executable (test_exe.py) and on
deliberately broken inputs (test_checks.py).
"""
import struct
import xml.etree.ElementTree as ElementTree

RT_ICON = 3
RT_RCDATA = 10
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24

LANG_EN_US = 0x0409

# The icon set, in its stored order: (size, bits per pixel, stored bytes).
ICON_TABLE = [
    (48, 8, 3752),
    (32, 8, 2216),
    (16, 8, 1384),
    (256, 32, 270376),
    (48, 32, 9640),
    (32, 32, 4264),
    (16, 32, 1128),
]

# DLLs a program may import by name: the loader takes these "known DLLs" from the system
# folder on every Windows from 7 on, never from the program's folder. Any other name
# (comctl32, uxtheme, version, dwmapi, ...) is searched for beside the program first,
# before its first instruction runs, where a planted copy would be loaded instead.
KNOWN_DLLS = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll",
    "ntdll.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll",
    "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "ws2_32.dll",
}

# (machine, optional header magic) of each build.
ARCHITECTURES = {"i686": (0x14C, 0x10B), "x86_64": (0x8664, 0x20B)}
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
IMAGE_FILE_DLL = 0x2000
DLLCHARACTERISTICS_HIGH_ENTROPY_VA = 0x0020
DLLCHARACTERISTICS_DYNAMIC_BASE = 0x0040
DLLCHARACTERISTICS_NX_COMPAT = 0x0100
SCN_MEM_EXECUTE = 0x20000000
SCN_MEM_WRITE = 0x80000000

# What GNU ld makes of a mingw program ('.eh_fram' is '.eh_frame' cut to eight bytes).
LINKER_SECTIONS = {".text", ".data", ".rdata", ".eh_fram", ".pdata", ".xdata", ".bss", ".idata",
                   ".CRT", ".tls", ".rsrc", ".reloc"}
# Bits a byte: compiled code and tables come out between 4 and 7; packed or encrypted
# bytes are indistinguishable from random, close to 8.
MAX_SECTION_ENTROPY = 7.2

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMMON_CONTROLS = {
    "type": "win32",
    "name": "Microsoft.Windows.Common-Controls",
    "version": "6.0.0.0",
    "processorArchitecture": "*",
    "publicKeyToken": "6595b64144ccf1df",
    "language": "*",
}


# --- headers and imports -------------------------------------------------------------------

def header_problems(architecture, machine, magic, subsystem, characteristics, dll_characteristics,
                    relocation_bytes):
    problems = []
    expected_machine, expected_magic = ARCHITECTURES[architecture]
    if machine != expected_machine:
        problems.append(f"machine 0x{machine:X}, not {architecture}")
    if magic != expected_magic:
        problems.append(f"optional header magic 0x{magic:X}, not that of {architecture}")
    if subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        problems.append(f"subsystem {subsystem}, not the Windows GUI")
    if characteristics & IMAGE_FILE_DLL:
        problems.append("marked as a DLL")
    if not dll_characteristics & DLLCHARACTERISTICS_DYNAMIC_BASE:
        problems.append("no DYNAMIC_BASE (address space layout randomisation)")
    if not dll_characteristics & DLLCHARACTERISTICS_NX_COMPAT:
        problems.append("no NX_COMPAT (data execution prevention)")
    if architecture == "x86_64" and not dll_characteristics & DLLCHARACTERISTICS_HIGH_ENTROPY_VA:
        problems.append("no HIGH_ENTROPY_VA (64-bit address randomisation)")
    # Without relocations the loader cannot move the image, whatever DYNAMIC_BASE says.
    if characteristics & IMAGE_FILE_RELOCS_STRIPPED or relocation_bytes == 0:
        problems.append("no relocation table: the image cannot be moved")
    return problems


def section_problems(sections, entry_section):
    """sections: (name, characteristics, bytes in the file, bytes in memory, entropy) tuples;
    entry_section: the name of the section holding the entry point."""
    problems = []
    for name, flags, raw, virtual, entropy in sections:
        if flags & SCN_MEM_WRITE and flags & SCN_MEM_EXECUTE:
            problems.append(f"section {name!r} is both writable and executable")
        if name not in LINKER_SECTIONS:
            problems.append(f"section {name!r} is none the linker makes")
        if flags & SCN_MEM_EXECUTE and raw == 0 and virtual > 0:
            problems.append(f"executable section {name!r} is empty in the file: filled in at run time")
        if entropy > MAX_SECTION_ENTROPY:
            problems.append(f"section {name!r} has {entropy:.2f} bits a byte: packed or encrypted")
    # A packer's stub runs first, from a section of its own.
    if entry_section != ".text":
        problems.append(f"entry point in {entry_section!r}, not in .text")
    return problems


def is_system_dll(name):
    lower = name.lower()
    return lower in KNOWN_DLLS or (lower.startswith("api-ms-win-") and lower.endswith(".dll"))


def import_problems(dlls):
    if not dlls:
        return ["no imported DLLs found: the import table was not read"]
    return [f"imports {name}, which is not a known DLL" for name in dlls if not is_system_dll(name)]


# kernel32 functions the program looks up at run time and must never import: a Windows 7
# without its 2011 loader update lacks the first three, and refuses to start a program
# that imports any of them; the other two are its fallback, looked up alike.
LOOKED_UP_FUNCTIONS = {"SetDefaultDllDirectories", "AddDllDirectory", "RemoveDllDirectory",
                       "SetDllDirectoryW", "SetSearchPathMode"}


def imported_function_problems(functions):
    """functions: the names of every function the import table names."""
    if not functions:
        return ["no imported functions found: the import table was not read"]
    return [f"imports {name}, which must be looked up at run time"
            for name in functions if name in LOOKED_UP_FUNCTIONS]


# --- icon group ----------------------------------------------------------------------------

def dib_problems(where, data, size, bits):
    """An icon image: BITMAPINFOHEADER, uncompressed, colour bitmap and AND mask."""
    if len(data) < 40:
        return [f"{where}: {len(data)} bytes, too short for a bitmap header"]
    (header, width, height, planes, bit_count, compression, _image_size,
     _xppm, _yppm, colours_used, _important) = struct.unpack_from("<IiiHHIIiiII", data)
    problems = []
    if data[:8] == b"\x89PNG\r\n\x1a\n":
        return [f"{where}: stored as PNG, not as a bitmap"]
    if header != 40:
        problems.append(f"{where}: header size {header}, not a BITMAPINFOHEADER")
    if (width, height) != (size, 2 * size):
        problems.append(f"{where}: bitmap {width} x {height}, expected {size} x {2 * size}")
    if planes != 1:
        problems.append(f"{where}: {planes} planes")
    if bit_count != bits:
        problems.append(f"{where}: {bit_count} bits per pixel in the bitmap, expected {bits}")
    if compression != 0:
        problems.append(f"{where}: compression {compression}, not BI_RGB")
    palette = 4 * (colours_used or (1 << bits)) if bits <= 8 else 0
    colour_row = (size * bits + 31) // 32 * 4
    mask_row = (size + 31) // 32 * 4
    expected = 40 + palette + (colour_row + mask_row) * size
    if len(data) != expected:
        problems.append(f"{where}: {len(data)} bytes, a {size}-pixel {bits}-bit DIB with mask has {expected}")
    return problems


def group_icon_entries(group):
    """The entries of an RT_GROUP_ICON: (width, height, colours, planes, bits, bytes, id)."""
    reserved, kind, count = struct.unpack_from("<HHH", group)
    if reserved != 0 or kind != 1:
        raise ValueError(f"not an icon group (reserved {reserved}, type {kind})")
    if len(group) != 6 + 14 * count:
        raise ValueError(f"icon group of {count} entries is {len(group)} bytes long")
    entries = []
    for i in range(count):
        width, height, colours, _reserved, planes, bits, size, ident = struct.unpack_from(
            "<BBBBHHIH", group, 6 + 14 * i)
        entries.append((width or 256, height or 256, colours, planes, bits, size, ident))
    return entries


def icon_group_problems(group, icons):
    """group: the RT_GROUP_ICON bytes; icons: {id: RT_ICON bytes}."""
    try:
        entries = group_icon_entries(group)
    except (ValueError, struct.error) as error:
        return [f"icon group: {error}"]
    problems = []
    found = [(width, bits, size) for width, _h, _c, _p, bits, size, _id in entries]
    if found != ICON_TABLE:
        problems.append(f"icon group holds {found}, expected {ICON_TABLE}")
    for number, (width, height, colours, planes, bits, size, ident) in enumerate(entries, 1):
        where = f"icon image {number} ({width} x {height}, {bits} bits)"
        if width != height:
            problems.append(f"{where}: not square")
        if planes != 1:
            problems.append(f"{where}: {planes} planes in the group entry")
        if colours != 0:
            problems.append(f"{where}: colour count {colours} in the group entry, expected 0")
        data = icons.get(ident)
        if data is None:
            problems.append(f"{where}: RT_ICON {ident} is missing")
            continue
        if len(data) != size:
            problems.append(f"{where}: RT_ICON {ident} has {len(data)} bytes, the group says {size}")
        problems += dib_problems(where, data, width, bits)
    return problems


def ico_file_images(ico):
    """The images of an .ico file, in its order."""
    _reserved, _kind, count = struct.unpack_from("<HHH", ico)
    images = []
    for i in range(count):
        size, offset = struct.unpack_from("<II", ico, 6 + 16 * i + 8)
        images.append(ico[offset:offset + size])
    return images


# --- version record ------------------------------------------------------------------------

def _align4(offset):
    return (offset + 3) & ~3


def parse_version_node(data, offset=0):
    """One VS_VERSIONINFO-style node: (key, type, value bytes, children)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    if length < 6 or offset + length > len(data):
        raise ValueError(f"node at {offset} has length {length}")
    end = offset + length
    position = offset + 6
    key_end = position
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
        if key_end >= end:
            raise ValueError(f"node at {offset} has an unterminated key")
    key = data[position:key_end].decode("utf-16-le")
    position = _align4(key_end + 2)
    value_bytes = value_length * 2 if kind == 1 else value_length
    value = data[position:position + value_bytes]
    position = _align4(position + value_bytes)
    children = []
    while position < end:
        child, child_end = _parse_child(data, position)
        children.append(child)
        position = _align4(child_end)
    return (key, kind, value, children)


def _parse_child(data, offset):
    length = struct.unpack_from("<H", data, offset)[0]
    return parse_version_node(data, offset), offset + length


FIXED_FIELDS = ("signature", "struc_version", "file_ms", "file_ls", "product_ms", "product_ls",
                "flags_mask", "flags", "os", "type", "subtype", "date_ms", "date_ls")

EXPECTED_FIXED = {
    "signature": 0xFEEF04BD,
    "struc_version": 0x00010000,
    "file_ms": 0x00010000, "file_ls": 0,            # 1.0.0.0
    "product_ms": 0x00010000, "product_ls": 0,      # 1.0.0.0
    "flags_mask": 0x3F,
    "flags": 0,
    "os": 4,                                        # VOS__WINDOWS32
    "type": 1,                                      # VFT_APP
    "subtype": 0,
    "date_ms": 0, "date_ls": 0,
}
EXPECTED_STRINGS = {"040904E4": {"FileVersion": "1.0.0.0", "ProductVersion": "1.0.0.0"}}
EXPECTED_TRANSLATIONS = [(0x0409, 1252)]


def version_problems(data):
    try:
        key, _kind, value, children = parse_version_node(data)
    except (ValueError, struct.error, UnicodeDecodeError) as error:
        return [f"version record unreadable: {error}"]
    if key != "VS_VERSION_INFO":
        return [f"version record key {key!r}"]
    if len(value) != 52:
        return [f"fixed part is {len(value)} bytes, not 52"]
    problems = []
    fixed = dict(zip(FIXED_FIELDS, struct.unpack("<13I", value)))
    for field, expected in EXPECTED_FIXED.items():
        if fixed[field] != expected:
            problems.append(f"fixed part: {field} is 0x{fixed[field]:X}, expected 0x{expected:X}")

    strings, translations, others = {}, [], []
    for child_key, _k, _v, grandchildren in children:
        if child_key == "StringFileInfo":
            for table_key, _tk, _tv, entries in grandchildren:
                table = strings.setdefault(table_key, {})
                for name, kind, text, _none in entries:
                    table[name] = text.decode("utf-16-le").rstrip("\0") if kind == 1 else text
        elif child_key == "VarFileInfo":
            for var_key, _vk, var_value, _none in grandchildren:
                if var_key != "Translation":
                    others.append(f"VarFileInfo\\{var_key}")
                    continue
                translations += list(struct.iter_unpack("<HH", var_value))
        else:
            others.append(child_key)
    if others:
        problems.append(f"unexpected blocks {others}")
    if strings != EXPECTED_STRINGS:
        problems.append(f"string table {strings}, expected {EXPECTED_STRINGS}")
    if translations != EXPECTED_TRANSLATIONS:
        problems.append(f"translations {[(hex(l), c) for l, c in translations]}, expected 0x0409 / 1252")
    return problems


# --- manifest ------------------------------------------------------------------------------

def _local_name(tag):
    return tag.rsplit("}", 1)[-1]


def manifest_problems(text):
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        return [f"manifest is not XML: {error}"]
    problems = []
    if root.tag != ASM_V1 + "assembly":
        problems.append(f"root element {root.tag}, not an asm.v1 assembly")
    if root.get("manifestVersion") != "1.0":
        problems.append(f"manifestVersion {root.get('manifestVersion')!r}")

    identities = [identity for identity in root.iter()
                  if _local_name(identity.tag) == "assemblyIdentity"
                  and identity.get("name") == COMMON_CONTROLS["name"]]
    path = f"{ASM_V1}dependency/{ASM_V1}dependentAssembly/{ASM_V1}assemblyIdentity"
    dependencies = root.findall(path)
    if len(identities) != 1 or len(dependencies) != 1 or dependencies[0] is not identities[0]:
        problems.append("expected exactly one dependency, on the common controls")
    else:
        attributes = dict(dependencies[0].attrib)
        if attributes != COMMON_CONTROLS:
            problems.append(f"common controls dependency {attributes}, expected {COMMON_CONTROLS}")

    levels = [element for element in root.iter() if _local_name(element.tag) == "requestedExecutionLevel"]
    level_path = (f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/"
                  f"{ASM_V3}requestedExecutionLevel")
    placed = root.findall(level_path)
    if len(levels) != 1 or len(placed) != 1:
        problems.append("expected one requestedExecutionLevel under trustInfo/security/requestedPrivileges")
    elif dict(placed[0].attrib) != {"level": "asInvoker", "uiAccess": "false"}:
        problems.append(f"requestedExecutionLevel {dict(placed[0].attrib)}, expected asInvoker, uiAccess false")

    for element in root.iter():
        if _local_name(element.tag).lower() in ("dpiaware", "dpiawareness"):
            problems.append(f"declares DPI awareness: <{_local_name(element.tag)}>")
    return problems


# --- pictures ------------------------------------------------------------------------------

def jpeg_problems(data, width, height):
    """A baseline JFIF 1.01 file of 8-bit samples and three components."""
    if data[:2] != b"\xff\xd8":
        return ["banner: no JPEG start marker"]
    problems = []
    frames = []
    jfif = None
    position = 2
    while position + 4 <= len(data):
        if data[position] != 0xFF:
            return problems + [f"banner: no marker at byte {position}"]
        marker = data[position + 1]
        length = struct.unpack_from(">H", data, position + 2)[0]
        body = data[position + 4:position + 2 + length]
        if marker == 0xE0 and body[:5] == b"JFIF\0":
            jfif = (body[5], body[6])
        elif 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            frames.append((marker, body))
        if marker == 0xDA:
            break
        position += 2 + length
    if jfif != (1, 1):
        problems.append(f"banner: JFIF version {jfif}, expected 1.01")
    if len(frames) != 1 or frames[0][0] != 0xC0:
        problems.append(f"banner: frame markers {[hex(m) for m, _ in frames]}, expected one baseline SOF0")
    else:
        precision, lines, samples, components = struct.unpack_from(">BHHB", frames[0][1])
        if (precision, samples, lines, components) != (8, width, height, 3):
            problems.append(f"banner: {precision}-bit, {samples} x {lines}, {components} components; "
                            f"expected 8-bit, {width} x {height}, 3 components")
    return problems


def png_problems(data, width, height):
    """An RGBA PNG, 8 bits a channel, not interlaced, with the critical chunks only."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return ["purchase picture: no PNG signature"]
    chunks = []
    position = 8
    while position + 8 <= len(data):
        length, kind = struct.unpack_from(">I4s", data, position)
        chunks.append((kind.decode("latin-1"), data[position + 8:position + 8 + length]))
        position += 12 + length
    problems = []
    if not chunks or chunks[0][0] != "IHDR" or chunks[-1][0] != "IEND":
        return problems + [f"purchase picture: chunks {[k for k, _ in chunks]}"]
    header = struct.unpack(">IIBBBBB", chunks[0][1])
    if header != (width, height, 8, 6, 0, 0, 0):
        problems.append(f"purchase picture header {header}, expected {width} x {height}, 8-bit RGBA, "
                        "not interlaced")
    extra = sorted({kind for kind, _ in chunks} - {"IHDR", "IDAT", "IEND"})
    if extra:
        problems.append(f"purchase picture carries ancillary chunks {extra}")
    return problems
