#!/usr/bin/env python3
"""Checks that a Linux executable is built as a distribution would harden it:
a position-independent executable (or, with --fixed-address, one at a fixed
address, which every shared-mime-info types as a program), full RELRO, no run
path, a stack that does not execute, the stack protector and fortified calls in
use, and shared libraries only from the toolkit, the picture libraries and the
C/C++ runtime, found by name through the system's search path.

    check_elf.py <elf> [--fixed-address] [--expect-all-faults]

With --expect-all-faults it passes only if every check fails: run on a binary
built without any of the hardening (and of the other kind of executable), it
proves each check can see its fault."""
import re
import subprocess
import sys

# Qt, or GTK 3 with what it is built on (GLib, GIO, cairo, Pango, HarfBuzz, ATK, Xlib),
# xcb (under Xlib and Qt's X platform alike; the window manager is asked for the frame),
# Xinerama (under GDK; the heads of a screen RandR sees as one),
# the JPEG library (version-62 interface), zlib, the C and C++ runtime.
ALLOWED = re.compile(
    r"libQt[56](Core|Gui|Widgets|DBus)\.so\.[56]|libjpeg\.so\.62|libz\.so\.1|"
    r"lib(gtk|gdk)-3\.so\.0|libgdk_pixbuf-2\.0\.so\.0|lib(glib|gobject|gio)-2\.0\.so\.0|libcairo\.so\.2|"
    r"libpango(cairo)?-1\.0\.so\.0|libharfbuzz\.so\.0|libatk-1\.0\.so\.0|libX11\.so\.6|libXinerama\.so\.1|libxcb\.so\.1|"
    r"libstdc\+\+\.so\.6|libgcc_s\.so\.1|libc\.so\.6|libm\.so\.6|ld-linux-x86-64\.so\.2")


def readelf(path: str) -> str:
    return subprocess.run(["readelf", "-W", "--file-header", "--program-headers", "--dynamic",
                           "--dyn-syms", path], check=True, capture_output=True, text=True).stdout


def faults(path: str, fixed_address: bool = False) -> dict[str, str | None]:
    """Each check's name and what is wrong, None where it passes."""
    text = readelf(path)
    elf_type = re.search(r"^\s*Type:\s+(\S+)", text, re.M)
    flags = " ".join(re.findall(r"\((?:FLAGS|FLAGS_1)\)\s+(?:Flags:)?\s*(.*)", text))
    stack = re.search(r"^\s*GNU_STACK\s+(?:\S+\s+){5}(.+?)\s+0x[0-9a-f]+$", text, re.M)
    needed = re.findall(r"\(NEEDED\)\s+Shared library: \[(.*)\]", text)
    run_paths = re.findall(r"\((RPATH|RUNPATH)\)\s+Library \w+: \[(.*)\]", text)
    # Undefined dynamic symbols: what the program calls in the C library.
    imports = set(re.findall(r"\sUND\s+([^\s@]+)", text))
    fortified = sorted(s for s in imports if re.fullmatch(r"__\w+_chk", s) and s != "__stack_chk_fail")
    strangers = [n for n in needed if "/" in n or not ALLOWED.fullmatch(n)]
    kind = f"type {elf_type[1] if elf_type else '?'}, flags '{flags}'"
    # shared-mime-info before 2.1 types an ELF file by its type alone: DYN is a shared library.
    address = ({"fixed_address": None if elf_type and elf_type[1] == "EXEC" and "PIE" not in flags.split()
                else f"{kind}: not a fixed-address executable, typed application/x-sharedlib by "
                     "shared-mime-info before 2.1, so file managers do not run it"}
               if fixed_address else
               {"pie": None if elf_type and elf_type[1] == "DYN" and "PIE" in flags.split()
                else f"{kind}: not a position-independent executable"})
    return {
        **address,
        "relro": None if "GNU_RELRO" in text else "no PT_GNU_RELRO segment",
        "bind_now": None if "BIND_NOW" in flags or "NOW" in flags.split()
        else f"flags '{flags}': symbols are bound lazily, so the GOT stays writable",
        "no_run_path": None if not run_paths else f"run paths {run_paths}",
        "stack_not_executable": None if stack and "E" not in stack[1]
        else f"stack segment {'flags ' + stack[1] if stack else 'missing'}: the stack may execute",
        "stack_protector": None if "__stack_chk_fail" in imports else "no __stack_chk_fail: no stack protector",
        "fortify": None if fortified else "no __*_chk function: not built with _FORTIFY_SOURCE",
        "libraries": None if needed and not strangers else f"unexpected shared libraries {strangers or 'none'}",
    }


def main() -> int:
    path = sys.argv[1]
    expect_faults = "--expect-all-faults" in sys.argv[2:]
    found = faults(path, "--fixed-address" in sys.argv[2:])
    failures = 0
    for check, fault in found.items():
        if expect_faults:
            ok = fault is not None
            print(f"{'ok  ' if ok else 'MISSED'} {check}: {fault or 'passed, though the binary lacks it'}")
        else:
            ok = fault is None
            print(f"{'ok  ' if ok else 'FAIL'} {check}{'' if ok else ': ' + fault}")
        failures += not ok
    print(f"{path}: {'hardened' if not expect_faults and not failures else 'every fault seen' if not failures else f'{failures} check(s) failed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
