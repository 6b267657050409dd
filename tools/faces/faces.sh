#!/usr/bin/env bash
# Screenshots of the launcher's faces, and their comparison pixel for pixel: each
# edition in both looks (themed and classic) at 96 and 120 dpi, each button normal,
# hot and pressed. Taken before and after a change to how the editions paint, the two
# sets must be equal.
#
#   faces.sh capture --edition win64|qt5|qt6|gtk --launcher PATH --out DIR [--prefix WINEPREFIX]
#   faces.sh compare DIR_BEFORE DIR_AFTER
#
# capture runs the launcher on an Xvfb of its own (1280x1024x24, no window manager) and
# writes DIR/<edition>-<look>-<dpi>-<button>-<state>.png, the whole client area. Each
# button gets a launcher of its own, so no picture carries what an earlier button left.
# win64 runs under wine64 in the Wine prefix of the checkout the launcher was built in
# (build/wineprefix beside build/win64), else this checkout's, or --prefix; the prefix's
# user registry is put back as it was when the capture ends.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64

# FACES_LOOKS and FACES_DPIS narrow a capture down for a quick look (default: all).
read -ra LOOKS <<<"${FACES_LOOKS:-themed classic}"
read -ra DPIS <<<"${FACES_DPIS:-96 120}"
BUTTONS=(forms samples purchase)
# A point on each button in the 960-pixel-wide design, clear of its caption and of the
# purchase picture; scaled with the window's width.
declare -A HOT_X=([forms]=20 [samples]=491 [purchase]=20)
declare -A HOT_Y=([forms]=190 [samples]=190 [purchase]=305)
# Outside the window at every size (it is centred on the 1280x1024 screen).
NEUTRAL_X=2 NEUTRAL_Y=2

log() { printf 'faces: %s\n' "$*" >&2; }
die() { printf 'faces: %s\n' "$*" >&2; exit 1; }
usage() { die "usage: faces.sh capture --edition win64|qt5|qt6|gtk --launcher PATH --out DIR [--prefix P] | compare BEFORE AFTER"; }

# ---------------------------------------------------------------------------------
# compare

compare_sets() {
  local before="$1" after="$2" name a b metric size_a size_b
  [[ -d "$before" && -d "$after" ]] || die "compare: $before and $after must both be folders"
  local -a names
  mapfile -t names < <({
    (cd "$before" && ls -- *.png 2>/dev/null) || true
    (cd "$after" && ls -- *.png 2>/dev/null) || true
  } | sort -u)
  ((${#names[@]})) || die "compare: no pictures in $before or $after"
  local same=0 differ=0 missing=0
  for name in "${names[@]}"; do
    a="$before/$name" b="$after/$name"
    if [[ ! -f "$a" || ! -f "$b" ]]; then
      printf 'MISSING  %s (not in %s)\n' "$name" "$([[ -f "$a" ]] && echo "$after" || echo "$before")"
      missing=$((missing + 1))
      continue
    fi
    size_a="$(identify -format '%wx%h' "$a")" size_b="$(identify -format '%wx%h' "$b")"
    if [[ "$size_a" != "$size_b" ]]; then
      printf 'DIFFER   %s size %s against %s\n' "$name" "$size_a" "$size_b"
      differ=$((differ + 1))
      continue
    fi
    # AE: the number of pixels that differ at all (no fuzz). Exit 1 means "different".
    metric="$(compare -metric AE "$a" "$b" null: 2>&1 >/dev/null)" || true
    if [[ "$metric" == 0 ]]; then
      printf 'same     %s\n' "$name"
      same=$((same + 1))
    elif [[ "$metric" =~ ^[0-9.e+]+$ ]]; then
      printf 'DIFFER   %s %s pixels\n' "$name" "$metric"
      differ=$((differ + 1))
    else
      printf 'DIFFER   %s (compare failed: %s)\n' "$name" "$metric"
      differ=$((differ + 1))
    fi
  done
  printf '%d pictures: %d same, %d differ, %d missing\n' "${#names[@]}" "$same" "$differ" "$missing"
  ((differ == 0 && missing == 0))
}

# ---------------------------------------------------------------------------------
# capture: the processes it starts, and ending exactly those

TMP="" GRAB="" XVFB_PID="" LAUNCHER_PID="" SERVER_PID="" PREFIX="" REG_BACKUP="" DISPLAY_NAME=""

# Is this pid still the program we started (not a reused pid, not a zombie)? $2 lists
# the names it may have, separated by "|".
is_ours() {
  [[ -n "${1:-}" ]] || return 1
  local comm name names
  comm="$(cat "/proc/$1/comm" 2>/dev/null)" || return 1
  [[ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]] || return 1
  IFS='|' read -ra names <<<"$2"
  for name in "${names[@]}"; do [[ "$comm" == "$name"* ]] && return 0; done
  return 1
}

end_process() {
  local pid="$1" name="$2"
  is_ours "$pid" "$name" || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 100); do is_ours "$pid" "$name" || return 0; sleep 0.05; done
  kill -9 "$pid" 2>/dev/null || true
  for _ in $(seq 100); do is_ours "$pid" "$name" || return 0; sleep 0.05; done
}

# The launcher's process names: wine64 becomes the Windows program it runs.
LAUNCHER_COMM=""

cleanup() {
  set +e
  [[ -n "$LAUNCHER_PID" ]] && end_process "$LAUNCHER_PID" "$LAUNCHER_COMM"
  if [[ -n "$SERVER_PID" ]]; then
    # Ends the Wine processes of this prefix (the launcher's helpers) and the server.
    WINEPREFIX="$PREFIX" "$WINESERVER" -k 2>/dev/null
    for _ in $(seq 200); do is_ours "$SERVER_PID" wineserver || break; sleep 0.05; done
    end_process "$SERVER_PID" wineserver
  fi
  # The server has written the registry out by now: put back the user's part as it was.
  if [[ -n "$REG_BACKUP" && -f "$REG_BACKUP" ]]; then
    cp -p "$REG_BACKUP" "$PREFIX/user.reg" && rm -f "$REG_BACKUP"
  fi
  end_process "$XVFB_PID" Xvfb
  [[ -n "$TMP" ]] && rm -rf "$TMP"
}

start_xvfb() {
  local n
  for n in $(seq 200 299); do
    [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]] && continue
    # -noreset: Xft.dpi on the root window outlasts the xrdb that set it.
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset >"$TMP/xvfb.log" 2>&1 </dev/null &
    XVFB_PID=$!
    for _ in $(seq 200); do
      [[ -e "/tmp/.X11-unix/X$n" ]] && break
      is_ours "$XVFB_PID" Xvfb || break
      sleep 0.05
    done
    if [[ -e "/tmp/.X11-unix/X$n" ]] && is_ours "$XVFB_PID" Xvfb; then
      DISPLAY_NAME=":$n"
      export DISPLAY="$DISPLAY_NAME"
      return 0
    fi
    end_process "$XVFB_PID" Xvfb
    XVFB_PID=""  # lost a race for that number: try the next
  done
  die "could not start Xvfb on any display from :200 to :299"
}

# The Linux editions: Wine's Tahoma in a private home, nothing of the caller's desktop.
prepare_linux() {
  unset GTK_THEME GDK_BACKEND GDK_SCALE GDK_DPI_SCALE GTK_MODULES GTK2_RC_FILES \
    QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_PLUGIN_PATH QT_SCALE_FACTOR \
    QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING QT_FONT_DPI \
    XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY XDG_SESSION_TYPE XDG_CONFIG_HOME \
    XDG_DATA_HOME XDG_CACHE_HOME QT_LINUX_ACCESSIBILITY_ALWAYS_ON
  local font
  for font in tahoma.ttf tahomabd.ttf; do
    [[ -f "/usr/share/wine/fonts/$font" ]] || die "no /usr/share/wine/fonts/$font: install fonts-wine"
  done
  mkdir -p "$TMP/home/.fonts" "$TMP/runtime"
  chmod 700 "$TMP/runtime"
  cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$TMP/home/.fonts/"
  export HOME="$TMP/home" XDG_RUNTIME_DIR="$TMP/runtime" LANG=C.UTF-8
  fc-cache -f "$HOME/.fonts" >/dev/null
  # No session bus: nothing is clicked, and no bus may be started on the program's behalf.
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$TMP/no-bus" NO_AT_BRIDGE=1
}

# The Windows edition: a wineserver of our own for the prefix, its user registry saved.
prepare_wine() {
  local launcher="$1"
  # By default the prefix of the checkout the launcher was built in, else this one's.
  if [[ -z "$PREFIX" ]]; then
    PREFIX="$(dirname "$launcher")/../wineprefix"
    [[ -f "$PREFIX/.ready" ]] || PREFIX="$ROOT/build/wineprefix"
  fi
  PREFIX="$(cd "$PREFIX" 2>/dev/null && pwd)" || die "no Wine prefix at $PREFIX: run scripts/setup.sh"
  [[ -f "$PREFIX/.ready" ]] || die "no Wine prefix at $PREFIX: run scripts/setup.sh"
  [[ -x "$WINE" ]] || die "no $WINE: install wine64"
  export WINEPREFIX="$PREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
  # A wineserver someone else runs for this prefix (its tests): wait for it, never end it.
  local rc deadline=$((SECONDS + 600)) attempt
  for ((attempt = 1; SECONDS < deadline; attempt++)); do
    setsid "$WINESERVER" -f -p >"$TMP/wineserver.log" 2>&1 </dev/null &
    SERVER_PID=$!
    sleep 0.3
    is_ours "$SERVER_PID" wineserver && break
    rc=0
    wait "$SERVER_PID" || rc=$?
    SERVER_PID=""
    ((rc == 2)) || die "wineserver did not start (exit $rc): $(cat "$TMP/wineserver.log")"
    ((attempt == 1)) && log "another wineserver serves $PREFIX; waiting for it to end"
    sleep 1
  done
  [[ -n "$SERVER_PID" ]] || die "another wineserver kept serving $PREFIX"
  # A capture that was killed left its backup: that is the user's registry.
  local backup="$PREFIX/user.reg.faces-backup"
  [[ -f "$backup" ]] || cp -p "$PREFIX/user.reg" "$backup"
  REG_BACKUP="$backup"
}

reg_set() {  # key value type data
  "$WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 || die "reg add $1 $2 failed"
}

# Sets the look and the DPI the next launcher starts with.
set_look() {
  local edition="$1" look="$2" dpi="$3"
  if [[ "$edition" == win64 ]]; then
    reg_set 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' ThemeActive REG_SZ \
      "$([[ "$look" == themed ]] && echo 1 || echo 0)"
    reg_set 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD "$dpi"
    return
  fi
  echo "Xft.dpi: $dpi" | xrdb -merge || die "xrdb could not set Xft.dpi"
  unset QT_STYLE_OVERRIDE GTK_THEME
  if [[ "$look" == classic ]]; then
    case "$edition" in
      qt5 | qt6) export QT_STYLE_OVERRIDE=windows ;;
      gtk) export GTK_THEME=windows ;;
    esac
  fi
}

# ---------------------------------------------------------------------------------
# capture: the window and its pictures

WID="" WIN_W="" WIN_H="" WIN_X="" WIN_Y=""

start_launcher() {
  local launcher="$1" edition="$2" log="$3"
  local name
  name="$(basename "$launcher")"
  LAUNCHER_COMM="${name:0:15}"
  if [[ "$edition" == win64 ]]; then
    LAUNCHER_COMM+="|wine64"
    (cd "$(dirname "$launcher")" && exec setsid "$WINE" "$launcher") >"$log" 2>&1 </dev/null &
  else
    (cd "$(dirname "$launcher")" && exec setsid "$launcher") >"$log" 2>&1 </dev/null &
  fi
  LAUNCHER_PID=$!
  # The launcher's mapped top-level window, by the process id it carries.
  local id="" geometry
  for _ in $(seq 600); do
    id="$(xdotool search --onlyvisible --pid "$LAUNCHER_PID" 2>/dev/null | head -n1 || true)"
    [[ -n "$id" ]] && break
    kill -0 "$LAUNCHER_PID" 2>/dev/null || die "the launcher ended before showing a window: $(cat "$log")"
    sleep 0.05
  done
  [[ "$id" =~ ^[0-9]+$ ]] || die "no window of the launcher (pid $LAUNCHER_PID) after 30 s"
  WID="$id"
  geometry="$(xdotool getwindowgeometry --shell "$WID")"
  WIN_W="$(sed -n 's/^WIDTH=//p' <<<"$geometry")" WIN_H="$(sed -n 's/^HEIGHT=//p' <<<"$geometry")"
  WIN_X="$(sed -n 's/^X=//p' <<<"$geometry")" WIN_Y="$(sed -n 's/^Y=//p' <<<"$geometry")"
  ((WIN_W >= 960 && WIN_H >= 449)) || die "the launcher's window $WID is ${WIN_W}x${WIN_H}"
  ((NEUTRAL_X < WIN_X && NEUTRAL_Y < WIN_Y)) || die "the window at $WIN_X,$WIN_Y covers the neutral point"
}

stop_launcher() {
  end_process "$LAUNCHER_PID" "$LAUNCHER_COMM"
  LAUNCHER_PID=""
}

# Waits until the window stands still (two equal grabs in a row) and writes that
# picture to $1 as a PPM; with $2, it must first have changed from that picture.
grab_stable() {
  [[ "$WID" =~ ^[0-9]+$ ]] || die "no window id to grab"
  "$GRAB" "$WID" "$1" ${2:+--differ-from "$2"} || die "$(basename "$1" .ppm): the grab failed (see above)"
}

# Moves the pointer and waits until it is there (xdotool's --sync waits for a motion
# that never comes when the pointer is already at the spot).
pointer_to() {  # x y [window]
  local where
  if (($# == 3)); then
    xdotool mousemove --window "$3" --sync "$1" "$2"
    return
  fi
  where="$(xdotool getmouselocation --shell | sed -n 's/^[XY]=//p' | paste -sd,)"
  [[ "$where" == "$1,$2" ]] || xdotool mousemove --sync "$1" "$2"
}

capture_button() {
  local edition="$1" launcher="$2" look="$3" dpi="$4" button="$5" out="$6"
  local stem="$out/$edition-$look-$dpi-$button" x y
  pointer_to "$NEUTRAL_X" "$NEUTRAL_Y"
  start_launcher "$launcher" "$edition" "$TMP/launcher-$look-$dpi-$button.log"
  if [[ "$edition" != win64 ]]; then
    # With no window manager GTK counts the window active only while it has the
    # keyboard (or the pointer): give it the keyboard, as a desktop gives a new window.
    xdotool windowfocus --sync "$WID"
  fi
  x=$((HOT_X[$button] * WIN_W / 960)) y=$((HOT_Y[$button] * WIN_W / 960))
  grab_stable "$TMP/normal.ppm"
  pointer_to "$x" "$y" "$WID"
  # A themed button lights up under the pointer; a classic one keeps its face.
  if [[ "$look" == themed ]]; then
    grab_stable "$TMP/hot.ppm" "$TMP/normal.ppm"
  else
    grab_stable "$TMP/hot.ppm"
  fi
  xdotool mousedown 1
  grab_stable "$TMP/pressed.ppm" "$TMP/hot.ppm"
  # Dragged off and released outside: no command runs.
  pointer_to "$NEUTRAL_X" "$NEUTRAL_Y"
  xdotool mouseup 1
  stop_launcher
  convert "$TMP/normal.ppm" -strip -write "png:$stem-normal.png" +delete \
    "$TMP/hot.ppm" -strip -write "png:$stem-hot.png" +delete \
    "$TMP/pressed.ppm" -strip "png:$stem-pressed.png"
  local hot=same
  cmp -s "$TMP/normal.ppm" "$TMP/hot.ppm" || hot=differs
  log "$edition $look $dpi $button: ${WIN_W}x${WIN_H}, hot face $hot from normal"
}

capture() {
  local edition="" launcher="" out=""
  while (($#)); do
    case "$1" in
      --edition) edition="$2"; shift 2 ;;
      --launcher) launcher="$2"; shift 2 ;;
      --out) out="$2"; shift 2 ;;
      --prefix) PREFIX="$2"; shift 2 ;;
      *) usage ;;
    esac
  done
  [[ -n "$edition" && -n "$launcher" && -n "$out" ]] || usage
  case "$edition" in win64 | qt5 | qt6 | gtk) ;; *) die "unknown edition $edition" ;; esac
  [[ -f "$launcher" ]] || die "no launcher at $launcher"
  launcher="$(cd "$(dirname "$launcher")" && pwd)/$(basename "$launcher")"
  mkdir -p "$out"
  out="$(cd "$out" && pwd)"
  local started=$SECONDS look dpi button
  TMP="$(mktemp -d /tmp/faces.XXXXXX)"
  trap cleanup EXIT
  trap 'exit 130' INT TERM
  GRAB="$TMP/faces-grab"
  cc -std=c11 -O2 -o "$GRAB" "$HERE/grab.c" -lX11 || die "cannot build the grabber (gcc, libx11-dev)"
  start_xvfb
  if [[ "$edition" == win64 ]]; then prepare_wine "$launcher"; else prepare_linux; fi
  log "$edition from $launcher on $DISPLAY_NAME into $out"
  for look in "${LOOKS[@]}"; do
    for dpi in "${DPIS[@]}"; do
      set_look "$edition" "$look" "$dpi"
      for button in "${BUTTONS[@]}"; do
        capture_button "$edition" "$launcher" "$look" "$dpi" "$button" "$out"
      done
    done
  done
  log "$edition: $((${#LOOKS[@]} * ${#DPIS[@]} * ${#BUTTONS[@]} * 3)) pictures in $((SECONDS - started)) s"
}

case "${1:-}" in
  capture) shift; capture "$@" ;;
  compare) shift; (($# == 2)) || usage; compare_sets "$1" "$2" ;;
  *) usage ;;
esac
