#!/usr/bin/env bash
# The start-up, memory and size benchmark. Builds both Windows presets, starts its
# own Xvfb and a persistent wineserver for the project's Wine prefix, runs the
# driver (the x86_64 launcher against a minimal window of the same toolchain),
# stops exactly what it started, and prints one table, also written to build/bench.txt.
#
#   bench/run.sh [runs]     runs of each program, at least 10 (default 30)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
RUNS="${1:-30}"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
PREFIX="$ROOT/build/wineprefix"
WORK="$ROOT/build/bench"
OUT="$ROOT/build/bench.txt"

log() { printf 'bench: %s\n' "$*" >&2; }
die() { printf 'bench: %s\n' "$*" >&2; exit 1; }
[[ "$RUNS" =~ ^[0-9]+$ ]] && ((RUNS >= 10)) || die "at least 10 runs of each program (got '$RUNS')"

"$ROOT/scripts/setup.sh" >&2
mkdir -p "$WORK"
for preset in win32 win64; do
  log "building $preset"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } >"$WORK/build-$preset.log" 2>&1; then
    cat "$WORK/build-$preset.log" >&2
    die "the $preset build failed"
  fi
done

PRODUCT="$ROOT/build/win32/ZelProject.exe"
LAUNCHER="$ROOT/build/win64/ZelProject.exe"
DRIVER="$ROOT/build/win64/bench/zel_bench_driver.exe"
MINIMAL="$ROOT/build/win64/bench/zel_minimal_window.exe"
for f in "$PRODUCT" "$LAUNCHER" "$DRIVER" "$MINIMAL"; do [[ -f "$f" ]] || die "missing $f"; done

# Windows paths for the driver's arguments: the prefix maps Z: to /.
winpath() { local p="${1//\//\\}"; printf 'Z:%s' "$p"; }
# Is this pid still the program we started (and not a reused pid)?
is_ours() { [[ -n "${1:-}" ]] && [[ "$(cat "/proc/$1/comm" 2>/dev/null)" == "$2"* ]]; }

export WINEPREFIX="$PREFIX" WINEDEBUG=-all
unset WINEDLLOVERRIDES
SERVER_PID="" XVFB_PID=""
stop_started() {
  if is_ours "$SERVER_PID" wineserver; then
    # Ends the processes of this prefix, all of them ours while our server ran it.
    "$WINESERVER" -k 2>/dev/null || true
    for _ in $(seq 100); do is_ours "$SERVER_PID" wineserver || break; sleep 0.1; done
    is_ours "$SERVER_PID" wineserver && kill "$SERVER_PID" 2>/dev/null || true
  fi
  if is_ours "$XVFB_PID" Xvfb; then
    kill "$XVFB_PID" 2>/dev/null || true
    for _ in $(seq 50); do is_ours "$XVFB_PID" Xvfb || break; sleep 0.1; done
  fi
}
trap stop_started EXIT

# A wineserver someone else runs for this prefix (the end-to-end tests): wait for it, never end it.
for attempt in $(seq 600); do
  setsid "$WINESERVER" -f -p >"$WORK/wineserver.log" 2>&1 </dev/null &
  SERVER_PID=$!
  sleep 0.3
  is_ours "$SERVER_PID" wineserver && break
  rc=0
  wait "$SERVER_PID" || rc=$?
  SERVER_PID=""
  ((rc == 2)) || die "wineserver did not start (exit $rc): $(cat "$WORK/wineserver.log")"
  ((attempt == 1)) && log "another wineserver serves $PREFIX; waiting for it to end"
  sleep 1
done
[[ -n "$SERVER_PID" ]] || die "another wineserver kept serving $PREFIX"

# The prefix is ours now. A test that was killed may have left its stand-in in
# place of Wine's explorer, which the desktop needs: put Wine's own back.
EXPLORER="$PREFIX/drive_c/windows/system32/explorer.exe"
if [[ -f "$PREFIX/explorer.exe.orig" ]] && ! cmp -s "$PREFIX/explorer.exe.orig" "$EXPLORER"; then
  log "putting Wine's own explorer back in place of a test's stand-in"
  cp "$PREFIX/explorer.exe.orig" "$EXPLORER.zel-restore"
  mv -f "$EXPLORER.zel-restore" "$EXPLORER"
fi

for n in $(seq 200 299); do
  [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]] && continue
  setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 </dev/null &
  XVFB_PID=$!
  for _ in $(seq 100); do
    [[ -e "/tmp/.X11-unix/X$n" ]] && break
    is_ours "$XVFB_PID" Xvfb || break
    sleep 0.05
  done
  if [[ -e "/tmp/.X11-unix/X$n" ]] && is_ours "$XVFB_PID" Xvfb; then break; fi
  XVFB_PID=""  # lost a race for that number: try the next
done
[[ -n "$XVFB_PID" ]] || die "could not start Xvfb on any display from :200 to :299"
export DISPLAY=":$n"

log "running $RUNS runs of each program on $DISPLAY (per-run lines in build/bench/runs.txt)"
if ! timeout 1800 "$WINE" "$DRIVER" "$(winpath "$LAUNCHER")" "$(winpath "$MINIMAL")" \
    "$(winpath "$ROOT/res/banner.jpg")" "$(winpath "$ROOT/res/buy.png")" "$RUNS" >"$WORK/runs.txt" 2>"$WORK/driver.err"; then
  cat "$WORK/runs.txt" "$WORK/driver.err" >&2
  die "the driver failed"
fi
stop_started
trap - EXIT

value() {
  local v
  v="$(sed -n "s/^$1=//p" "$WORK/runs.txt" | tr -d '\r' | tail -n1)"
  [[ -n "$v" ]] || die "the driver gave no $1"
  printf '%s' "$v"
}
L_MS="$(value launcher_startup_ms)" M_MS="$(value minimal_startup_ms)"
L_MIN="$(value launcher_startup_ms_min)" L_MAX="$(value launcher_startup_ms_max)"
M_MIN="$(value minimal_startup_ms_min)" M_MAX="$(value minimal_startup_ms_max)"
L_KIB="$(value launcher_peak_working_set_kib)" M_KIB="$(value minimal_peak_working_set_kib)"
DECODE="$(value banner_decode_ms)" REPS="$(value banner_decode_repetitions)"
SIZE="$(stat -c %s "$PRODUCT")"

awk -v runs="$RUNS" -v lms="$L_MS" -v mms="$M_MS" -v lmin="$L_MIN" -v lmax="$L_MAX" -v mmin="$M_MIN" \
    -v mmax="$M_MAX" -v lkib="$L_KIB" -v mkib="$M_KIB" -v decode="$DECODE" -v reps="$REPS" -v size="$SIZE" '
function mark(ok) { return ok ? "pass" : "MISS" }
function row(what, figure, target, m) { printf "| %-44s | %-24s | %-12s | %-4s |\n", what, figure, target, m }
BEGIN {
  ratio = lms / mms; diff = lkib - mkib; kib = size / 1024
  printf "Benchmark: medians of %d alternating runs each (x86_64 build under wine64, Xvfb 1280x1024x24)\n\n", runs
  row("measure", "figure", "target", "mark")
  printf "|%s|%s|%s|%s|\n", "----------------------------------------------", "--------------------------", "--------------", "------"
  row("start-up to first complete frame, launcher", sprintf("%.1f ms (%.1f-%.1f)", lms, lmin, lmax), "", "")
  row("start-up to first complete frame, minimal", sprintf("%.1f ms (%.1f-%.1f)", mms, mmin, mmax), "", "")
  row("start-up ratio, launcher / minimal", sprintf("%.3f", ratio), "<= 1.15", mark(ratio <= 1.15))
  row(sprintf("banner decode (DecodeJpeg, median of %d)", reps), sprintf("%.2f ms", decode), "", "")
  row("peak working set, launcher", sprintf("%d KiB", lkib), "", "")
  row("peak working set, minimal", sprintf("%d KiB", mkib), "", "")
  row("peak working set, difference", sprintf("%+d KiB", diff), "<= 2048 KiB", mark(diff <= 2048))
  row("size of build/win32/ZelProject.exe", sprintf("%d B (%.1f KiB)", size, kib), "<= 640 KiB", mark(kib <= 640))
}' | tee "$OUT"
