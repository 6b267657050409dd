#!/usr/bin/env bash
# Runs one scenario of the driver against the launcher, in the display and prefix
# that fixture.sh started. With --standin, the file browser is replaced by the
# recording stand-in for this scenario only, and always put back. --dll-overrides adds
# to WINEDLLOVERRIDES for this scenario (Wine's syntax: "uxtheme,dwmapi=n,b"). --disc makes
# the release's disc image afresh (scripts/dist.sh iso, which builds in a Debian root and so
# needs root: without it the scenario is skipped, exit code 77) and extracts its Joliet tree,
# as Windows reads the disc, with the launcher given in the 32-bit program's place; the
# driver gets the tree's Unix path in ZEL_E2E_DISC.
#
#   run-scenario.sh --state <file> --driver <zeltest.exe> --launcher <ZelProject.exe>
#                   [--standin <explorer-standin.exe>] [--dll-overrides <overrides>]
#                   [--disc <image.iso>] <scenario>
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/common.sh"

STATE="" DRIVER="" LAUNCHER="" STANDIN="" DLL_OVERRIDES="" DISC="" SCENARIO=""
while (($#)); do
  case "$1" in
    --state) STATE="$2"; shift 2 ;;
    --driver) DRIVER="$2"; shift 2 ;;
    --launcher) LAUNCHER="$2"; shift 2 ;;
    --standin) STANDIN="$2"; shift 2 ;;
    --dll-overrides) DLL_OVERRIDES="$2"; shift 2 ;;
    --disc) DISC="$2"; shift 2 ;;
    --*) die "unknown option $1" ;;
    *) SCENARIO="$1"; shift ;;
  esac
done
[[ -n "$STATE" && -n "$DRIVER" && -n "$LAUNCHER" && -n "$SCENARIO" ]] || die "missing arguments"
[[ -f "$STATE" ]] || die "no $STATE: the e2e.setup fixture has not run"
DISPLAY_NAME="" PREFIX_PATH="" XVFB_PID="" WINESERVER_PID="" DESKTOP_PID=""
# shellcheck disable=SC1090
source "$STATE"
[[ -e "/proc/$XVFB_PID" && -e "/proc/$WINESERVER_PID" && -e "/proc/$DESKTOP_PID" ]] ||
  die "the fixture's Xvfb, wineserver or desktop holder is gone"

WORK="$(dirname "$STATE")/$SCENARIO"
export DISPLAY="$DISPLAY_NAME" WINEPREFIX="$PREFIX_PATH" WINEDEBUG=-all
unset WINEDLLOVERRIDES ZEL_RECORD
restore_leftovers "$WORK" "$WINEPREFIX" "$DRIVER"
[[ -d "$WORK/disc" ]] && chmod -R u+w "$WORK/disc"  # the disc tree is read-only
rm -rf "$WORK" && mkdir -p "$WORK"
# The web browser Wine hands addresses to is xdg-open: ours records them. A Unix
# program started by a Wine program gets the Unix environment Wine itself was started
# with, so both variables are set here.
export PATH="$HERE/stubs:$PATH" ZEL_URL_RECORD="$WORK/url-calls.txt"

finish() {
  restore_leftovers "$WORK" "$WINEPREFIX" "$DRIVER"
  # A driver that was killed leaves its CD-ROM drive behind.
  [[ "$(readlink "$WINEPREFIX/dosdevices/d:" 2>/dev/null)" == "$WORK/disc" ]] && rm -f "$WINEPREFIX/dosdevices/d:"
}
trap finish EXIT

if [[ -n "$DISC" ]]; then
  if [[ $EUID -ne 0 ]]; then
    echo "SKIPPED: the disc image's Linux program is built in a Debian root, which needs chroot, and so root"
    exit 77
  fi
  "$HERE/../../scripts/dist.sh" iso >"$WORK/dist.log" 2>&1 || { cat "$WORK/dist.log"; die "scripts/dist.sh iso failed"; }
  xorriso -read_fs norock -osirrox on -indev "$DISC" -extract / "$WORK/disc" >"$WORK/extract.log" 2>&1 ||
    { cat "$WORK/extract.log"; die "cannot extract the Joliet tree of $DISC"; }
  chmod -R u+w "$WORK/disc"
  cp "$LAUNCHER" "$WORK/disc/ZelProject.exe"
  chmod -R a-w "$WORK/disc"
  export ZEL_E2E_DISC="$WORK/disc"
fi

if [[ -n "$STANDIN" ]]; then
  swap_in_standin "$WINEPREFIX" "$STANDIN"
  # Wine reads this from the Unix environment, which every program the driver starts
  # inherits: they all run the file in system32 rather than Wine's built-in explorer.
  # The desktop, an explorer too, is up already (the fixture keeps it).
  export WINEDLLOVERRIDES="explorer.exe=n"
fi
if [[ -n "$DLL_OVERRIDES" ]]; then
  # Like the one above, read by Wine from the Unix environment when a process starts;
  # a Windows program setting it for its children has no effect.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}$DLL_OVERRIDES"
fi

# Output to a file: processes the launcher starts could otherwise hold CTest's pipe.
timeout --kill-after=10 240 "$WINE" "$DRIVER" "$SCENARIO" --launcher "$LAUNCHER" --work "$WORK" \
  >"$WORK/driver.log" 2>&1 </dev/null
rc=$?
cat "$WORK/driver.log"
((rc == 124 || rc == 137)) && log "the driver was stopped after 240 s"
exit "$rc"
