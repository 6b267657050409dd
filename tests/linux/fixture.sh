#!/usr/bin/env bash
# Starts (start) or stops (stop) what the Linux end-to-end scenarios share: an Xvfb
# display on a free number (no window manager), a private HOME with Wine's Tahoma in
# its fonts, a private session bus and the fake file manager on it. Writes their ids
# and addresses to the state file; stop ends exactly those processes.
#
#   fixture.sh start|stop --state <file> --driver <zel-linux-test>
set -euo pipefail

log() { printf 'linux-e2e: %s\n' "$*"; }
die() { printf 'linux-e2e: %s\n' "$*" >&2; exit 1; }

action="${1:-}"
shift || true
STATE="" DRIVER=""
while (($#)); do
  case "$1" in
    --state) STATE="$2"; shift 2 ;;
    --driver) DRIVER="$2"; shift 2 ;;
    *) die "unknown argument $1" ;;
  esac
done
[[ -n "$STATE" && -n "$DRIVER" ]] || die "usage: fixture.sh start|stop --state F --driver D"
STATE_DIR="$(cd "$(dirname "$STATE")" 2>/dev/null && pwd || dirname "$STATE")"

# Is this pid still the program we started (and not a reused pid)?
# A zombie has ended: whoever reaps orphans here may take a while to.
is_ours() {
  [[ -n "${1:-}" ]] && [[ "$(cat "/proc/$1/comm" 2>/dev/null)" == "$2"* ]] &&
    [[ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]]
}
# Still running: right after the fork it has not yet become the program it runs.
alive() { kill -0 "$1" 2>/dev/null; }

end_process() {
  local pid="$1" name="$2"
  is_ours "$pid" "$name" || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do is_ours "$pid" "$name" || return 0; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
}

stop_recorded() {
  [[ -f "$STATE" ]] || return 0
  local XVFB_PID="" DBUS_PID="" FILE_MANAGER_PID="" DISPLAY_NAME="" HOLDER_PID=""
  # shellcheck disable=SC1090
  source "$STATE"
  end_process "$FILE_MANAGER_PID" zel-linux-test
  end_process "$DBUS_PID" dbus-daemon
  end_process "$XVFB_PID" Xvfb
  rm -f "$STATE"
  # Last: the next session may start once the lock is free.
  is_ours "$HOLDER_PID" flock && kill -- "-$HOLDER_PID" 2>/dev/null || true
  log "stopped Xvfb $DISPLAY_NAME (pid $XVFB_PID), dbus-daemon (pid $DBUS_PID), fake file manager (pid $FILE_MANAGER_PID)"
}

start() {
  [[ -x "$DRIVER" ]] || die "no driver at $DRIVER"
  local font
  for font in tahoma.ttf tahomabd.ttf; do
    [[ -f "/usr/share/wine/fonts/$font" ]] || die "no /usr/share/wine/fonts/$font: install fonts-wine"
  done
  mkdir -p "$STATE_DIR"
  # One session at a time in this build folder (someone else's ctest run, say): a
  # process group of its own holds the lock from here until stop, or for at most a
  # quarter of an hour should the session be killed outright.
  rm -f "$STATE_DIR/lock.held"
  setsid flock -x "$STATE_DIR/../fixture.lock" sh -c "touch '$STATE_DIR/lock.held'; exec sleep 900" </dev/null >/dev/null 2>&1 &
  local holder_pid=$!
  for _ in $(seq 9000); do [[ -e "$STATE_DIR/lock.held" ]] && break; alive "$holder_pid" || break; sleep 0.1; done
  [[ -e "$STATE_DIR/lock.held" ]] || { kill -- "-$holder_pid" 2>/dev/null; die "another session kept this build folder's tests"; }
  # A run that was killed may have left its processes: end those first.
  stop_recorded

  local home="$STATE_DIR/home" runtime="$STATE_DIR/runtime" n="" xvfb_pid="" dbus_pid="" dbus_address="" manager_pid=""
  write_state() {
    printf 'DISPLAY_NAME=:%s\nXVFB_PID=%s\nDBUS_PID=%s\nDBUS_ADDRESS=%q\nFILE_MANAGER_PID=%s\nHOME_DIR=%q\nRUNTIME_DIR=%q\nHOLDER_PID=%s\n' \
      "$n" "$xvfb_pid" "$dbus_pid" "$dbus_address" "$manager_pid" "$home" "$runtime" "$holder_pid" >"$STATE"
  }
  # Written at each step, and a set-up that fails half-way ends what it has started.
  write_state
  trap 'stop_recorded' EXIT

  rm -rf "$home" "$runtime"
  mkdir -p "$home/.fonts" "$runtime"
  chmod 700 "$runtime"
  # fontconfig does not search Wine's font folder; the user's own font folder it does.
  cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$home/.fonts/"
  HOME="$home" XDG_CACHE_HOME="$home/.cache" fc-cache -f "$home/.fonts" >/dev/null

  for n in $(seq 120 199); do
    [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]] && continue
    # -noreset: root window properties (Xft.dpi) outlast the clients that set them.
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset >"$STATE_DIR/xvfb.log" 2>&1 </dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
      [[ -e "/tmp/.X11-unix/X$n" ]] && break
      alive "$xvfb_pid" || break
      sleep 0.05
    done
    if [[ -e "/tmp/.X11-unix/X$n" ]] && is_ours "$xvfb_pid" Xvfb; then break; fi
    end_process "$xvfb_pid" Xvfb
    xvfb_pid=""  # lost a race for that number: try the next
  done
  write_state
  [[ -n "$xvfb_pid" ]] || die "could not start Xvfb on any display from :120 to :199"
  echo "Xft.dpi: 96" | DISPLAY=":$n" xrdb -merge || die "xrdb could not set Xft.dpi"

  # A bus of our own: no desktop file manager on it but ours.
  rm -f "$STATE_DIR/dbus.address" "$STATE_DIR/file-manager.log"
  setsid dbus-daemon --session --nofork --print-address=1 >"$STATE_DIR/dbus.address" 2>"$STATE_DIR/dbus.log" </dev/null &
  dbus_pid=$!
  write_state
  for _ in $(seq 100); do
    # The whole line: the address ends with the bus's id.
    dbus_address="$(grep -m1 'guid=' "$STATE_DIR/dbus.address" 2>/dev/null || true)"
    [[ -n "$dbus_address" ]] && break
    alive "$dbus_pid" || break
    sleep 0.05
  done
  write_state
  [[ -n "$dbus_address" ]] || die "dbus-daemon gave no address: $(cat "$STATE_DIR/dbus.log")"

  DBUS_SESSION_BUS_ADDRESS="$dbus_address" HOME="$home" \
    setsid "$DRIVER" file-manager >"$STATE_DIR/file-manager.log" 2>&1 </dev/null &
  manager_pid=$!
  write_state
  for _ in $(seq 200); do
    grep -q 'ready' "$STATE_DIR/file-manager.log" 2>/dev/null && break
    alive "$manager_pid" || break
    sleep 0.05
  done
  grep -q 'ready' "$STATE_DIR/file-manager.log" || die "the fake file manager did not start: $(cat "$STATE_DIR/file-manager.log")"
  trap - EXIT
  log "Xvfb :$n (pid $xvfb_pid), dbus-daemon (pid $dbus_pid) at $dbus_address, fake file manager (pid $manager_pid)"
}

case "$action" in
  start) start ;;
  stop) stop_recorded ;;
  *) die "usage: fixture.sh start|stop ..." ;;
esac
