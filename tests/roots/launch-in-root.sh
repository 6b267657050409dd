#!/usr/bin/env bash
# Given to the Linux end-to-end driver as the launcher: starts the release archive's program
# in a Debian root of scripts/roots.sh, in this same process, so the pid the driver started
# is the program's (and its window's _NET_WM_PID). The program sees the unpacked archive at
# /mnt/app, the recording xdg-open first on its PATH and the record's folder; nothing else of
# the host but the display.
#
#   ZEL_ROOT=<root name> ZEL_ROOT_APP=<unpacked folder> launch-in-root.sh
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
: "${ZEL_ROOT:?which root}" "${ZEL_ROOT_APP:?the unpacked archive folder}" "${DISPLAY:?no display}"
args=(--bind "$ZEL_ROOT_APP:app" --bind "$HERE/../linux/stubs:stubs"
      --env "DISPLAY=$DISPLAY" --env PATH=/mnt/stubs:/usr/bin:/bin)
if [[ -n "${ZEL_URL_RECORD:-}" ]]; then
  args+=(--bind "$(dirname "$ZEL_URL_RECORD"):record" --env "ZEL_URL_RECORD=/mnt/record/$(basename "$ZEL_URL_RECORD")")
fi
exec "$HERE/../../scripts/roots.sh" run "$ZEL_ROOT" "${args[@]}" -- /mnt/app/ZelProject
