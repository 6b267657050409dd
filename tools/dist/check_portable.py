#!/usr/bin/env python3
"""Checks that the shipped Linux program starts on every desktop it is built for: it asks
for no symbol version newer than Debian 11 gives (glibc 2.31, GCC 10's C++ runtime), every
library it needs is one that all the desktops install (the list in res/linux), it is a
fixed-address executable (which Debian 11's file managers run; a position-independent one
they take for a shared library), and it is hardened as the other Linux builds are
(tests/elf/check_elf.py's checks).

    check_portable.py <elf> <library list> [--expect-faults NAME,...]

With --expect-faults the named checks must fail and the others pass: run on a program built
on a newer system or against another toolkit, it proves the checks see what they guard."""
import re
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests/elf"))
import check_elf  # noqa: E402

# The newest version of each versioned runtime in Debian 11 (glibc 2.31, GCC 10).
NEWEST = {"GLIBC": (2, 31), "GLIBCXX": (3, 4, 28), "CXXABI": (1, 3, 12)}


def version(text: str) -> tuple[int, ...]:
    return tuple(int(p) for p in text.split("."))


def read_list(path: str) -> set[str]:
    names = set()
    for line in Path(path).read_text(encoding="utf-8").splitlines():
        line = line.split("#", 1)[0].split()
        if line:
            names.add(line[0])
    return names


def faults(elf: str, allowed: set[str]) -> dict[str, str | None]:
    found = {k: v for k, v in check_elf.faults(elf, fixed_address=True).items() if k != "libraries"}
    dynamic = subprocess.run(["objdump", "-T", elf], check=True, capture_output=True, text=True).stdout
    too_new = sorted({f"{m[0]}_{m[1]}" for m in re.findall(r"\b(GLIBC|GLIBCXX|CXXABI)_([0-9][0-9.]*)\b", dynamic)
                      if version(m[1]) > NEWEST[m[0]]}, key=lambda v: (v.split("_")[0], version(v.split("_")[1])))
    found["symbol_versions"] = None if not too_new else f"needs {' '.join(too_new)}, newer than Debian 11 gives"
    needed = re.findall(r"\(NEEDED\)\s+Shared library: \[(.*)\]", check_elf.readelf(elf))
    strangers = [n for n in needed if n not in allowed]
    found["desktop_libraries"] = (None if needed and not strangers
                                  else f"not on every desktop: {' '.join(strangers) or '(no libraries at all)'}")
    return found


def main() -> int:
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    elf, listed = sys.argv[1], sys.argv[2]
    expected = set()
    if "--expect-faults" in sys.argv[3:]:
        expected = set(sys.argv[sys.argv.index("--expect-faults") + 1].split(","))
    found = faults(elf, read_list(listed))
    unknown = expected - set(found)
    if unknown:
        print(f"no such check: {' '.join(sorted(unknown))}", file=sys.stderr)
        return 2
    failures = 0
    for check, fault in found.items():
        ok = (fault is not None) == (check in expected)
        if check in expected:
            print(f"{'ok  ' if ok else 'MISSED'} {check}: {fault or 'passed, though it should not'}")
        else:
            print(f"{'ok  ' if ok else 'FAIL'} {check}{': ' + fault if fault else ''}")
        failures += not ok
    print(f"{elf}: {'as expected' if not failures else f'{failures} check(s) wrong'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
