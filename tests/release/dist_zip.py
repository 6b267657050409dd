#!/usr/bin/env python3
"""Runs scripts/dist.sh and checks the archive it writes: its listing, that its
names are marked UTF-8, that the program in it is the one built, and that the
folders are empty."""
import hashlib
import subprocess
import sys
import zipfile
from pathlib import Path

root = Path(sys.argv[1])
built = Path(sys.argv[2])
subprocess.run([str(root / "scripts/dist.sh"), "zip"], check=True, stdout=subprocess.DEVNULL)
archive = root / "build/dist/ZelLauncher-1.0.0.zip"
failures = []
with zipfile.ZipFile(archive) as z:
    names = z.namelist()
    expected = ["ZelProject.exe", "Документы/", "Примеры/", "Прочтите.txt"]
    if names != expected:
        failures.append(f"listing {names} != {expected}")
    for info in z.infolist():
        if not info.filename.isascii() and not info.flag_bits & 0x800:
            failures.append(f"{info.filename!r} is not marked as UTF-8")
    exe = z.read("ZelProject.exe") if "ZelProject.exe" in names else b""
    if hashlib.sha256(exe).digest() != hashlib.sha256(built.read_bytes()).digest():
        failures.append("the program in the archive is not the one built")
    if exe[:2] != b"MZ" or exe[exe[0x3C] | exe[0x3D] << 8:][4:6] != b"\x4c\x01":
        failures.append("the program in the archive is not a 32-bit x86 executable")
    note = z.read("Прочтите.txt").decode("utf-8-sig") if "Прочтите.txt" in names else ""
    for word in ("Документы", "Примеры", "ZelProject.exe"):
        if word not in note:
            failures.append(f"the note does not mention {word}")
    if z.testzip() is not None:
        failures.append("the archive is damaged")
for f in failures:
    print("FAIL:", f)
print("dist archive:", "bad" if failures else "good", f"({archive.stat().st_size} bytes)")
sys.exit(1 if failures else 0)
