#!/usr/bin/env bash
# Builds the shipped Linux program, the GTK edition, in the Debian 11 root that
# scripts/roots.sh makes (g++ 10, CMake 3.18, GTK 3.24.24, glibc 2.31), so that the one build
# starts on Debian 11 and every newer release; then checks what it built and fails on any
# fault: a symbol version newer than Debian 11 gives, a library that not every desktop
# installs, a protection missing (tools/dist/check_portable.py).
#
#   scripts/build-bullseye.sh [BUILD FOLDER]    default build/roots-bullseye; writes ZelProject there
#
# The checkout is mounted in the root at /mnt/src and built with explicit options (the presets
# need CMake 3.25), the program alone. ZEL_VENDOR_HOST, when set, names the purchase page's host.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="$(realpath -m "${1:-$ROOT/build/roots-bullseye}")"
case "$OUT/" in
  "$ROOT"/*) ;;
  *) echo "build-bullseye: the build folder must lie in the checkout ($ROOT)" >&2; exit 2 ;;
esac
INSIDE="/mnt/src/${OUT#"$ROOT"/}"
options=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DZEL_TOOLKIT=gtk -DZEL_PROGRAM_ONLY=ON)
[[ -n "${ZEL_VENDOR_HOST:-}" ]] && options+=("-DZEL_VENDOR_HOST=$ZEL_VENDOR_HOST")

"$ROOT/scripts/roots.sh" make bullseye-build
mkdir -p "$OUT"
started=$SECONDS
# One build at a time in the folder.
flock "$OUT/.lock" "$ROOT/scripts/roots.sh" run bullseye-build --bind "$ROOT:src" -- \
  sh -c 'out="$1"; shift; cmake -S /mnt/src -B "$out" "$@" >/dev/null && cmake --build "$out" --target ZelProject' \
  sh "$INSIDE" "${options[@]}"
echo "build-bullseye: built $OUT/ZelProject in $((SECONDS - started)) s"
/usr/bin/python3 -B "$ROOT/tools/dist/check_portable.py" "$OUT/ZelProject" "$ROOT/res/linux/desktop-libraries.txt"
