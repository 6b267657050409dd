#!/usr/bin/env python3
"""Checks the house's floors: an include never runs from a lower layer of src/ to a
higher one, a platform's folder never includes another platform's, and the
platform-free layers include no platform header."""
import pathlib
import re
import sys

# Floors from the ground up; the platforms share the top floor. xdg holds what the
# Linux desktops share whichever toolkit draws (paths as bytes, xdg-open, the file manager).
RANKS = {"core": 0, "picture": 1, "controls": 1, "form": 2, "": 3, "xdg": 3, "win": 4, "qt": 4, "gtk": 4}
PLATFORMS = {"win", "qt", "gtk"}
PLATFORM_HEADER = re.compile(r"#\s*include\s*<(windows\.h|Q[A-Za-z]*|Qt[A-Za-z]+/|gtk/|gdk/|glib|gio/|cairo|X11/|atk/|dbus)")
LOCAL = re.compile(r'#\s*include\s*"([^"]+)"')


def layer(rel: pathlib.PurePosixPath) -> str:
    return rel.parts[0] if len(rel.parts) > 1 else ""


def main(src: pathlib.Path) -> int:
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in {".h", ".cpp", ".inc"}:
            continue
        rel = pathlib.PurePosixPath(path.relative_to(src).as_posix())
        own = layer(rel)
        if own not in RANKS:
            faults.append(f"{rel}: in no known layer")
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            m = LOCAL.match(line.strip())
            if m:
                target = layer(pathlib.PurePosixPath(m.group(1)))
                if target not in RANKS:
                    continue  # a file beside it, as "CaseMapping.inc"
                if RANKS[target] > RANKS[own]:
                    faults.append(f"{rel}:{number}: includes {m.group(1)} from a higher layer")
                elif target in PLATFORMS and own in PLATFORMS and target != own:
                    faults.append(f"{rel}:{number}: includes {m.group(1)} from another platform")
                continue
            h = PLATFORM_HEADER.match(line.strip())
            if h and own not in PLATFORMS:
                faults.append(f"{rel}:{number}: platform header <{h.group(1)}...> in a platform-free layer")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1])))
