#!/usr/bin/env bash
# Installs everything the launcher needs to build and test on Debian 12, as root:
# the Windows edition and the Linux one.
# Quick when everything is in place already; safe to run any number of times.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DEPS="$ROOT/build/deps"
PREFIX="$ROOT/build/wineprefix"

log() { printf 'setup: %s\n' "$*"; }

PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev
  libjpeg62-turbo-dev zlib1g-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev nasm dpkg-dev
  wine64 fonts-wine xvfb xauth x11-utils imagemagick icoutils python3-pefile
  librsvg2-bin zip unzip binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  # The Linux edition: Qt 5.15 (shipped) and Qt 6 (built and tested), whose xcb
  # plugin is only recommended by its GUI library; the captions' fallback font.
  qtbase5-dev qtbase5-private-dev qt6-base-dev qt6-base-private-dev qt6-qpa-plugins
  fonts-dejavu-extra
  # Its tests and benchmark: driving X, a private session bus, Xlib for the drivers,
  # and the validators of the desktop entry and the metainfo.
  xdotool x11-xserver-utils dbus dbus-x11 libx11-dev libxtst-dev libxfixes-dev libxrandr-dev
  desktop-file-utils appstream
  # Real desks for the window's placement and title bar: three window managers and a
  # nested X server of two heads (xfwm4's settings daemon, xfconf, comes with it); xcb
  # for the editions' question to the manager, Xinerama for the GTK edition's heads.
  openbox xfwm4 metacity xserver-xephyr libxcb1-dev libxinerama-dev
  # Debian roots of other releases: the shipped Linux program is built in a Debian 11
  # root and proven in Debian 11 and 13 roots (scripts/roots.sh).
  debootstrap
  # The screen-reader tests of the Linux editions: the accessibility bus and its client.
  at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  # The GTK 3 edition: GTK 3 with its GLib, cairo, Pango and HarfBuzz headers.
  libgtk-3-dev
  # The release's disc image, and the archive tools its zip is read back with.
  xorriso libarchive-tools p7zip-full
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    log "installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# The JPEG library (version-62 API), cross-built statically from Debian's source package.
build_jpeg() {
  local arch stamp src
  if [[ ! -f "$DEPS/jpeg-src/.unpacked" ]]; then
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list 2>/dev/null; then
      log "enabling Debian source lines for apt"
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        > /etc/apt/sources.list.d/zel-deb-src.sources
      apt-get update -qq
    fi
    rm -rf "$DEPS/jpeg-src" && mkdir -p "$DEPS/jpeg-src"
    (cd "$DEPS/jpeg-src" && apt-get source -qq libjpeg-turbo >/dev/null 2>&1)
    touch "$DEPS/jpeg-src/.unpacked"
  fi
  src="$(find "$DEPS/jpeg-src" -maxdepth 1 -mindepth 1 -type d -name 'libjpeg-turbo-*' | head -n1)"
  # The decoder alone is linked in; plain C keeps the program small, and the
  # banner is small enough that vector code would save well under a millisecond.
  # Arithmetic coding, which the program's Huffman-coded banner never uses, is
  # left out (5 KiB of code).
  local config flags
  for arch in i686 x86_64; do
    config="static, no SIMD, -Os, sections, no getenv, no arithmetic coding"
    flags="-ffunction-sections -fdata-sections -DNO_GETENV"
    # On x86_64 Windows, longjmp unwinds through the frames it leaves, and a frame
    # without unwind tables crashes it: the library's errors jump back that way.
    if [[ "$arch" == i686 ]]; then
      flags+=" -fno-asynchronous-unwind-tables"
    else
      config+=", unwind tables"
    fi
    stamp="$DEPS/jpeg-$arch/.built"
    [[ -f "$stamp" && "$(cat "$stamp")" == "$config" ]] && continue
    log "building the JPEG library for $arch"
    rm -rf "$DEPS/jpeg-build-$arch"
    cmake -S "$src" -B "$DEPS/jpeg-build-$arch" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX="$DEPS/jpeg-$arch" \
      -DCMAKE_C_FLAGS="$flags" \
      -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_JPEG8=OFF -DWITH_TURBOJPEG=OFF \
      -DWITH_SIMD=OFF -DWITH_ARITH_DEC=OFF -DWITH_ARITH_ENC=OFF >"$DEPS/jpeg-$arch.log" 2>&1
    rm -rf "$DEPS/jpeg-$arch"
    cmake --build "$DEPS/jpeg-build-$arch" --target install >>"$DEPS/jpeg-$arch.log" 2>&1
    echo "$config" >"$stamp"
  done
}

# A Wine prefix for the tests, with Tahoma and Marlett so text measures as on Windows.
make_prefix() {
  [[ -f "$PREFIX/.ready" ]] && return
  log "making the Wine prefix $PREFIX"
  rm -rf "$PREFIX"
  mkdir -p "$PREFIX"
  export WINEPREFIX="$PREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local xvfb_pid="" display="${DISPLAY:-}"
  if [[ -z "$display" ]]; then
    display=":$((90 + RANDOM % 100))"
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 1
  fi
  DISPLAY="$display" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver64 -w || true
  local fonts="$PREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
     /usr/share/wine/fonts/marlett.ttf "$fonts/"
  # Keep a pristine copy of Wine's explorer: the end-to-end tests swap in a recording stand-in.
  cp "$PREFIX/drive_c/windows/system32/explorer.exe" "$PREFIX/explorer.exe.orig"
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  touch "$PREFIX/.ready"
}

install_packages
mkdir -p "$DEPS"
build_jpeg
make_prefix
log "ready"
