#!/usr/bin/env bash
# Builds the release and writes build/dist/ZelLauncher-1.0.0.zip.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
"$ROOT/scripts/setup.sh"
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target ZelProject
mkdir -p build/dist
/usr/bin/python3 -B tools/dist/package.py build/win32/ZelProject.exe build/dist/ZelLauncher-1.0.0.zip
echo "dist: build/dist/ZelLauncher-1.0.0.zip"
