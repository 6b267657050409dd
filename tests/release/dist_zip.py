#!/usr/bin/env python3
"""Runs scripts/dist.sh twice and checks the Windows archive it writes: the same bytes both
times; its listing; each name that is not ASCII stored in code page 866 without the UTF-8
flag (as Windows' own extraction reads it on a Russian system), with the Info-ZIP Unicode
Path field (version 1, the CRC-32 of the stored name, the UTF-8 name) in the local and the
central header; Unix modes stored; the program in it the one built, the folders empty; and
unzip, bsdtar and 7z each listing and extracting the exact names."""
import hashlib
import os
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib
from pathlib import Path

root = Path(sys.argv[1])
built = Path(sys.argv[2])
archive = root / "build/dist/ZelLauncher-1.0.0.zip"
EXPECTED = ["ZelProject.exe", "Документы/", "Примеры/", "Прочтите.txt"]
MODES = {"ZelProject.exe": 0o100644, "Документы/": 0o40755, "Примеры/": 0o40755, "Прочтите.txt": 0o100644}


def dist() -> bytes:
    subprocess.run([str(root / "scripts/dist.sh"), "zip"], check=True, stdout=subprocess.DEVNULL)
    return archive.read_bytes()


def extra_fields(extra: bytes) -> dict[int, bytes]:
    fields, at = {}, 0
    while at + 4 <= len(extra):
        tag, size = struct.unpack_from("<HH", extra, at)
        fields[tag] = extra[at + 4:at + 4 + size]
        at += 4 + size
    return fields


def check_header(where: str, stored: bytes, flags: int, extra: bytes, failures: list[str]) -> str:
    """The name a header gives, CP866 as Windows reads it; what is wrong goes to failures."""
    name = stored.decode("cp866")
    if flags & 0x800:
        failures.append(f"{where} {name!r}: the UTF-8 flag is set")
    field = extra_fields(extra).get(0x7075)
    if name.isascii():
        if field is not None:
            failures.append(f"{where} {name!r}: a Unicode Path field on an ASCII name")
    elif field is None or field[0] != 1 or struct.unpack_from("<I", field, 1)[0] != zlib.crc32(stored) \
            or field[5:].decode("utf-8", "replace") != name:
        failures.append(f"{where} {name!r}: Unicode Path field {field!r}, not version 1, CRC of the stored name, "
                        "the name in UTF-8")
    return name


failures = []
first = dist()
if hashlib.sha256(dist()).digest() != hashlib.sha256(first).digest():
    failures.append("two runs gave different archives")
with zipfile.ZipFile(archive) as z:
    names = []
    for info in z.infolist():
        # zipfile gives an unflagged name decoded as code page 437, which holds every byte.
        stored = info.orig_filename.encode("utf-8" if info.flag_bits & 0x800 else "cp437")
        central = check_header("central", stored, info.flag_bits, info.extra, failures)
        local = first[info.header_offset:info.header_offset + 30]
        size, extra_size = struct.unpack_from("<HH", local, 26)
        at = info.header_offset + 30
        flags = struct.unpack_from("<H", local, 6)[0]
        check_header("local", first[at:at + size], flags, first[at + size:at + size + extra_size], failures)
        names.append(central)
        if info.external_attr >> 16 != MODES.get(central):
            failures.append(f"{central}: Unix mode {oct(info.external_attr >> 16)}")
    if names != EXPECTED:
        failures.append(f"listing {names} != {EXPECTED}")
    members = z.infolist()
    read = lambda i: z.read(members[i]) if len(members) > i else b""
    exe = read(0)
    if hashlib.sha256(exe).digest() != hashlib.sha256(built.read_bytes()).digest():
        failures.append("the program in the archive is not the one built")
    if exe[:2] != b"MZ" or exe[exe[0x3C] | exe[0x3D] << 8:][4:6] != b"\x4c\x01":
        failures.append("the program in the archive is not a 32-bit x86 executable")
    note = read(3).decode("utf-8-sig")
    for word in ("Документы", "Примеры", "ZelProject.exe"):
        if word not in note:
            failures.append(f"the note does not mention {word}")
    if z.testzip() is not None:
        failures.append("the archive is damaged")

# What each tool lists and extracts (under a UTF-8 locale, as a desktop's).
env = {**os.environ, "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}
tools = {
    "unzip": (["unzip", "-Z1", str(archive)], ["unzip", "-q", str(archive), "-d", "{}"]),
    "bsdtar": (["bsdtar", "-tf", str(archive)], ["bsdtar", "-xf", str(archive), "-C", "{}"]),
    "7z": (["7z", "l", "-slt", "-ba", str(archive)], ["7z", "x", "-y", "-bd", "-o{}", str(archive)]),
}
want = {n.rstrip("/") for n in EXPECTED}
for tool, (listing, extract) in tools.items():
    out = subprocess.run(listing, capture_output=True, env=env).stdout.decode("utf-8", "replace").splitlines()
    listed = {line.removeprefix("Path = ").rstrip("/") for line in out if tool != "7z" or line.startswith("Path = ")}
    if listed != want:
        failures.append(f"{tool} lists {sorted(listed)}")
    with tempfile.TemporaryDirectory(prefix="zel-zip-") as into:
        subprocess.run([a.replace("{}", into) for a in extract], capture_output=True, env=env)
        got = {str(p.relative_to(into)) for p in Path(into).rglob("*")}
        if got != want or not (Path(into) / "Документы").is_dir() or \
                (Path(into) / "ZelProject.exe").read_bytes() != built.read_bytes():
            failures.append(f"{tool} extracts {sorted(got)}")
for f in failures:
    print("FAIL:", f)
print("dist archive:", "bad" if failures else "good", f"({archive.stat().st_size} bytes)")
sys.exit(1 if failures else 0)
