#!/usr/bin/env bash
# Builds the launcher and starts it from a demo folder: the program with its
# "Документы" and "Примеры" folders beside it. With no display it runs under its
# own Xvfb, saves a screenshot and ends the launcher.
#
#   scripts/run.sh            the Linux program of the release archive, the GTK edition
#                             (build/linux-gtk/ZelProject), in build/demo-linux;
#                             with no display, screenshot build/screenshot-linux.png
#   scripts/run.sh qt         the Qt edition (build/linux/ZelProject) in build/demo-qt;
#                             with no display, screenshot build/screenshot-qt.png
#   scripts/run.sh windows    the Windows edition under Wine in build/demo;
#                             with no display, screenshot build/screenshot.png
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"
EDITION="${1:-gtk}"
[[ "$EDITION" =~ ^(gtk|qt|windows)$ ]] || { echo "usage: scripts/run.sh [gtk|qt|windows]" >&2; exit 2; }

"$ROOT/scripts/setup.sh"

# demo_folder <folder> <line end>: the two folders with a sample file in each.
demo_folder() {
  local demo="$1" eol="$2"
  mkdir -p "$demo/Документы" "$demo/Примеры"
  printf "Заявка на выполнение работ$eol${eol}Заказчик: ____________${eol}Объект: ____________$eol" \
    >"$demo/Документы/Бланк заявки.txt"
  printf "Пример заполненной заявки$eol${eol}Заказчик: ООО \"Стройпроект\"${eol}Объект: жилой дом, ул. Садовая, 12$eol" \
    >"$demo/Примеры/Пример заявки.txt"
}

if [[ "$EDITION" == windows ]]; then
  cmake --preset win32 >/dev/null && cmake --build --preset win32
  cmake --preset win64 >/dev/null && cmake --build --preset win64
  DEMO="$ROOT/build/demo"
  demo_folder "$DEMO" '\r\n'
  cp build/win64/ZelProject.exe "$DEMO/ZelProject.exe"
  export WINEPREFIX="$ROOT/build/wineprefix" WINEDEBUG=-all
  START=(/usr/lib/wine/wine64 ZelProject.exe)
  SHOT="$ROOT/build/screenshot.png"
  NOTE="32-bit product: build/win32/ZelProject.exe"
else
  # The GTK edition, or the Qt one (Qt 5).
  preset=linux-gtk demo=demo-linux shot=screenshot-linux.png
  [[ "$EDITION" == qt ]] && preset=linux demo=demo-qt shot=screenshot-qt.png
  cmake --preset "$preset" >/dev/null
  # Others may be building the Linux presets: one build at a time in a folder.
  flock /tmp/zel-linux-build.lock cmake --build --preset "$preset" --target ZelProject
  DEMO="$ROOT/build/$demo"
  demo_folder "$DEMO" '\n'
  cp "build/$preset/ZelProject" "$DEMO/ZelProject"
  START=(./ZelProject)
  SHOT="$ROOT/build/$shot"
  NOTE="$EDITION edition: build/$preset/ZelProject"
fi

if [[ -n "${DISPLAY:-}" || ( "$EDITION" != windows && -n "${WAYLAND_DISPLAY:-}" ) ]]; then
  echo "Starting the launcher from $DEMO ($NOTE)"
  cd "$DEMO" && exec "${START[@]}"
fi

# No display: a virtual one, a screenshot, and the end.
n=90
while [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]]; do n=$((n + 1)); done
export DISPLAY=":$n"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
LAUNCHER=""
PRIVATE_HOME=""
cleanup() {
  if [[ -n "$LAUNCHER" ]]; then
    kill "$LAUNCHER" 2>/dev/null || true
    # It ends through its own loop: let it go before its display does.
    for _ in $(seq 50); do kill -0 "$LAUNCHER" 2>/dev/null || break; sleep 0.1; done
  fi
  [[ "$EDITION" == windows ]] && { /usr/lib/wine/wineserver64 -k 2>/dev/null || true; }
  kill "$XVFB" 2>/dev/null || true
  [[ -n "$PRIVATE_HOME" ]] && rm -rf "$PRIVATE_HOME"
}
trap cleanup EXIT
for _ in $(seq 50); do [[ -e "/tmp/.X11-unix/X$n" ]] && break; sleep 0.1; done

if [[ "$EDITION" != windows ]]; then
  # A home of its own for this display only, with Wine's Tahoma where fontconfig
  # looks, so the screenshot shows the captions as on Windows; the user's home is
  # left alone.
  PRIVATE_HOME="$(mktemp -d /tmp/zel-run-home.XXXXXX)"
  mkdir -p "$PRIVATE_HOME/.fonts"
  cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$PRIVATE_HOME/.fonts/"
  export HOME="$PRIVATE_HOME" XDG_CACHE_HOME="$PRIVATE_HOME/.cache" XDG_CONFIG_HOME="$PRIVATE_HOME/.config"
  export XDG_DATA_HOME="$PRIVATE_HOME/.local/share" XDG_RUNTIME_DIR="$PRIVATE_HOME/run"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
fi

(cd "$DEMO" && exec "${START[@]}") &
LAUNCHER=$!
shown=""
for _ in $(seq 150); do
  if xwininfo -root -tree 2>/dev/null | grep -q 'ВЕЛТ (Demo)'; then shown=1; break; fi
  kill -0 "$LAUNCHER" 2>/dev/null || break
  sleep 0.2
done
[[ -n "$shown" ]] || { echo "run: the launcher's window did not appear" >&2; exit 1; }
sleep 1  # let the first frame land
import -display "$DISPLAY" -window root "$SHOT"
echo "No display: the launcher ran under Xvfb; screenshot saved to ${SHOT#"$ROOT/"}"
