#!/usr/bin/env bash
# The start-up, memory and size benchmark of both editions, each on its own Xvfb.
# Windows: builds both Windows presets, starts a persistent wineserver for the
# project's Wine prefix and runs the driver (the x86_64 launcher against a minimal
# window of the same toolchain) under wine64. Linux: builds the linux preset and
# runs its driver (the Qt 5 launcher against a bare Qt window of the same client
# size, toolkit and flags) with Wine's Tahoma in a private home; gtk: the same for
# the linux-gtk preset (the GTK 3 launcher against a bare GTK 3 window). It stops
# exactly what it started and prints one table an edition, also written to
# build/bench.txt.
#
#   bench/run.sh [runs] [windows|linux|gtk]   runs of each program, at least 10 (default 30);
#                                             one edition only (default all three)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
RUNS="${1:-30}"
EDITIONS="${2:-all}"
[[ "$EDITIONS" == both ]] && EDITIONS=all
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
PREFIX="$ROOT/build/wineprefix"
WORK="$ROOT/build/bench"
OUT="$ROOT/build/bench.txt"

log() { printf 'bench: %s\n' "$*" >&2; }
die() { printf 'bench: %s\n' "$*" >&2; exit 1; }
[[ "$RUNS" =~ ^[0-9]+$ ]] && ((RUNS >= 10)) || die "at least 10 runs of each program (got '$RUNS')"
[[ "$EDITIONS" =~ ^(all|windows|linux|gtk)$ ]] || die "the edition is windows, linux or gtk (got '$EDITIONS')"

# Windows paths for the driver's arguments: the prefix maps Z: to /.
winpath() { local p="${1//\//\\}"; printf 'Z:%s' "$p"; }
# Is this pid still the program we started (and not a reused pid)?
is_ours() { [[ -n "${1:-}" ]] && [[ "$(cat "/proc/$1/comm" 2>/dev/null)" == "$2"* ]]; }

SERVER_PID="" XVFB_PID="" BUS_PID="" PRIVATE_HOME=""
stop_started() {
  if is_ours "$SERVER_PID" wineserver; then
    # Ends the processes of this prefix, all of them ours while our server ran it.
    "$WINESERVER" -k 2>/dev/null || true
    for _ in $(seq 100); do is_ours "$SERVER_PID" wineserver || break; sleep 0.1; done
    is_ours "$SERVER_PID" wineserver && kill "$SERVER_PID" 2>/dev/null || true
  fi
  SERVER_PID=""
  if is_ours "$XVFB_PID" Xvfb; then
    kill "$XVFB_PID" 2>/dev/null || true
    for _ in $(seq 50); do is_ours "$XVFB_PID" Xvfb || break; sleep 0.1; done
  fi
  XVFB_PID=""
  is_ours "$BUS_PID" dbus-daemon && kill "$BUS_PID" 2>/dev/null || true
  BUS_PID=""
  [[ -n "$PRIVATE_HOME" ]] && rm -rf "$PRIVATE_HOME"
  PRIVATE_HOME=""
}
trap stop_started EXIT

start_xvfb() {
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
}

# value <file> <key>: the driver's last "key=value" line for that key.
value() {
  local v
  v="$(sed -n "s/^$2=//p" "$1" | tr -d '\r' | tail -n1)"
  [[ -n "$v" ]] || die "the driver gave no $2"
  printf '%s' "$v"
}

bench_windows() {
  for preset in win32 win64; do
    log "building $preset"
    if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } >"$WORK/build-$preset.log" 2>&1; then
      cat "$WORK/build-$preset.log" >&2
      die "the $preset build failed"
    fi
  done

  local PRODUCT="$ROOT/build/win32/ZelProject.exe"
  local LAUNCHER="$ROOT/build/win64/ZelProject.exe"
  local DRIVER="$ROOT/build/win64/bench/zel_bench_driver.exe"
  local MINIMAL="$ROOT/build/win64/bench/zel_minimal_window.exe"
  for f in "$PRODUCT" "$LAUNCHER" "$DRIVER" "$MINIMAL"; do [[ -f "$f" ]] || die "missing $f"; done

  export WINEPREFIX="$PREFIX" WINEDEBUG=-all
  unset WINEDLLOVERRIDES

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

  start_xvfb
  local RUNS_FILE="$WORK/runs.txt"
  log "running $RUNS runs of each program on $DISPLAY (per-run lines in build/bench/runs.txt)"
  if ! timeout 1800 "$WINE" "$DRIVER" "$(winpath "$LAUNCHER")" "$(winpath "$MINIMAL")" \
      "$(winpath "$ROOT/res/banner.jpg")" "$(winpath "$ROOT/res/buy.png")" "$RUNS" >"$RUNS_FILE" 2>"$WORK/driver.err"; then
    cat "$RUNS_FILE" "$WORK/driver.err" >&2
    die "the driver failed"
  fi
  stop_started

  local L_MS M_MS L_MIN L_MAX M_MIN M_MAX L_KIB M_KIB DECODE REPS SIZE
  L_MS="$(value "$RUNS_FILE" launcher_startup_ms)" M_MS="$(value "$RUNS_FILE" minimal_startup_ms)"
  L_MIN="$(value "$RUNS_FILE" launcher_startup_ms_min)" L_MAX="$(value "$RUNS_FILE" launcher_startup_ms_max)"
  M_MIN="$(value "$RUNS_FILE" minimal_startup_ms_min)" M_MAX="$(value "$RUNS_FILE" minimal_startup_ms_max)"
  L_KIB="$(value "$RUNS_FILE" launcher_peak_working_set_kib)" M_KIB="$(value "$RUNS_FILE" minimal_peak_working_set_kib)"
  DECODE="$(value "$RUNS_FILE" banner_decode_ms)" REPS="$(value "$RUNS_FILE" banner_decode_repetitions)"
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
  }'
}

# bench_linux <preset>: linux (Qt 5) or linux-gtk (GTK 3), each against a bare
# window of its own toolkit.
bench_linux() {
  local PRESET="$1" KIT TOOLKIT TARGET
  if [[ "$PRESET" == linux-gtk ]]; then
    KIT=GTK TOOLKIT="GTK $(pkg-config --modversion gtk+-3.0), X11" TARGET=1.10
  else
    KIT=Qt TOOLKIT="Qt $(dpkg-query -W -f='${Version}' libqt5core5a 2>/dev/null | sed 's/[+~-].*//'), xcb" TARGET=1.30
  fi
  log "building $PRESET"
  # Others build the Linux presets too: one build at a time in a folder.
  if ! { cmake --preset "$PRESET" &&
         flock "/tmp/zel-$PRESET-build.lock" cmake --build --preset "$PRESET" --target ZelProject zel_bare_window zel_bench_linux
       } >"$WORK/build-$PRESET.log" 2>&1; then
    cat "$WORK/build-$PRESET.log" >&2
    die "the $PRESET build failed"
  fi
  local LAUNCHER="$ROOT/build/$PRESET/ZelProject"
  local BARE="$ROOT/build/$PRESET/bench/linux/zel_bare_window"
  local DRIVER="$ROOT/build/$PRESET/bench/linux/zel_bench_linux"
  for f in "$LAUNCHER" "$BARE" "$DRIVER"; do [[ -f "$f" ]] || die "missing $f"; done

  start_xvfb
  # A home of the benchmark's own: Wine's Tahoma where fontconfig looks (both
  # programs see the same fonts) and no desktop settings of the user's. A session
  # bus of its own, as a desktop has one: without it Qt would start one on the
  # first run, tied to the display.
  PRIVATE_HOME="$(mktemp -d /tmp/zel-bench-home.XXXXXX)"
  mkdir -p "$PRIVATE_HOME/.fonts" "$PRIVATE_HOME/run"
  chmod 700 "$PRIVATE_HOME/run"
  cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$PRIVATE_HOME/.fonts/"
  setsid dbus-daemon --session --nofork --address="unix:path=$PRIVATE_HOME/run/bus" \
    >"$WORK/bus.log" 2>&1 </dev/null &
  BUS_PID=$!
  for _ in $(seq 100); do [[ -S "$PRIVATE_HOME/run/bus" ]] && break; sleep 0.05; done
  [[ -S "$PRIVATE_HOME/run/bus" ]] || die "the session bus did not start: $(cat "$WORK/bus.log")"
  local RUNS_FILE="$WORK/runs-$PRESET.txt"
  log "running $RUNS runs of each program on $DISPLAY (per-run lines in build/bench/runs-$PRESET.txt)"
  if ! env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME \
      -u GTK_THEME -u GDK_BACKEND -u GDK_SCALE -u GDK_DPI_SCALE -u GTK_MODULES \
      HOME="$PRIVATE_HOME" XDG_RUNTIME_DIR="$PRIVATE_HOME/run" \
      DBUS_SESSION_BUS_ADDRESS="unix:path=$PRIVATE_HOME/run/bus" \
      timeout 1800 "$DRIVER" "$LAUNCHER" "$BARE" "$ROOT/res/banner.jpg" "$ROOT/res/buy.png" "$RUNS" \
      >"$RUNS_FILE" 2>"$WORK/driver-$PRESET.err"; then
    cat "$RUNS_FILE" "$WORK/driver-$PRESET.err" >&2
    die "the Linux driver failed"
  fi
  stop_started

  local L_MS B_MS L_MIN L_MAX B_MIN B_MAX L_KIB B_KIB SIZE
  L_MS="$(value "$RUNS_FILE" launcher_startup_ms)" B_MS="$(value "$RUNS_FILE" bare_startup_ms)"
  L_MIN="$(value "$RUNS_FILE" launcher_startup_ms_min)" L_MAX="$(value "$RUNS_FILE" launcher_startup_ms_max)"
  B_MIN="$(value "$RUNS_FILE" bare_startup_ms_min)" B_MAX="$(value "$RUNS_FILE" bare_startup_ms_max)"
  L_KIB="$(value "$RUNS_FILE" launcher_peak_rss_kib)" B_KIB="$(value "$RUNS_FILE" bare_peak_rss_kib)"
  SIZE="$(stat -c %s "$LAUNCHER")"

  awk -v runs="$RUNS" -v lms="$L_MS" -v bms="$B_MS" -v lmin="$L_MIN" -v lmax="$L_MAX" -v bmin="$B_MIN" \
      -v bmax="$B_MAX" -v lkib="$L_KIB" -v bkib="$B_KIB" -v size="$SIZE" -v toolkit="$TOOLKIT" -v kit="$KIT" \
      -v target="$TARGET" -v preset="$PRESET" '
  function mark(ok) { return ok ? "pass" : "MISS" }
  function row(what, figure, target, m) { printf "| %-44s | %-24s | %-12s | %-4s |\n", what, figure, target, m }
  BEGIN {
    ratio = lms / bms; diff = lkib - bkib
    printf "Linux benchmark (%s): medians of %d alternating runs each (%s, Xvfb 1280x1024x24)\n\n", preset, runs, toolkit
    row("measure", "figure", "target", "mark")
    printf "|%s|%s|%s|%s|\n", "----------------------------------------------", "--------------------------", "--------------", "------"
    row("start-up to first complete frame, launcher", sprintf("%.1f ms (%.1f-%.1f)", lms, lmin, lmax), "", "")
    row("start-up to first complete frame, bare " kit, sprintf("%.1f ms (%.1f-%.1f)", bms, bmin, bmax), "", "")
    row("start-up ratio, launcher / bare " kit " window", sprintf("%.3f", ratio), "<= " target, mark(ratio <= target + 0))
    row("peak resident set, launcher", sprintf("%d KiB", lkib), "", "")
    row("peak resident set, bare " kit " window", sprintf("%d KiB", bkib), "", "")
    row("peak resident set, difference", sprintf("%+d KiB", diff), "<= 6144 KiB", mark(diff <= 6144))
    row("size of build/" preset "/ZelProject", sprintf("%d B (%.1f KiB)", size, size / 1024), "", "")
  }'
}

"$ROOT/scripts/setup.sh" >&2
mkdir -p "$WORK"
: >"$OUT"
# Not in a pipe: a function in a subshell would leave its Xvfb and wineserver to no trap.
if [[ "$EDITIONS" == all || "$EDITIONS" == windows ]]; then
  bench_windows >"$WORK/table-windows.txt"
  cat "$WORK/table-windows.txt" >>"$OUT"
fi
for edition in linux gtk; do
  [[ "$EDITIONS" == all || "$EDITIONS" == "$edition" ]] || continue
  preset=linux
  [[ "$edition" == gtk ]] && preset=linux-gtk
  bench_linux "$preset" >"$WORK/table-$preset.txt"
  [[ -s "$OUT" ]] && echo >>"$OUT"
  cat "$WORK/table-$preset.txt" >>"$OUT"
done
cat "$OUT"
