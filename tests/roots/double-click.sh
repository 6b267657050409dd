#!/usr/bin/env bash
# The release archive's program started as a user starts it on Debian 11: Thunar, in a copy of
# the Debian 11 root with nothing but GTK 3's runtime and Thunar, shows the unpacked archive's
# folder on the fixture's display, and a real double-click (XTEST) on the program's icon must
# bring up the launcher's window. Thunar runs a file only when GIO types it a program. The icon
# is found on the screen: the first application icon in the view's order (folders first, then
# files by name) is ZelProject's. Exits 77 (skipped) where chroot is impossible: not root.
#
#   double-click.sh <archive> --state <file>
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOTS="$HERE/../../scripts/roots.sh"
archive="$1" state="$3"
if [[ $EUID -ne 0 ]]; then
  echo "SKIPPED: Thunar in the Debian 11 root needs chroot, and so root"
  exit 77
fi
[[ -f "$archive" && -f "$state" ]] || { echo "no archive at $archive or no fixture state at $state" >&2; exit 1; }
DISPLAY_NAME=""
# shellcheck disable=SC1090
source "$state"
export DISPLAY="$DISPLAY_NAME"
work="$(realpath -m "$(dirname "$state")/double-click")"
rm -rf "$work" && mkdir -p "$work/unpacked"
tar -xzf "$archive" -C "$work/unpacked"
app="$(find "$work/unpacked" -mindepth 1 -maxdepth 1 -type d)"
"$ROOTS" make bullseye-desk || exit $?

# Thunar on a session bus of its own, which ends with it.
"$ROOTS" run bullseye-desk --bind "$app:app" --env "DISPLAY=$DISPLAY" -- \
  sh -c 'export HOME=/tmp/home && mkdir -p "$HOME" && exec dbus-run-session -- thunar /mnt/app' \
  >"$work/thunar.log" 2>&1 &
thunar=$!
launcher=""
desk="$(realpath "$("$ROOTS" path bullseye-desk)")"
finish() {
  [[ -n "$launcher" ]] && kill "$launcher" 2>/dev/null
  kill "$thunar" 2>/dev/null
  wait "$thunar" 2>/dev/null
  # Thunar's bus and the settings daemon it started there outlive it: end what still runs
  # in the root (nothing else does).
  local p
  for p in /proc/[0-9]*; do
    [[ "$(readlink "$p/root" 2>/dev/null)" == "$desk" ]] && kill "${p#/proc/}" 2>/dev/null
  done
}
trap finish EXIT
fail() { echo "FAIL: $*"; tail -n 20 "$work/thunar.log"; exit 1; }
wait_for() {  # <name pattern> <seconds>: the first window so named
  local id="" i
  for ((i = 0; i < $2 * 5; i++)); do
    id="$(xdotool search --name "$1" 2>/dev/null | head -n1)"
    [[ -n "$id" ]] && break
    sleep 0.2
  done
  echo "$id"
}

view="$(wait_for '^app$' 60)"
[[ -n "$view" ]] || fail "Thunar showed no window for the folder"
sleep 2  # icons are laid out after the window maps
import -window "$view" "$work/thunar.png"
read -r x y < <(convert "$work/thunar.png" -depth 8 rgb:- | /usr/bin/python3 -c '
import sys
width = int(sys.argv[1]); data = sys.stdin.buffer.read()
# The application icon is the one blue thing in the view: folders are beige, the note grey.
blue = [(i // width, i % width) for i in range(len(data) // 3)
        if data[3*i+2] > 150 and data[3*i+2] > data[3*i] + 80 and data[3*i+2] > data[3*i+1] + 40]
if not blue: sys.exit(1)
top = min(y for y, _ in blue)
row = [(y, x) for y, x in blue if y < top + 48]
left = min(x for _, x in row)
icon = [(y, x) for y, x in row if x < left + 48]
print(sum(x for _, x in icon) // len(icon), sum(y for y, _ in icon) // len(icon))' \
  "$(identify -format %w "$work/thunar.png")") || fail "no application icon in Thunar's view ($work/thunar.png)"
echo "ZelProject's icon at $x,$y in Thunar's window"
xdotool mousemove --window "$view" "$x" "$y" sleep 0.3 click --repeat 2 --delay 120 1

window="$(wait_for '^ВЕЛТ \(Demo\)$' 30)"
[[ -n "$window" ]] || fail "the double-click started no launcher (Thunar's view: $work/thunar.png)"
launcher="$(xdotool getwindowpid "$window" 2>/dev/null)"
eval "$(xdotool getwindowgeometry --shell "$window")"
cmp -s "/proc/$launcher/exe" "$app/ZelProject" ||
  fail "the window is not the archive's program's (pid ${launcher:-?})"
[[ "$WIDTH" == 960 && "$HEIGHT" == 449 ]] || fail "the launcher's window is ${WIDTH}x${HEIGHT}, not 960x449"
echo "PASS: a double-click in Thunar on Debian 11 started $app/ZelProject: window 960x449 (pid $launcher)"
