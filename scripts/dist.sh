#!/usr/bin/env bash
# Builds the release and writes the archives:
#   build/dist/ZelLauncher-1.0.0.zip                 the Windows program alone;
#   build/dist/ZelLauncher-1.0.0-linux-x86_64.tar.gz both programs side by side, with
#                                                    the desktop entry, icons and metainfo;
#   build/dist/ZelLauncher-1.0.0.iso                 the same as a disc image (Rock Ridge and
#                                                    Joliet), with autorun.inf and autorun.
# The Linux program is the GTK edition built in a Debian 11 root (scripts/build-bullseye.sh),
# so that it starts on Debian 11 and every newer desktop.
#
#   scripts/dist.sh [zip|tar|iso]     one of them only (default: all three)
# ZEL_WIN32_BUILD names another build folder of the win32 preset (default build/win32),
# ZEL_LINUX_BUILD one of the linux-gtk preset, which gives the desktop files (default
# build/linux-gtk), ZEL_SHIPPED_BUILD the Debian 11 root's (default build/roots-bullseye).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
WHAT="${1:-all}"
[[ "$WHAT" =~ ^(zip|tar|iso|all)$ ]] || { echo "usage: scripts/dist.sh [zip|tar|iso]" >&2; exit 2; }
WIN32_BUILD="${ZEL_WIN32_BUILD:-build/win32}"
LINUX_BUILD="${ZEL_LINUX_BUILD:-build/linux-gtk}"
SHIPPED_BUILD="${ZEL_SHIPPED_BUILD:-build/roots-bullseye}"

build() {
  local preset="$1" dir="$2"
  shift 2
  cmake --preset "$preset" -B "$dir" >/dev/null
  if [[ "$preset" == linux* ]]; then
    # Others build the Linux presets too: one build at a time in a folder.
    flock /tmp/zel-linux-build.lock cmake --build "$dir" --target "$@"
  else
    cmake --build "$dir" --target "$@"
  fi
}

"$ROOT/scripts/setup.sh"
build win32 "$WIN32_BUILD" ZelProject
mkdir -p build/dist
if [[ "$WHAT" == zip || "$WHAT" == all ]]; then
  /usr/bin/python3 -B tools/dist/package.py "$WIN32_BUILD/ZelProject.exe" build/dist/ZelLauncher-1.0.0.zip
  echo "dist: build/dist/ZelLauncher-1.0.0.zip"
fi
if [[ "$WHAT" != zip ]]; then
  build linux-gtk "$LINUX_BUILD" zel_desktop_files
  # Built and checked there, or no archive.
  "$ROOT/scripts/build-bullseye.sh" "$SHIPPED_BUILD" >&2
  parts=("$WIN32_BUILD/ZelProject.exe" "$SHIPPED_BUILD/ZelProject" "$LINUX_BUILD/share")
  if [[ "$WHAT" == tar || "$WHAT" == all ]]; then
    /usr/bin/python3 -B tools/dist/package.py tar "${parts[@]}" build/dist/ZelLauncher-1.0.0-linux-x86_64.tar.gz
    echo "dist: build/dist/ZelLauncher-1.0.0-linux-x86_64.tar.gz"
  fi
  if [[ "$WHAT" == iso || "$WHAT" == all ]]; then
    /usr/bin/python3 -B tools/dist/package.py iso "${parts[@]}" build/dist/ZelLauncher-1.0.0.iso
    echo "dist: build/dist/ZelLauncher-1.0.0.iso"
  fi
fi
