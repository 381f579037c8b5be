#!/usr/bin/env bash
# Installs what building and running Tapshelf needs on a Debian machine.
# Quick when everything is already there: it only checks for the tools.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686-posix)
have i686-w64-mingw32-windres    || need+=(binutils-mingw-w64-i686)
have cmake                       || need+=(cmake)
have wine                        || need+=(wine)
[ -e /usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll ] || need+=(wine32:i386)
have Xvfb                        || need+=(xvfb)
have xauth                       || need+=(xauth)
have import                      || need+=(imagemagick)
[ -f /usr/share/wine/fonts/tahoma.ttf ] || need+=(fonts-wine)
[ -f /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf ] || need+=(fonts-ipafont-gothic)
[ -d /usr/src/googletest ] || need+=(googletest)
have python3                     || need+=(python3)

[ ${#need[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${need[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${need[@]}" >/dev/null
