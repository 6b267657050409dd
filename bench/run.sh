#!/usr/bin/env bash
# The start-up, memory and size benchmark of the three editions, each on its own
# Xvfb. Each edition's launcher runs in turn with three programs of its own
# toolkit and flags: a bare window of one colour, the floor (a bare window that
# draws the launcher's three captions in its fonts and places) and the same
# window built the usual way from the toolkit's stock widgets. Windows: builds
# both Windows presets, starts a persistent wineserver for the project's Wine
# prefix and runs the driver under wine64. Linux: builds the linux preset (Qt 5)
# and runs its driver with Wine's Tahoma in a private home; gtk: the same for the
# linux-gtk preset (GTK 3). It stops exactly what it started and prints one table
# an edition, also written to build/bench.txt.
#
#   bench/run.sh [runs] [windows|linux|gtk]   runs of each program, at least 10 (default 30);
#                                             one edition only (default all three)
#
# ZEL_BENCH_LAUNCHERS=<folder> times the launchers of another build instead (its
# win64/ZelProject.exe, linux/ZelProject, linux-gtk/ZelProject) against this
# build's other programs; the table then gives no size.
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
OTHER="${ZEL_BENCH_LAUNCHERS:-}"

log() { printf 'bench: %s\n' "$*" >&2; }
die() { printf 'bench: %s\n' "$*" >&2; exit 1; }
[[ "$RUNS" =~ ^[0-9]+$ ]] && ((RUNS >= 10)) || die "at least 10 runs of each program (got '$RUNS')"
[[ "$EDITIONS" =~ ^(all|windows|linux|gtk)$ ]] || die "the edition is windows, linux or gtk (got '$EDITIONS')"
[[ -z "$OTHER" || -d "$OTHER" ]] || die "no folder $OTHER for ZEL_BENCH_LAUNCHERS"

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

# table <runs file> <bare key> <bare label> <memory key> <memory label> <memory target KiB> <size file|"">
#       <size target KiB|""> [extra row...]: one edition's table of the four programs, from
# the driver's medians. The start-up targets: the launcher within 5% of the floor, and
# at least a fifth faster than the usual way.
table() {
  local file="$1" bare="$2" bare_label="$3" mem="$4" mem_label="$5" mem_target="$6" size_file="$7" size_target="$8"
  shift 8
  local args=() p key
  # The driver's names; the bare window is "minimal" in the Windows driver's.
  for p in launcher bare floor stock; do
    key="$p"
    [[ "$p" == bare ]] && key="$bare"
    args+=(-v "${p}_ms=$(value "$file" "${key}_startup_ms")" -v "${p}_min=$(value "$file" "${key}_startup_ms_min")"
           -v "${p}_max=$(value "$file" "${key}_startup_ms_max")" -v "${p}_kib=$(value "$file" "${key}_${mem}")")
  done
  local size="" extra
  [[ -n "$size_file" ]] && size="$(stat -c %s "$size_file")"
  extra="$(printf '%s\n' "$@")"
  awk "${args[@]}" -v bare_label="$bare_label" -v mem_label="$mem_label" -v mem_target="$mem_target" \
      -v size="$size" -v size_file="${size_file#"$ROOT/"}" -v size_target="$size_target" -v extra="$extra" '
  function mark(ok) { return ok ? "pass" : "MISS" }
  function row(what, figure, target, m) { printf "| %-44s | %-24s | %-12s | %-4s |\n", what, figure, target, m }
  function ms(p) { return sprintf("%.1f ms (%.1f-%.1f)", V[p "_ms"], V[p "_min"], V[p "_max"]) }
  BEGIN {
    V["launcher_ms"] = launcher_ms; V["launcher_min"] = launcher_min; V["launcher_max"] = launcher_max
    V["bare_ms"] = bare_ms; V["bare_min"] = bare_min; V["bare_max"] = bare_max
    V["floor_ms"] = floor_ms; V["floor_min"] = floor_min; V["floor_max"] = floor_max
    V["stock_ms"] = stock_ms; V["stock_min"] = stock_min; V["stock_max"] = stock_max
    row("measure", "figure", "target", "mark")
    printf "|%s|%s|%s|%s|\n", "----------------------------------------------", "--------------------------", "--------------", "------"
    row("start-up to first complete frame, launcher", ms("launcher"), "", "")
    row("start-up, " bare_label, ms("bare"), "", "")
    row("start-up, floor (the captions alone)", ms("floor"), "", "")
    row("start-up, usual way (stock widgets)", ms("stock"), "", "")
    f = launcher_ms / floor_ms; u = launcher_ms / stock_ms
    row("start-up ratio, launcher / floor", sprintf("%.3f", f), "<= 1.05", mark(f <= 1.05))
    row("start-up ratio, launcher / usual way", sprintf("%.3f", u), "<= 0.80", mark(u <= 0.80))
    row("start-up ratio, launcher / " bare_label, sprintf("%.3f", launcher_ms / V["bare_ms"]), "", "")
    n = split(extra, lines, "\n")
    for (i = 1; i <= n; ++i) if (split(lines[i], cell, "|") == 2) row(cell[1], cell[2], "", "")
    row(mem_label ", launcher", sprintf("%d KiB", launcher_kib), "", "")
    row(mem_label ", " bare_label, sprintf("%d KiB", bare_kib), "", "")
    row(mem_label ", floor", sprintf("%d KiB", floor_kib), "", "")
    row(mem_label ", usual way", sprintf("%d KiB", stock_kib), "", "")
    row(mem_label ", difference from bare", sprintf("%+d KiB", launcher_kib - bare_kib), "<= " mem_target " KiB",
        mark(launcher_kib - bare_kib <= mem_target + 0))
    if (size != "") {
      kib = size / 1024
      row("size of " size_file, sprintf("%d B (%.1f KiB)", size, kib), size_target == "" ? "" : "<= " size_target " KiB",
          size_target == "" ? "" : mark(kib <= size_target))
    }
  }'
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
  [[ -n "$OTHER" ]] && LAUNCHER="$OTHER/win64/ZelProject.exe" PRODUCT=""
  local DRIVER="$ROOT/build/win64/bench/zel_bench_driver.exe"
  local MINIMAL="$ROOT/build/win64/bench/zel_minimal_window.exe"
  local FLOOR="$ROOT/build/win64/bench/zel_floor_window.exe"
  local STOCK="$ROOT/build/win64/bench/zel_stock_window.exe"
  for f in ${PRODUCT:+"$PRODUCT"} "$LAUNCHER" "$DRIVER" "$MINIMAL" "$FLOOR" "$STOCK"; do
    [[ -f "$f" ]] || die "missing $f"
  done

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
  if ! timeout 1800 "$WINE" "$DRIVER" "$(winpath "$LAUNCHER")" "$(winpath "$MINIMAL")" "$(winpath "$FLOOR")" \
      "$(winpath "$STOCK")" \
      "$(winpath "$ROOT/res/banner.jpg")" "$(winpath "$ROOT/res/buy.png")" "$RUNS" >"$RUNS_FILE" 2>"$WORK/driver.err"; then
    cat "$RUNS_FILE" "$WORK/driver.err" >&2
    die "the driver failed"
  fi
  stop_started

  local DECODE REPS
  DECODE="$(value "$RUNS_FILE" banner_decode_ms)" REPS="$(value "$RUNS_FILE" banner_decode_repetitions)"
  printf 'Benchmark: medians of %d alternating runs each (x86_64 build under wine64, Xvfb 1280x1024x24)\n' "$RUNS"
  [[ -n "$OTHER" ]] && printf 'The launcher: %s\n' "$LAUNCHER"
  echo
  table "$RUNS_FILE" minimal minimal peak_working_set_kib "peak working set" 2048 "$PRODUCT" 640 \
    "banner decode (DecodeJpeg, median of $REPS)|$(printf '%.2f ms' "$DECODE")"
}

# bench_linux <preset>: linux (Qt 5) or linux-gtk (GTK 3), each against a bare
# window of its own toolkit.
bench_linux() {
  local PRESET="$1" KIT TOOLKIT
  if [[ "$PRESET" == linux-gtk ]]; then
    KIT=GTK TOOLKIT="GTK $(pkg-config --modversion gtk+-3.0), X11"
  else
    KIT=Qt TOOLKIT="Qt $(dpkg-query -W -f='${Version}' libqt5core5a 2>/dev/null | sed 's/[+~-].*//'), xcb"
  fi
  log "building $PRESET"
  # Others build the Linux presets too: one build at a time in a folder.
  if ! { cmake --preset "$PRESET" &&
         flock "/tmp/zel-$PRESET-build.lock" cmake --build --preset "$PRESET" --target ZelProject zel_bare_window \
           zel_floor_window zel_stock_window zel_bench_linux
       } >"$WORK/build-$PRESET.log" 2>&1; then
    cat "$WORK/build-$PRESET.log" >&2
    die "the $PRESET build failed"
  fi
  local LAUNCHER="$ROOT/build/$PRESET/ZelProject"
  local SIZED="$LAUNCHER"
  [[ -n "$OTHER" ]] && LAUNCHER="$OTHER/$PRESET/ZelProject" SIZED=""
  local BENCH="$ROOT/build/$PRESET/bench/linux"
  local BARE="$BENCH/zel_bare_window" FLOOR="$BENCH/zel_floor_window" STOCK="$BENCH/zel_stock_window"
  local DRIVER="$BENCH/zel_bench_linux"
  for f in "$LAUNCHER" "$BARE" "$FLOOR" "$STOCK" "$DRIVER"; do [[ -f "$f" ]] || die "missing $f"; done

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
      timeout 1800 "$DRIVER" "$LAUNCHER" "$BARE" "$FLOOR" "$STOCK" "$ROOT/res/banner.jpg" "$ROOT/res/buy.png" "$RUNS" \
      >"$RUNS_FILE" 2>"$WORK/driver-$PRESET.err"; then
    cat "$RUNS_FILE" "$WORK/driver-$PRESET.err" >&2
    die "the Linux driver failed"
  fi
  stop_started

  printf 'Linux benchmark (%s): medians of %d alternating runs each (%s, Xvfb 1280x1024x24)\n' "$PRESET" "$RUNS" \
    "$TOOLKIT"
  [[ -n "$OTHER" ]] && printf 'The launcher: %s\n' "$LAUNCHER"
  echo
  table "$RUNS_FILE" bare "bare $KIT window" peak_rss_kib "peak resident set" 6144 "$SIZED" ""
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
