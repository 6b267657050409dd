#!/usr/bin/env bash
# Instructions each Linux program runs from its start until its window has settled
# and sits idle (valgrind's callgrind, on an Xvfb of its own, with the benchmark's
# private home and a warm font cache; the program is ended by SIGTERM, so no
# teardown is counted). Unlike times, the counts barely move with the machine's load.
#
#   bench/instructions.sh <preset> [program...]   linux or linux-gtk; default: the
#                                                 preset's launcher, bare, floor and stock windows
#
# Prints "<millions> <program>" a line; the callgrind files stay in build/bench/callgrind.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PRESET="${1:?preset: linux or linux-gtk}"
shift
BENCH="$ROOT/build/$PRESET/bench/linux"
PROGRAMS=("$@")
((${#PROGRAMS[@]})) || PROGRAMS=("$ROOT/build/$PRESET/ZelProject" "$BENCH/zel_bare_window" "$BENCH/zel_floor_window"
                                 "$BENCH/zel_stock_window")
command -v valgrind >/dev/null || { echo "instructions: needs valgrind (apt-get install valgrind)" >&2; exit 1; }
OUT="$ROOT/build/bench/callgrind"
mkdir -p "$OUT"
HOME_DIR="$(mktemp -d /tmp/zel-instructions.XXXXXX)"
XVFB_PID=""
cleanup() {
  [[ -n "$XVFB_PID" ]] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$HOME_DIR"
}
trap cleanup EXIT
mkdir -p "$HOME_DIR/.fonts"
cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$HOME_DIR/.fonts/"
for n in $(seq 300 399); do
  [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do [[ -e "/tmp/.X11-unix/X$n" ]] && break; sleep 0.05; done
  [[ -e "/tmp/.X11-unix/X$n" ]] && break
  XVFB_PID=""
done
[[ -n "$XVFB_PID" ]] || { echo "instructions: no free display" >&2; exit 1; }
run() {  # run <program> <callgrind file>
  env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u GTK_THEME -u GTK_MODULES DISPLAY=":$n" HOME="$HOME_DIR" \
    XDG_RUNTIME_DIR="$HOME_DIR" dbus-run-session -- valgrind --tool=callgrind --callgrind-out-file="$2" "$1" \
    >/dev/null 2>&1 &
  local pid=$!
  sleep 6  # under valgrind the window takes about two seconds to settle
  pkill -TERM -f "valgrind.bin --tool=callgrind --callgrind-out-file=$2" || true
  wait "$pid" 2>/dev/null || true
}
fc-cache "$HOME_DIR/.fonts" >/dev/null 2>&1 || true
run "${PROGRAMS[0]}" "$OUT/warm.out"  # fills the font and toolkit caches
i=0
for program in "${PROGRAMS[@]}"; do
  i=$((i + 1))
  file="$OUT/$i-$(basename "$program").out"
  run "$program" "$file"
  total="$(sed -n 's/^summary: //p;s/^totals: //p' "$file" | head -n1)"
  awk -v n="${total:-0}" -v p="$program" 'BEGIN { printf "%6.1f %s\n", n / 1e6, p }'
done
