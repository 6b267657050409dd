#!/usr/bin/env bash
# Unpacks the release archive (or extracts the disc image, with osirrox, as a desktop shows
# the mounted disc: Rock Ridge names and modes) and, in a Debian root that holds GTK 3's
# runtime alone, asks GIO what type its Linux program is (a file manager runs only a type
# that can be executable), then runs the end-to-end driver's `archive` scenario against the
# program on the display of the fixture (tests/linux/fixture.sh). From the disc the program
# is started through the disc's autorun file, in the disc's root, as a desktop starts it.
# Exits 77 (skipped) where chroot is impossible: not root.
#
#   run-in-root.sh <root name> <archive.tar.gz|image.iso> --state <file> --driver <zel-linux-test>
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
kind=archive
[[ "$archive" == *.iso ]] && kind=disc
unpacked="$(realpath -m "$(dirname "$state")/unpacked-$kind-$root")"
[[ -d "$unpacked" ]] && chmod -R u+w "$unpacked"  # a disc's tree is read-only
rm -rf "$unpacked" && mkdir -p "$unpacked"
if [[ "$kind" == disc ]]; then
  osirrox -indev "$archive" -extract / "$unpacked/disc" >/dev/null 2>&1
  export ZEL_ROOT_START=autorun
else
  tar -xzf "$archive" -C "$unpacked"
fi
app="$(find "$unpacked" -mindepth 1 -maxdepth 1 -type d)"
[[ -x "$app/ZelProject" ]] || { echo "the $kind holds no runnable ZelProject" >&2; exit 1; }
"$HERE/../../scripts/roots.sh" make "$root"
typed="$("$HERE/../../scripts/roots.sh" run "$root" --bind "$app:app" -- \
         gio info -a standard::content-type /mnt/app/ZelProject 2>/dev/null | sed -n 's/^ *standard::content-type: //p')"
echo "GIO in $root types the $kind's ZelProject: ${typed:-nothing}"
[[ "$typed" == application/x-executable ]] || { echo "FAIL: not application/x-executable: file managers will not run it"; exit 1; }
export ZEL_ROOT="$root" ZEL_ROOT_APP="$app" ZEL_E2E_APP_FOLDER=/mnt/app
exec bash "$HERE/../linux/run-scenario.sh" "$@" --name "$kind-$root" --launcher "$HERE/launch-in-root.sh" archive
