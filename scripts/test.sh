#!/usr/bin/env bash
# Sets up, builds all three presets and runs every test: the native unit tests,
# the checks of the 32-bit executable and the end-to-end tests under Wine.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

"$ROOT/scripts/setup.sh"
for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

failed=0
for preset in native win32 win64; do
  echo "== tests: $preset"
  ctest --preset "$preset" || failed=1
done
exit "$failed"
