#!/usr/bin/env bash
# Runs a command inside the armhf root that arm-root.sh made in DIR, in a mount namespace of
# its own, so that nothing stays mounted when it ends: this machine's /proc, /dev and X
# server sockets, DIR/work at /work and this checkout at /src. The command sees a clean
# environment: PATH, HOME, and the caller's DISPLAY, locale (LANG, LC_*), WINE* and TAPSHELF_*
# variables.
#   arm-chroot.sh DIR COMMAND [ARGUMENT...]
set -euo pipefail
dir=$(cd "$1" && pwd)
shift
mkdir -p "$dir/work"
# The X server's socket folder is bound into the root; on a machine where no X server has run
# yet it does not exist, and the bind would fail.
[ -d /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; }
keep=(PATH=/usr/local/bin:/usr/bin:/bin HOME=/root)
while IFS= read -r line; do keep+=("$line"); done < <(env | grep -E '^(DISPLAY|LANG|LC_[A-Z]+|WINE[A-Z_]*|TAPSHELF_[A-Z_]*)=' || true)
exec unshare --mount --propagation private -- /bin/sh -c '
  root=$1/root work=$1/work checkout=$2
  shift 2
  mount -t proc proc "$root/proc" &&
  mount --rbind /dev "$root/dev" &&
  mkdir -p "$root/tmp/.X11-unix" "$root/work" "$root/src" &&
  mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" &&
  mount --bind "$work" "$root/work" &&
  mount --bind "$checkout" "$root/src" || exit 1
  cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null
  exec chroot "$root" /usr/bin/env -i "$@"' sh "$dir" "$(cd "$(dirname "$0")/.." && pwd)" "${keep[@]}" "$@"
