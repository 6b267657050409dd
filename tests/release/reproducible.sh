#!/usr/bin/env bash
# Builds the 32-bit product twice from copies of the sources in two different
# folders, a moment apart, and checks that the two executables are the same bytes.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
WORK="$(mktemp -d /tmp/zel-repro.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT

build() {
  local dir="$1"
  mkdir -p "$dir"
  (cd "$ROOT" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$dir")
  cmake -S "$dir" -B "$dir/build/win32" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$dir/cmake/toolchain-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DZEL_JPEG_ROOT="$ROOT/build/deps/jpeg-i686" >/dev/null
  cmake --build "$dir/build/win32" --target ZelProject >/dev/null
}

build "$WORK/first/src"
sleep 2
build "$WORK/second checkout/elsewhere"
first="$WORK/first/src/build/win32/ZelProject.exe"
second="$WORK/second checkout/elsewhere/build/win32/ZelProject.exe"
if cmp -s "$first" "$second"; then
  echo "reproducible: $(stat -c %s "$first") bytes, identical from both folders"
else
  echo "NOT reproducible: the two builds differ" >&2
  cmp -l "$first" "$second" | head -20 >&2
  exit 1
fi
# The same bytes as the program built in the project's own folder.
if [[ -n "${1:-}" ]] && ! cmp -s "$first" "$1"; then
  echo "NOT reproducible: $1 differs from the builds elsewhere" >&2
  exit 1
fi
# Neither folder's name may appear in the program.
for dir in "$WORK/first" "$WORK/second checkout"; do
  if grep -q -a -F "$dir" "$first" "$second"; then
    echo "build path $dir found in the program" >&2
    exit 1
  fi
done
