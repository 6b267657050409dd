#!/usr/bin/env bash
# Runs one scenario of the driver against the launcher in the display, home and bus
# that fixture.sh started, with xdg-open's stand-in first on PATH. --style sets
# QT_STYLE_OVERRIDE, --theme GTK_THEME, --dpi the display's Xft.dpi (96 otherwise),
# for the driver and the launcher alike. --wm runs the scenario on a desk of its own
# instead: a display of 1280 x 1024 (--heads 1) or two such heads side by side (--heads 2:
# Xephyr with Xinerama inside an Xvfb wide enough to hold it), under that window
# manager; what it started for the desk is ended at exit.
#
#   run-scenario.sh --state <file> --driver <zel-linux-test> --launcher <ZelProject>
#                   [--style <name>] [--theme <name>] [--dpi <Xft.dpi>] [--name <work folder>]
#                   [--wm openbox|xfwm4|metacity [--heads 1|2]] [driver options...] <scenario>
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

die() { printf 'linux-e2e: %s\n' "$*" >&2; exit 1; }

STATE="" DRIVER="" STYLE="" THEME="" DPI=96 NAME="" WM="" HEADS=1 SCENARIO="" PASS=()
while (($#)); do
  case "$1" in
    --state) STATE="$2"; shift 2 ;;
    --driver) DRIVER="$2"; shift 2 ;;
    --style) STYLE="$2"; shift 2 ;;
    --theme) THEME="$2"; shift 2 ;;
    --dpi) DPI="$2"; shift 2 ;;
    --name) NAME="$2"; shift 2 ;;
    --wm) WM="$2"; shift 2 ;;
    --heads) HEADS="$2"; shift 2 ;;
    --launcher | --failing | --bare | --planted | --looks) PASS+=("$1" "$2"); shift 2 ;;
    --*) die "unknown option $1" ;;
    *) SCENARIO="$1"; shift ;;
  esac
done
[[ -n "$STATE" && -n "$DRIVER" && -n "$SCENARIO" ]] || die "missing arguments"
[[ -f "$STATE" ]] || die "no $STATE: the linux-e2e.setup fixture has not run"
DISPLAY_NAME="" XVFB_PID="" DBUS_PID="" DBUS_ADDRESS="" FILE_MANAGER_PID="" HOME_DIR="" RUNTIME_DIR=""
# shellcheck disable=SC1090
source "$STATE"
[[ -e "/proc/$XVFB_PID" && -e "/proc/$DBUS_PID" && -e "/proc/$FILE_MANAGER_PID" ]] ||
  die "the fixture's Xvfb, session bus or fake file manager is gone"

WORK="$(dirname "$STATE")/${NAME:-$SCENARIO}"
rm -rf "$WORK" && mkdir -p "$WORK"
# Nothing of the caller's desktop may choose the launcher's platform, style or scale.
unset GTK_THEME GDK_BACKEND GDK_SCALE GDK_DPI_SCALE GTK_MODULES GTK2_RC_FILES \
  QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_PLUGIN_PATH QT_SCALE_FACTOR \
  QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING QT_FONT_DPI \
  XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY XDG_SESSION_TYPE XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
export DISPLAY="$DISPLAY_NAME" HOME="$HOME_DIR" XDG_RUNTIME_DIR="$RUNTIME_DIR" DBUS_SESSION_BUS_ADDRESS="$DBUS_ADDRESS"
export PATH="$HERE/stubs:$PATH"
[[ -n "$STYLE" ]] && export QT_STYLE_OVERRIDE="$STYLE"
[[ -n "$THEME" ]] && export GTK_THEME="$THEME"

# ---- A desk of its own under a window manager -------------------------------------
DESK=()  # pid:program of each process started for it, in order
end_desk() {
  local i pid name
  for ((i = ${#DESK[@]} - 1; i >= 0; i--)); do
    pid="${DESK[i]%%:*}" name="${DESK[i]#*:}"
    [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == "${name:0:15}" ]] || continue
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == "${name:0:15}" ]] && kill -9 "$pid" 2>/dev/null
  done
  return 0
}
trap end_desk EXIT
started() { DESK+=("$1:$(basename "$2")"); }
# X server on the first free display from :200 up (the fixture takes :120 to :199).
start_server() {
  local n pid
  for n in $(seq 200 299); do
    [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]] && continue
    "$@" ":$n" -nolisten tcp -noreset -dpi 96 >>"$WORK/desk.log" 2>&1 </dev/null &
    pid=$!
    for _ in $(seq 100); do [[ -e "/tmp/.X11-unix/X$n" ]] && break; kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    sleep 0.2
    if [[ -e "/tmp/.X11-unix/X$n" ]] && kill -0 "$pid" 2>/dev/null; then started "$pid" "$1"; SERVER=":$n"; return 0; fi
    kill "$pid" 2>/dev/null
  done
  return 1
}
start_desk() {
  local -a manager
  case "$WM" in
    openbox) manager=(openbox) ;;
    xfwm4) manager=(xfwm4 --compositor=off) ;;
    metacity) manager=(metacity --replace) ;;
    *) die "unknown window manager $WM" ;;
  esac
  if [[ "$HEADS" == 1 ]]; then
    start_server Xvfb -screen 0 1280x1024x24 || die "could not start Xvfb for the desk"
  elif [[ "$HEADS" == 2 ]]; then
    start_server Xvfb -screen 0 2600x1100x24 || die "could not start Xvfb for the desk"
    DISPLAY="$SERVER" start_server Xephyr -screen 1280x1024 -screen 1280x1024 +xinerama ||
      die "could not start Xephyr for the desk"
  else
    die "--heads is 1 or 2"
  fi
  export DISPLAY="$SERVER"
  # The manager's settings stay in the scenario's folder; no session bus of the
  # fixture's, whose services it would start.
  local home="$WORK/desk-home" bus="unix:path=$WORK/no-bus"
  mkdir -p "$home"
  if [[ "$WM" == xfwm4 ]]; then
    # xfwm4 reads its settings through xfconfd only: a bus and an xfconfd of its own.
    local xfconfd
    xfconfd="$(compgen -G '/usr/lib/*/xfce4/xfconf/xfconfd' | head -1)"
    [[ -x "$xfconfd" ]] || die "no xfconfd (package xfconf)"
    dbus-daemon --session --nofork --print-address=1 >"$WORK/desk-bus.address" 2>>"$WORK/desk.log" </dev/null &
    started $! dbus-daemon
    for _ in $(seq 100); do grep -q guid= "$WORK/desk-bus.address" && break; sleep 0.05; done
    bus="$(head -1 "$WORK/desk-bus.address")"
    [[ -n "$bus" ]] || die "the desk's bus gave no address"
    HOME="$home" DBUS_SESSION_BUS_ADDRESS="$bus" "$xfconfd" >>"$WORK/desk.log" 2>&1 </dev/null &
    started $! xfconfd
    for _ in $(seq 100); do
      DBUS_SESSION_BUS_ADDRESS="$bus" dbus-send --session --print-reply --dest=org.freedesktop.DBus \
        /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.xfce.Xfconf 2>/dev/null |
        grep -q 'boolean true' && break
      sleep 0.05
    done
  fi
  # GTK's accessibility bridge in the manager would start the accessibility bus.
  HOME="$home" DBUS_SESSION_BUS_ADDRESS="$bus" GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 GTK_A11Y=none \
    "${manager[@]}" >>"$WORK/desk.log" 2>&1 </dev/null &
  started $! "${manager[0]}"
  for _ in $(seq 200); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0; sleep 0.05; done
  die "$WM did not come up: $(tail -3 "$WORK/desk.log")"
}
if [[ -n "$WM" ]]; then
  start_desk
  PASS+=(--wm "$WM")
else
  # A scenario killed before it put back the work area leaves it for the next.
  xprop -root -remove _NET_WORKAREA 2>/dev/null
fi
echo "Xft.dpi: $DPI" | xrdb -merge

# Output to a file: programs the launcher starts could otherwise hold CTest's pipe.
timeout --kill-after=10 240 "$DRIVER" "$SCENARIO" --work "$WORK" "${PASS[@]}" >"$WORK/driver.log" 2>&1 </dev/null
rc=$?
cat "$WORK/driver.log"
((rc == 124 || rc == 137)) && printf 'linux-e2e: the driver was stopped after 240 s\n'
exit "$rc"
