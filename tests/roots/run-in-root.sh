#!/usr/bin/env bash
# Unpacks the release archive and runs the end-to-end driver's `archive` scenario against its
# Linux program in a Debian root that holds GTK 3's runtime alone, on the display of the
# fixture (tests/linux/fixture.sh). Exits 77 (skipped) where chroot is impossible: not root.
#
#   run-in-root.sh <root name> <archive> --state <file> --driver <zel-linux-test>
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$1" archive="$2"
shift 2
if [[ $EUID -ne 0 ]]; then
  echo "SKIPPED: the archive's program in the $root root needs chroot, and so root"
  exit 77
fi
[[ -f "$archive" ]] || { echo "no archive at $archive (release.dist_tarball writes it)" >&2; exit 1; }
state=""
for ((i = 1; i <= $#; i++)); do [[ "${!i}" == --state ]] && { j=$((i + 1)); state="${!j}"; }; done
unpacked="$(realpath -m "$(dirname "$state")/unpacked-$root")"
rm -rf "$unpacked" && mkdir -p "$unpacked"
tar -xzf "$archive" -C "$unpacked"
app="$(find "$unpacked" -mindepth 1 -maxdepth 1 -type d)"
[[ -x "$app/ZelProject" ]] || { echo "the archive holds no ZelProject" >&2; exit 1; }
"$HERE/../../scripts/roots.sh" make "$root"
export ZEL_ROOT="$root" ZEL_ROOT_APP="$app" ZEL_E2E_APP_FOLDER=/mnt/app
exec bash "$HERE/../linux/run-scenario.sh" "$@" --name "archive-$root" --launcher "$HERE/launch-in-root.sh" archive
