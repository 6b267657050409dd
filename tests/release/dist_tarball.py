#!/usr/bin/env python3
"""Runs scripts/dist.sh for the Linux archive and the disc image, twice, and checks what
it writes: the same bytes both times; one folder holding exactly the expected entries,
owned by root with fixed dates and modes; both programs the ones built (the 32-bit Windows
one and the x86_64 Linux one, the GTK edition built in the Debian 11 root, which passes
the checks of that build: symbol versions, desktop libraries, a fixed-address executable,
hardening); empty folders; a desktop entry, icons and metainfo that name each other and
the program consistently. The disc image, read back with xorriso: the same files at its
root under the same Rock Ridge names, read-only, the programs' execute bits kept; the
same names in its Joliet tree, which Windows reads; autorun.inf and autorun; the label.
Exits 77 (skipped) without root: the root build needs chroot.

    dist_tarball.py <source root> <built ZelProject (Linux, Debian 11 root)> <built ZelProject.exe>"""
import configparser
import hashlib
import os
import re
import struct
import subprocess
import sys
import tarfile
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

root, elf, exe = Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3])
if os.geteuid() != 0:
    print("SKIPPED: the archive's Linux program is built in a Debian root, which needs chroot, and so root")
    sys.exit(77)
sys.path.insert(0, str(root / "tools/dist"))
import check_portable  # noqa: E402
archive = root / "build/dist/ZelLauncher-1.0.0-linux-x86_64.tar.gz"
image = root / "build/dist/ZelLauncher-1.0.0.iso"
APP = "com.example.ZelProject"
TOP = "ZelLauncher-1.0.0"
SIZES = (16, 32, 48, 256)


def dist() -> tuple[bytes, bytes]:
    for what in ("tar", "iso"):
        subprocess.run([str(root / "scripts/dist.sh"), what], check=True, stdout=subprocess.DEVNULL)
    return archive.read_bytes(), image.read_bytes()


def disc(*how: str) -> list[tuple[str, str]]:
    """Every node of the disc image as xorriso lists it (mode string, path), with how to read it."""
    out = subprocess.run(["xorriso", *how, "-indev", str(image), "-find", "/", "-exec", "lsdl", "--"],
                         capture_output=True, env={**os.environ, "LANG": "C.UTF-8"}).stdout.decode("utf-8", "replace")
    return re.findall(r"^([-d][-rwx]{9})\s.*?'(/.*)'$", out, re.M)


failures = []
first, first_image = dist()
again, again_image = dist()
if hashlib.sha256(again).digest() != hashlib.sha256(first).digest():
    failures.append("two runs gave different archives")
if hashlib.sha256(again_image).digest() != hashlib.sha256(first_image).digest():
    failures.append("two runs gave different disc images")

files = {
    "ZelProject": 0o755, "ZelProject.exe": 0o644, "Прочтите.txt": 0o644,
    f"share/applications/{APP}.desktop": 0o644, f"share/metainfo/{APP}.metainfo.xml": 0o644,
    **{f"share/icons/hicolor/{n}x{n}/apps/{APP}.png": 0o644 for n in SIZES},
}
with tarfile.open(archive, encoding="utf-8") as t:
    members = {m.name: m for m in t.getmembers()}
    dirs = {n for n, m in members.items() if m.isdir()}
    names = {n[len(TOP) + 1:] if n != TOP else "" for n in members}
    expected = set(files) | {"", "Документы", "Примеры"}
    for name in list(files):
        parent = name.rpartition("/")[0]
        while parent:
            expected.add(parent)
            parent = parent.rpartition("/")[0]
    if names != expected:
        failures.append(f"entries missing {sorted(expected - names)}, unexpected {sorted(names - expected)}")
    for m in members.values():
        if (m.uid, m.gid, m.mtime) != (0, 0, 1767225600):
            failures.append(f"{m.name}: owner {m.uid}:{m.gid}, date {m.mtime}")
        mode = 0o755 if m.isdir() else files.get(m.name[len(TOP) + 1:], -1)
        if m.mode != mode or not (m.isdir() or m.isfile()):
            failures.append(f"{m.name}: mode {oct(m.mode)} (type {m.type!r}), expected {oct(mode)}")
    read = lambda name: t.extractfile(f"{TOP}/{name}").read() if f"{TOP}/{name}" in members else b""

    if read("ZelProject") != elf.read_bytes():
        failures.append("ZelProject in the archive is not the Linux program built")
    if read("ZelProject")[:4] != b"\x7fELF" or read("ZelProject")[18:20] != b"\x3e\x00":
        failures.append("ZelProject in the archive is not an x86_64 ELF")
    else:
        with tempfile.NamedTemporaryFile(prefix="zel-dist-") as linux:
            linux.write(read("ZelProject"))
            linux.flush()
            needed = check_portable.check_elf.readelf(linux.name)
            if "[libgtk-3.so.0]" not in needed or "libQt" in needed:
                failures.append("ZelProject in the archive is not the GTK edition")
            listed = check_portable.read_list(str(root / "res/linux/desktop-libraries.txt"))
            for check, fault in check_portable.faults(linux.name, listed).items():
                if fault:
                    failures.append(f"ZelProject in the archive: {check}: {fault}")
    win = read("ZelProject.exe")
    if win != exe.read_bytes():
        failures.append("ZelProject.exe in the archive is not the Windows program built")
    if win[:2] != b"MZ" or win[win[0x3C] | win[0x3D] << 8:][4:6] != b"\x4c\x01":
        failures.append("ZelProject.exe in the archive is not a 32-bit x86 executable")
    for folder in ("Документы", "Примеры"):
        if any(n.startswith(f"{TOP}/{folder}/") for n in members):
            failures.append(f"the folder {folder} is not empty")
    note = read("Прочтите.txt").decode("utf-8")
    # ...and what a stick's file system does to the Linux program, with the ways round FAT32.
    for word in ("Документы", "Примеры", "ZelProject.exe", "ZelProject ", f"{APP}.desktop",
                 "exFAT", "NTFS", "ext4", "FAT32", "showexec", "chmod +x ZelProject",
                 "/lib64/ld-linux-x86-64.so.2 ./ZelProject"):
        if word not in note:
            failures.append(f"the note does not mention {word.strip()}")

    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read_string(read(f"share/applications/{APP}.desktop").decode("utf-8"))
    desktop = entry["Desktop Entry"] if entry.has_section("Desktop Entry") else {}
    for key, value in {"Exec": "ZelProject", "Icon": APP, "StartupWMClass": "ZelProject",
                       "Type": "Application", "Name": "ВЕЛТ (Demo)"}.items():
        if desktop.get(key) != value:
            failures.append(f"desktop entry {key}={desktop.get(key)!r}, expected {value!r}")
    for n in SIZES:
        png = read(f"share/icons/hicolor/{n}x{n}/apps/{APP}.png")
        # IHDR: width, height, bit depth, colour type 6 (RGBA): the icon set's 32-bit image.
        if png[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">IIBB", png[16:26]) != (n, n, 8, 6):
            failures.append(f"the {n}x{n} icon is not a {n}x{n} RGBA PNG")

    meta = ET.fromstring(read(f"share/metainfo/{APP}.metainfo.xml") or b"<none/>")
    checks = {"id": APP, "launchable": f"{APP}.desktop", "provides/binary": "ZelProject"}
    for path, value in checks.items():
        if meta.findtext(path) != value:
            failures.append(f"metainfo {path}={meta.findtext(path)!r}, expected {value!r}")
    versions = [r.get("version") for r in meta.iterfind("releases/release")]
    if versions[:1] != ["1.0.0.0"]:
        failures.append(f"metainfo releases {versions}, expected 1.0.0.0 first")

    # The disc: the archive's folder at its root, and what starts it from there.
    on_disc = {n: m for m, n in disc()}
    want = {"/": "dr-xr-xr-x", "/autorun": "-r-xr-xr-x", "/autorun.inf": "-r--r--r--"}
    for name in expected - {""}:
        want["/" + name] = ("dr-xr-xr-x" if name not in files else "-r-xr-xr-x" if files[name] & 0o111
                            else "-r--r--r--")
    if on_disc != want:
        failures.append(f"disc (Rock Ridge): {sorted(set(on_disc.items()) ^ set(want.items()))} differ")
    joliet = {n for _, n in disc("-read_fs", "norock")}
    if joliet != set(want):
        failures.append(f"disc (Joliet): names missing {sorted(set(want) - joliet)}, unexpected {sorted(joliet - set(want))}")
    with tempfile.TemporaryDirectory(prefix="zel-disc-") as into:
        subprocess.run(["osirrox", "-indev", str(image), "-extract", "/", into], check=True, capture_output=True)
        for name in files:
            if Path(into, name).read_bytes() != read(name):
                failures.append(f"disc: {name} is not the archive's")
        inf = Path(into, "autorun.inf").read_bytes()
        lines = inf.decode("utf-16") if inf[:2] == b"\xff\xfe" else ""
        if lines.split("\r\n")[:4] != ["[autorun]", "open=ZelProject.exe", "icon=ZelProject.exe,0",
                                          "label=ВЕЛТ (Demo)"]:
            failures.append(f"autorun.inf is {inf[:80]!r}")
        script = Path(into, "autorun").read_text(encoding="ascii", errors="replace")
        if not script.startswith("#!/bin/sh\n") or "exec ./ZelProject" not in script:
            failures.append("autorun does not start ./ZelProject")
    label = subprocess.run(["xorriso", "-indev", str(image), "-pvd_info"], capture_output=True, text=True).stdout
    if "Volume Id    : ZELLAUNCHER_1_0_0" not in label:
        failures.append("the disc's label is not ZELLAUNCHER_1_0_0")

for f in failures:
    print("FAIL:", f)
print("linux dist archive and disc image:", "bad" if failures else "good",
      f"({len(first)} and {len(first_image)} bytes)")
sys.exit(1 if failures else 0)
