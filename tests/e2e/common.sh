# Shared by fixture.sh and run-scenario.sh.
# shellcheck shell=bash
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64

log() { printf 'e2e: %s\n' "$*"; }
die() { printf 'e2e: %s\n' "$*" >&2; exit 1; }

# Puts Wine's own explorer back in the prefix if a stand-in is in its place. A rename,
# so a process that has the file mapped keeps its copy.
restore_explorer() {
  local prefix="$1" target="$1/drive_c/windows/system32/explorer.exe"
  [[ -f "$prefix/explorer.exe.orig" ]] || return 0
  cmp -s "$prefix/explorer.exe.orig" "$target" && return 0
  cp "$prefix/explorer.exe.orig" "$target.zel-restore"
  mv -f "$target.zel-restore" "$target"
}

# Puts the recording stand-in in place of Wine's explorer.
swap_in_standin() {
  local prefix="$1" standin="$2" target="$1/drive_c/windows/system32/explorer.exe"
  [[ -f "$prefix/explorer.exe.orig" ]] || die "no copy of Wine's explorer at $prefix/explorer.exe.orig"
  cp "$standin" "$target.zel-standin"
  mv -f "$target.zel-standin" "$target"
}

# Registry values a scenario changed and could not put back itself (it was killed).
restore_leftovers() {
  local state_dir="$1" prefix="$2" driver="$3" backup
  while IFS= read -r -d '' backup; do
    log "restoring the registry value saved in $backup"
    timeout 60 "$WINE" "$driver" restore-registry "$backup" >/dev/null 2>&1 || log "could not restore from $backup"
  done < <(find "$state_dir" -name '*.regbackup' -print0 2>/dev/null)
  restore_explorer "$prefix"
}
