#!/usr/bin/env bash
# Installs what building and running Tapshelf needs on a Debian machine.
# Quick when everything is already there: it only checks for the tools.
#   bootstrap.sh              what the builds, the tests and the emulator need
#   bootstrap.sh toolchain    what building the device's tool chain needs (make toolchain)
#
# Every run is a 64-bit program on 64-bit Wine. The 32-bit build is always made (the device
# is a 32-bit machine), but 32-bit Wine is installed only where this host can run 32-bit
# programs at all: elsewhere it could not start, and it would only get in the way.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
updated=0
install() {
  echo "bootstrap: installing $*"
  if [ $updated = 0 ]; then $SUDO apt-get update -qq; updated=1; fi
  $SUDO apt-get install -y -qq "$@" >/dev/null
}

command -v python3 >/dev/null 2>&1 || install python3

# The device's tool chain from the CeGCC sources: a host compiler, GCC's number libraries,
# and the parser generators of binutils and GCC.
if [ "${1:-}" = toolchain ]; then
  need=()
  for package in build-essential libgmp-dev libmpfr-dev libmpc-dev flex bison git xz-utils; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || need+=("$package")
  done
  [ ${#need[@]} -eq 0 ] || install "${need[@]}"
  exit 0
fi

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix)
have x86_64-w64-mingw32-windres    || need+=(binutils-mingw-w64-x86-64)
have i686-w64-mingw32-g++-posix    || need+=(g++-mingw-w64-i686-posix)
have i686-w64-mingw32-windres      || need+=(binutils-mingw-w64-i686)
have cmake                         || need+=(cmake)
[ -x /usr/lib/wine/wine64 ] && [ -x /usr/lib/wine/wineserver64 ] || need+=(wine64)
have Xvfb                          || need+=(xvfb)
have xauth                         || need+=(xauth)
have import                        || need+=(imagemagick)
[ -f /usr/share/wine/fonts/tahoma.ttf ] || need+=(fonts-wine)
[ -f /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf ] || need+=(fonts-ipafont-gothic)
[ -d /usr/src/googletest ]         || need+=(googletest)
have gcab                          || need+=(gcab)   # the device's installer CAB
[ -x /usr/sbin/locale-gen ]        || need+=(locales)
[ ${#need[@]} -eq 0 ] || install "${need[@]}"

# The device's language is a choice of each run: Wine takes a process's UI language from
# its locale, and only from a locale the machine has (otherwise it quietly falls back to
# English). Both are generated once, the Debian way (listed in /etc/locale.gen).
missing=()
for wanted in en_US ja_JP; do
  locale -a 2>/dev/null | grep -qix "$wanted.utf-\?8" || missing+=("$wanted")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: generating the locales ${missing[*]/%/.UTF-8}"
  for wanted in "${missing[@]}"; do
    grep -q "^$wanted.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null \
      || $SUDO sed -i "s/^# *\($wanted.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$wanted.UTF-8 UTF-8" /etc/locale.gen \
      || echo "$wanted.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO /usr/sbin/locale-gen >/dev/null
fi

if "$here/host-runs-32bit.sh" && [ ! -x /usr/lib/wine/wineserver32 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    updated=0
  fi
  install wine32:i386
fi
exit 0
