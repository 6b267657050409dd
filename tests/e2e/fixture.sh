#!/usr/bin/env bash
# Starts (start) or stops (stop) what the end-to-end scenarios share: an Xvfb display
# on a free number, a persistent wineserver for the test prefix, and a driver process
# that keeps the prefix's desktop up. Writes their ids to the state file; stop ends
# exactly those (and, through wineserver -k, the Wine processes of this prefix).
#
#   fixture.sh start|stop --state <file> --driver <zeltest.exe> --prefix <wineprefix>
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/common.sh"

action="${1:-}"
shift || true
STATE="" DRIVER="" PREFIX=""
while (($#)); do
  case "$1" in
    --state) STATE="$2"; shift 2 ;;
    --driver) DRIVER="$2"; shift 2 ;;
    --prefix) PREFIX="$2"; shift 2 ;;
    *) die "unknown argument $1" ;;
  esac
done
[[ -n "$STATE" && -n "$DRIVER" && -n "$PREFIX" ]] || die "usage: fixture.sh start|stop --state F --driver D --prefix P"
STATE_DIR="$(dirname "$STATE")"
PREFIX="$(cd "$PREFIX" 2>/dev/null && pwd)" || die "no Wine prefix directory: run scripts/setup.sh"

# Is this pid still the program we started (and not a reused pid)?
is_ours() { [[ -n "${1:-}" ]] && [[ "$(cat "/proc/$1/comm" 2>/dev/null)" == "$2"* ]]; }

stop_recorded() {
  [[ -f "$STATE" ]] || return 0
  local XVFB_PID="" WINESERVER_PID="" DISPLAY_NAME="" PREFIX_PATH="" DESKTOP_PID=""
  # shellcheck disable=SC1090
  source "$STATE"
  if is_ours "$WINESERVER_PID" wineserver; then
    DISPLAY="$DISPLAY_NAME" WINEPREFIX="$PREFIX" WINEDEBUG=-all restore_leftovers "$STATE_DIR" "$PREFIX" "$DRIVER"
    is_ours "$DESKTOP_PID" zeltest && kill "$DESKTOP_PID" 2>/dev/null || true
    # Ends every process of this prefix and the server itself; nothing outside the prefix.
    WINEPREFIX="$PREFIX" "$WINESERVER" -k 2>/dev/null || true
    for _ in $(seq 100); do is_ours "$WINESERVER_PID" wineserver || break; sleep 0.1; done
    is_ours "$WINESERVER_PID" wineserver && kill "$WINESERVER_PID" 2>/dev/null || true
  fi
  restore_explorer "$PREFIX"
  if is_ours "$XVFB_PID" Xvfb; then
    kill "$XVFB_PID" 2>/dev/null || true
    for _ in $(seq 50); do is_ours "$XVFB_PID" Xvfb || break; sleep 0.1; done
  fi
  rm -f "$STATE"
  log "stopped Xvfb $DISPLAY_NAME (pid $XVFB_PID), wineserver (pid $WINESERVER_PID), desktop holder (pid $DESKTOP_PID)"
}

start() {
  [[ -f "$PREFIX/.ready" ]] || die "no Wine prefix at $PREFIX: run scripts/setup.sh"
  [[ -f "$DRIVER" ]] || die "no driver at $DRIVER"
  mkdir -p "$STATE_DIR"
  # An earlier run that was killed may have left its processes: end those first.
  stop_recorded

  export WINEPREFIX="$PREFIX" WINEDEBUG=-all
  unset WINEDLLOVERRIDES
  # A wineserver someone else runs for this prefix: wait for it, never end it.
  # (Another checkout's tests or a benchmark may hold it for a few minutes.)
  local server_pid="" rc deadline=$((SECONDS + 300))
  for ((attempt = 1; SECONDS < deadline; attempt++)); do
    setsid "$WINESERVER" -f -p >"$STATE_DIR/wineserver.log" 2>&1 </dev/null &
    server_pid=$!
    sleep 0.3
    is_ours "$server_pid" wineserver && break
    rc=0
    wait "$server_pid" || rc=$?
    server_pid=""
    # 2: a server for this prefix is running already.
    ((rc == 2)) || die "wineserver did not start (exit $rc): $(cat "$STATE_DIR/wineserver.log")"
    ((attempt == 1)) && log "another wineserver serves $PREFIX; waiting for it to end"
    sleep 1
  done
  [[ -n "$server_pid" ]] || die "another wineserver kept serving $PREFIX"
  # The prefix is ours now: Wine's own explorer, should a killed run have left the stand-in.
  restore_explorer "$PREFIX"

  local n xvfb_pid=""
  for n in $(seq 100 199); do
    [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]] && continue
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$STATE_DIR/xvfb.log" 2>&1 </dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
      [[ -e "/tmp/.X11-unix/X$n" ]] && break
      is_ours "$xvfb_pid" Xvfb || break
      sleep 0.05
    done
    if [[ -e "/tmp/.X11-unix/X$n" ]] && is_ours "$xvfb_pid" Xvfb; then break; fi
    xvfb_pid=""  # lost a race for that number: try the next
  done
  write_state() {
    printf 'DISPLAY_NAME=:%s\nXVFB_PID=%s\nWINESERVER_PID=%s\nDESKTOP_PID=%s\nPREFIX_PATH=%q\n' \
      "$n" "$xvfb_pid" "$server_pid" "$1" "$PREFIX" >"$STATE"
  }
  # Written now, so a failure below still lets stop end what was started.
  write_state ""
  [[ -n "$xvfb_pid" ]] || die "could not start Xvfb on any display from :100 to :199"

  # Bring up the prefix's desktop with Wine's own explorer, before any scenario swaps
  # in the stand-in, and keep it up for the whole session. Output to a file: Wine's
  # helper processes keep the descriptors they inherit open.
  export DISPLAY=":$n"
  local log="$STATE_DIR/desktop.log" desktop_pid
  setsid "$WINE" "$DRIVER" desktop >"$log" 2>&1 </dev/null &
  desktop_pid=$!
  write_state "$desktop_pid"
  for _ in $(seq 1200); do
    grep -q '^holding the desktop' "$log" 2>/dev/null && break
    [[ -e "/proc/$desktop_pid" ]] || break
    sleep 0.1
  done
  cat "$log"
  grep -q '^holding the desktop' "$log" || die "the driver could not bring up Wine's desktop"
  # Wine's own service processes come up with the first program; one still starting
  # when a scenario sends its first click holds that click up. Wait until none is.
  "$WINE" "$DRIVER" settle >>"$log" 2>&1 </dev/null || true
  tail -n 1 "$log"
  # Registry values a killed run left changed go back before any scenario starts.
  restore_leftovers "$STATE_DIR" "$PREFIX" "$DRIVER"
  log "Xvfb :$n (pid $xvfb_pid), wineserver (pid $server_pid), desktop holder (pid $desktop_pid) for $PREFIX"
}

case "$action" in
  start) start ;;
  stop) stop_recorded ;;
  *) die "usage: fixture.sh start|stop ..." ;;
esac
