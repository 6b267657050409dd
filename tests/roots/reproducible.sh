#!/usr/bin/env bash
# Builds the shipped Linux program in the Debian 11 root twice from nothing, from two copies
# of the sources in different folders, with different build folders, a moment apart, and
# checks that the two programs are the same bytes. Exits 77 (skipped) without root, as the
# root build does.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
if [[ $EUID -ne 0 ]]; then
  echo "SKIPPED: building in the Debian 11 root needs chroot, and so root"
  exit 77
fi
export ZEL_ROOTS_DIR="${ZEL_ROOTS_DIR:-$ROOT/build/roots}"
# A folder of this run's own: other build folders' tests may run this at the same time.
mkdir -p "$ROOT/build"
WORK="$(mktemp -d "$ROOT/build/roots-repro.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

# Both copies of one moment's sources.
mkdir -p "$WORK/first"
(cd "$ROOT" && git ls-files -z --cached --others --exclude-standard |
   while IFS= read -r -d '' f; do [[ -e "$f" ]] && printf '%s\0' "$f"; done | xargs -0 cp --parents -t "$WORK/first")
cp -a "$WORK/first" "$WORK/second checkout"

build() {
  local copy="$1" out="$2" status=0
  "$copy/scripts/build-bullseye.sh" "$copy/$out" >"$WORK/build.log" 2>&1 || status=$?
  ((status == 0)) && return 0
  cat "$WORK/build.log"
  exit "$((status == 77 ? 77 : 1))"
}

build "$WORK/first" build/roots-bullseye
sleep 2
build "$WORK/second checkout" "build/another folder"
first="$WORK/first/build/roots-bullseye/ZelProject"
second="$WORK/second checkout/build/another folder/ZelProject"
if cmp -s "$first" "$second"; then
  echo "reproducible: $(stat -c %s "$first") bytes, the same from both folders"
else
  echo "NOT reproducible: the two builds differ" >&2
  cmp -l "$first" "$second" | head -20 >&2
  exit 1
fi
