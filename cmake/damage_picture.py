#!/usr/bin/env python3
"""Copies the resource folder and damages one picture in the copy, for test builds
that prove a picture that cannot be read is reported and not drawn from garbage."""
import shutil
import sys
from pathlib import Path

source, target, kind = Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3]
target.mkdir(parents=True, exist_ok=True)
for name in ("banner.jpg", "buy.png", "ZelProject.ico", "ZelProject.manifest"):
    shutil.copyfile(source / name, target / name)

if kind == "picture":
    # A wrong CRC in the PNG header chunk.
    data = bytearray((target / "buy.png").read_bytes())
    data[29] ^= 0xFF
    (target / "buy.png").write_bytes(bytes(data))
elif kind == "banner-header":
    # Still a JPEG (it starts with SOI) but its header ends at once.
    (target / "banner.jpg").write_bytes(b"\xff\xd8\xff\xe0\x00\x10JFIF")
elif kind == "banner-pixels":
    # The header still gives the size, but the quantization tables (DQT segments)
    # are taken out, so decoding the pixels fails in the JPEG library. (A scan cut
    # short would not do: the library only warns and fills the rest in grey.)
    data = (target / "banner.jpg").read_bytes()
    out, at = bytearray(data[:2]), 2
    while data[at + 1] != 0xDA:  # up to the start of the scan
        length = int.from_bytes(data[at + 2 : at + 4], "big")
        if data[at + 1] != 0xDB:
            out += data[at : at + 2 + length]
        at += 2 + length
    out += data[at:]
    (target / "banner.jpg").write_bytes(bytes(out))
else:
    sys.exit(f"unknown damage {kind}")
