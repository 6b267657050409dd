#!/usr/bin/env bash
# Given to the Linux end-to-end driver as the launcher: starts the release archive's program
# in a Debian root of scripts/roots.sh, in this same process, so the pid the driver started
# is the program's (and its window's _NET_WM_PID). The program sees the unpacked archive at
# /mnt/app, the recording xdg-open first on its PATH and the record's folder; nothing else of
# the host but the display.
#
# With ZEL_ROOT_START=autorun it is started as a desktop starts a disc's autorun file: that
# file, in the disc's root folder.
#
#   ZEL_ROOT=<root name> ZEL_ROOT_APP=<unpacked folder> [ZEL_ROOT_START=autorun] launch-in-root.sh
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
: "${ZEL_ROOT:?which root}" "${ZEL_ROOT_APP:?the unpacked archive folder}" "${DISPLAY:?no display}"
args=(--bind "$ZEL_ROOT_APP:app" --bind "$HERE/../linux/stubs:stubs"
      --env "DISPLAY=$DISPLAY" --env PATH=/mnt/stubs:/usr/bin:/bin)
if [[ -n "${ZEL_URL_RECORD:-}" ]]; then
  args+=(--bind "$(dirname "$ZEL_URL_RECORD"):record" --env "ZEL_URL_RECORD=/mnt/record/$(basename "$ZEL_URL_RECORD")")
fi
start=(/mnt/app/ZelProject)
[[ "${ZEL_ROOT_START:-}" == autorun ]] && start=(/bin/sh -c 'cd /mnt/app && exec ./autorun')
exec "$HERE/../../scripts/roots.sh" run "$ZEL_ROOT" "${args[@]}" -- "${start[@]}"
