#!/usr/bin/env bash
# Builds the launcher and starts it under Wine in a demo folder: the program with
# its "Документы" and "Примеры" folders beside it. With no display it runs under
# Xvfb, saves a screenshot to build/screenshot.png and ends the launcher.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

"$ROOT/scripts/setup.sh"
cmake --preset win32 >/dev/null && cmake --build --preset win32
cmake --preset win64 >/dev/null && cmake --build --preset win64

DEMO="$ROOT/build/demo"
mkdir -p "$DEMO/Документы" "$DEMO/Примеры"
cp build/win64/ZelProject.exe "$DEMO/ZelProject.exe"
printf 'Заявка на выполнение работ\r\n\r\nЗаказчик: ____________\r\nОбъект: ____________\r\n' \
  >"$DEMO/Документы/Бланк заявки.txt"
printf 'Пример заполненной заявки\r\n\r\nЗаказчик: ООО "Стройпроект"\r\nОбъект: жилой дом, ул. Садовая, 12\r\n' \
  >"$DEMO/Примеры/Пример заявки.txt"

export WINEPREFIX="$ROOT/build/wineprefix" WINEDEBUG=-all
WINE=/usr/lib/wine/wine64

if [[ -n "${DISPLAY:-}" ]]; then
  echo "Starting the launcher from $DEMO (32-bit product: build/win32/ZelProject.exe)"
  cd "$DEMO" && exec "$WINE" ZelProject.exe
fi

# No display: a virtual one, a screenshot, and the end.
n=90
while [[ -e "/tmp/.X11-unix/X$n" || -e "/tmp/.X$n-lock" ]]; do n=$((n + 1)); done
export DISPLAY=":$n"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
XVFB=$!
LAUNCHER=""
cleanup() {
  [[ -n "$LAUNCHER" ]] && kill "$LAUNCHER" 2>/dev/null || true
  /usr/lib/wine/wineserver64 -k 2>/dev/null || true
  kill "$XVFB" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [[ -e "/tmp/.X11-unix/X$n" ]] && break; sleep 0.1; done

(cd "$DEMO" && exec "$WINE" ZelProject.exe) &
LAUNCHER=$!
shown=""
for _ in $(seq 150); do
  if xwininfo -root -tree 2>/dev/null | grep -q 'ВЕЛТ (Demo)'; then shown=1; break; fi
  sleep 0.2
done
[[ -n "$shown" ]] || { echo "run: the launcher's window did not appear" >&2; exit 1; }
sleep 1  # let the first frame land
import -display "$DISPLAY" -window root "$ROOT/build/screenshot.png"
echo "No display: the launcher ran under Xvfb; screenshot saved to build/screenshot.png"
