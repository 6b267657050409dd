#!/usr/bin/env bash
# Debian roots of other releases, made with debootstrap from the host's mirror and cached under
# build/roots/: a bullseye root that builds the shipped GTK program for glibc 2.31, two roots
# that hold nothing but GTK 3's runtime and GIO's tool, to prove that program where a stock
# desktop has no more, and a copy of the bullseye one with a real file manager (Thunar) added,
# where the program is started as a user starts it: by a double-click on its icon.
#
#   scripts/roots.sh make [NAME...]     make the named roots (all without a name); once, reused after
#   scripts/roots.sh path NAME          print a root's folder (made first if need be)
#   scripts/roots.sh run NAME [--bind HOSTDIR:NAME]... [--env VAR=VALUE]... [--] CMD...
#                                       run CMD in the root, in this same process (its pid stays
#                                       the caller's), with /proc, the X socket folder and each
#                                       HOSTDIR (at /mnt/NAME) mounted; CMD sees only the VARs
#                                       given and PATH, HOME, LANG
#   scripts/roots.sh clean [NAME...]    remove roots (all of them without a name)
#   scripts/roots.sh list               the names known here
#
# Needs root (chroot, mount); without it, make and run end with exit code 77 (a test harness's
# "skipped") and say why. A root is made in NAME.tmp and renamed only when complete, so a
# run that was interrupted leaves nothing that passes for a finished root; the next run removes
# its leftovers. A lock per root lets two runs ask for the same root at once.
# Whatever is mounted for a root (debootstrap's own mounts included) is mounted in a mount
# namespace of its own: the kernel takes the mounts down with the last process in it, however
# that ends, killed outright included, and the host never sees them. A fresh /tmp and /mnt
# (tmpfs) keep the cached root as it was made.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ROOTS="${ZEL_ROOTS_DIR:-$ROOT/build/roots}"
SELF="$ROOT/scripts/roots.sh"

log() { printf 'roots: %s\n' "$*" >&2; }
die() { printf 'roots: %s\n' "$*" >&2; exit 1; }
need_root() { [[ $EUID -eq 0 ]] || { printf 'roots: SKIPPED: %s needs root (chroot and mount)\n' "$1" >&2; exit 77; }; }

names() { echo bullseye-build bullseye-run trixie-run bullseye-desk; }
suite_of() {
  case "$1" in
    bullseye-build | bullseye-run | bullseye-desk) echo bullseye ;;
    trixie-run) echo trixie ;;
    *) die "unknown root '$1' (known: $(names))" ;;
  esac
}
# What each root holds beyond minbase (or beyond the root it copies); a change here makes the
# root again. The runtime roots hold what every desktop has (GTK 3, the JPEG library, zlib, a
# font, the MIME database and GIO's tool, which types files as the file managers do) and
# nothing else.
packages_of() {
  case "$1" in
    bullseye-build)
      echo g++ cmake ninja-build pkg-config libgtk-3-dev libjpeg62-turbo-dev zlib1g-dev binutils ;;
    bullseye-run) echo libgtk-3-0 libjpeg62-turbo zlib1g fonts-dejavu-core shared-mime-info libglib2.0-bin ;;
    trixie-run) echo libgtk-3-0t64 libjpeg62-turbo zlib1g fonts-dejavu-core shared-mime-info libglib2.0-bin ;;
    bullseye-desk) echo thunar dbus-x11 ;;
  esac
}
# The root a root starts as a copy of, if it is not made from nothing.
base_of() {
  case "$1" in
    bullseye-desk) echo bullseye-run ;;
  esac
}

# The host's first two URIs: the main archive and the security archive.
uri() {
  awk -v n="$1" '/^URIs:/ && ++i == n {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null
}
# The machine's own mirror, or the one ZEL_DEBIAN_MIRROR names; none guessed.
mirror() {
  local m="${ZEL_DEBIAN_MIRROR:-$(uri 1)}"
  [[ -n "$m" ]] || die "no Debian mirror in /etc/apt/sources.list.d/debian.sources: set ZEL_DEBIAN_MIRROR"
  echo "$m"
}
security_mirror() {
  local m="${ZEL_DEBIAN_SECURITY_MIRROR:-$(uri 2)}"
  [[ -n "$m" ]] || die "no Debian security mirror in /etc/apt/sources.list.d/debian.sources: set ZEL_DEBIAN_SECURITY_MIRROR"
  echo "$m"
}

# What a finished root carries in /.zel-root: what it was asked to hold.
stamp_of() {
  printf 'suite=%s\npackages=%s\n' "$(suite_of "$1")" "$(packages_of "$1")"
  [[ -z "$(base_of "$1")" ]] || { printf 'copy of:\n'; stamp_of "$(base_of "$1")"; }
}
ready() { [[ -f "$ROOTS/$1/.zel-root" && "$(cat "$ROOTS/$1/.zel-root")" == "$(stamp_of "$1")" ]]; }

# Removes a folder, never crossing into something mounted in it (left by an older, killed run).
remove_root() {
  [[ -e "$1" ]] || return 0
  local dir
  dir="$(realpath -m "$1")"
  awk '{print $2}' /proc/mounts | while read -r mnt; do
    mnt="$(printf '%b' "$mnt")"
    if [[ "$mnt" == "$dir"/* ]]; then echo "$mnt"; fi
  done | sort -r | while read -r mnt; do umount "$mnt" 2>/dev/null || umount -l "$mnt"; done
  rm -rf --one-file-system "$dir"
}

build_root() {
  local name="$1" suite dir tmp logfile started base
  suite="$(suite_of "$name")"
  dir="$ROOTS/$name"
  tmp="$ROOTS/$name.tmp"
  logfile="$ROOTS/$name.log"
  started=$SECONDS
  mirror >/dev/null && security_mirror >/dev/null  # says which is missing, and stops
  remove_root "$tmp"
  mkdir -p "$tmp"
  base="$(base_of "$name")"
  if [[ -n "$base" ]]; then
    make_root "$base"
    log "making $name as a copy of $base"
    cp -a --one-file-system "$ROOTS/$base/." "$tmp/"
    : >"$logfile"
  else
    log "making $name ($suite, minbase) from $(mirror)"
    if ! unshare --mount --propagation private \
         debootstrap --variant=minbase "$suite" "$tmp" "$(mirror)" >"$logfile" 2>&1; then
      tail -n 20 "$logfile" >&2
      die "debootstrap of $suite failed (log: $logfile)"
    fi
  fi
  printf 'deb %s %s main\ndeb %s %s-updates main\ndeb %s %s-security main\n' \
    "$(mirror)" "$suite" "$(mirror)" "$suite" "$(security_mirror)" "$suite" >"$tmp/etc/apt/sources.list"
  local apt=(unshare --mount --propagation private bash "$SELF" __enter "$tmp" --env DEBIAN_FRONTEND=noninteractive --)
  # shellcheck disable=SC2046
  if ! { "${apt[@]}" apt-get update -qq &&
         "${apt[@]}" apt-get install -y -qq --no-install-recommends $(packages_of "$name") &&
         "${apt[@]}" apt-get clean; } >>"$logfile" 2>&1; then
    tail -n 20 "$logfile" >&2
    die "installing into $name failed (log: $logfile)"
  fi
  stamp_of "$name" >"$tmp/.zel-root"
  remove_root "$dir"
  mv "$tmp" "$dir"
  log "made $name in $((SECONDS - started)) s ($(du -sm --one-file-system "$dir" | cut -f1) MB)"
}

make_root() {
  local name="$1"
  suite_of "$name" >/dev/null
  ready "$name" && return 0
  need_root "making the $name root"
  command -v debootstrap >/dev/null || die "debootstrap is missing (scripts/setup.sh installs it)"
  mkdir -p "$ROOTS"
  (
    flock 9
    ready "$name" || build_root "$name"
  ) 9>"$ROOTS/$name.lock"
}

# In the root's own mount namespace (see run): mounts, then the command in its place.
enter() {
  local dir="$1" vars=() src at
  shift
  mount -t proc proc "$dir/proc"
  mount -t tmpfs -o mode=1777 zel-tmp "$dir/tmp"
  mount -t tmpfs -o mode=755 zel-mnt "$dir/mnt"
  # The X server's socket folder, for clients that use the path (the abstract socket needs none).
  mkdir -p "$dir/tmp/.X11-unix"
  [[ -d /tmp/.X11-unix ]] && mount --bind /tmp/.X11-unix "$dir/tmp/.X11-unix"
  while (($#)); do
    case "$1" in
      --bind)
        src="${2%%:*}" at="${2#*:}"
        [[ -d "$src" && "$at" =~ ^[A-Za-z0-9._-]+$ ]] || die "--bind wants HOSTDIR:NAME, not '$2'"
        mkdir -p "$dir/mnt/$at"
        mount --bind "$src" "$dir/mnt/$at"
        shift 2 ;;
      --env) vars+=("$2"); shift 2 ;;
      --) shift; break ;;
      *) break ;;
    esac
  done
  (($#)) || die "run: no command"
  exec chroot "$dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    "${vars[@]}" "$@"
}

cmd="${1:-}"
shift || true
case "$cmd" in
  make)
    # Side by side: most of the time goes to downloads.
    (($#)) || set -- $(names)
    pids=()
    for n in "$@"; do make_root "$n" & pids+=($!); done
    status=0
    for p in "${pids[@]}"; do
      wait "$p" && continue
      s=$?
      if ((s != 77)); then status=1; elif ((status == 0)); then status=77; fi
    done
    exit "$status" ;;
  path)
    make_root "$1"
    echo "$ROOTS/$1" ;;
  run)
    name="${1:-}"
    shift || true
    make_root "$name"
    need_root "running in the $name root"
    # unshare and chroot each replace this process: the command keeps the caller's pid.
    exec unshare --mount --propagation private bash "$SELF" __enter "$ROOTS/$name" "$@" ;;
  __enter) enter "$@" ;;
  clean)
    (($#)) || set -- $(names)
    for n in "$@"; do
      suite_of "$n" >/dev/null
      remove_root "$ROOTS/$n"
      remove_root "$ROOTS/$n.tmp"
    done ;;
  list) names ;;
  *) sed -n '6,16p' "$SELF" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
esac
