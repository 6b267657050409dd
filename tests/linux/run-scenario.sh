#!/usr/bin/env bash
# Runs one scenario of the driver against the launcher in the display, home and bus
# that fixture.sh started, with xdg-open's stand-in first on PATH. --style sets
# QT_STYLE_OVERRIDE, --theme GTK_THEME, --dpi the display's Xft.dpi (96 otherwise),
# for the driver and the launcher alike.
#
#   run-scenario.sh --state <file> --driver <zel-linux-test> --launcher <ZelProject>
#                   [--style <name>] [--theme <name>] [--dpi <Xft.dpi>] [--name <work folder>]
#                   [driver options...] <scenario>
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

die() { printf 'linux-e2e: %s\n' "$*" >&2; exit 1; }

STATE="" DRIVER="" STYLE="" THEME="" DPI=96 NAME="" SCENARIO="" PASS=()
while (($#)); do
  case "$1" in
    --state) STATE="$2"; shift 2 ;;
    --driver) DRIVER="$2"; shift 2 ;;
    --style) STYLE="$2"; shift 2 ;;
    --theme) THEME="$2"; shift 2 ;;
    --dpi) DPI="$2"; shift 2 ;;
    --name) NAME="$2"; shift 2 ;;
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
# A scenario killed before it put back the work area leaves it for the next.
echo "Xft.dpi: $DPI" | xrdb -merge
xprop -root -remove _NET_WORKAREA 2>/dev/null

# Output to a file: programs the launcher starts could otherwise hold CTest's pipe.
timeout --kill-after=10 240 "$DRIVER" "$SCENARIO" --work "$WORK" "${PASS[@]}" >"$WORK/driver.log" 2>&1 </dev/null
rc=$?
cat "$WORK/driver.log"
((rc == 124 || rc == 137)) && printf 'linux-e2e: the driver was stopped after 240 s\n'
exit "$rc"
