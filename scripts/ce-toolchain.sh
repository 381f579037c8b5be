#!/usr/bin/env bash
# Finds the device's cross tool chain (arm-mingw32ce, from the CeGCC project) and prints
# the folder of its programs. In this order:
#   1. $CE_TOOLCHAIN: the tool chain's folder (or its bin folder);
#   2. arm-mingw32ce-g++ on PATH;
#   3. the one make toolchain built from the CeGCC sources: build-toolchain/arm-mingw32ce
#      ($BUILD_TOOLCHAIN for another folder than build-toolchain);
#   4. ../shared/toolchains/arm-mingw32ce.tar.xz beside the checkout, unpacked once into
#      DEVICE_BUILD/toolchain.
# Without one it says what it needs on stderr and exits 1.
#   ce-toolchain.sh [DEVICE_BUILD]     (default build-device)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-device}
case "$build" in /*) ;; *) build="$top/$build" ;; esac
compiler=arm-mingw32ce-g++

if [ -n "${CE_TOOLCHAIN:-}" ]; then
  for bin in "$CE_TOOLCHAIN/bin" "$CE_TOOLCHAIN"; do
    if [ -x "$bin/$compiler" ]; then echo "$bin"; exit 0; fi
  done
  echo "device: CE_TOOLCHAIN=$CE_TOOLCHAIN holds no $compiler (in it or in its bin folder)" >&2
  exit 1
fi
if command -v "$compiler" >/dev/null 2>&1; then
  dirname "$(command -v "$compiler")"
  exit 0
fi
built=${BUILD_TOOLCHAIN:-build-toolchain}
case "$built" in /*) ;; *) built="$top/$built" ;; esac
if [ -x "$built/arm-mingw32ce/bin/$compiler" ]; then echo "$built/arm-mingw32ce/bin"; exit 0; fi
archive="$top/../shared/toolchains/arm-mingw32ce.tar.xz"
unpacked="$build/toolchain/arm-mingw32ce/bin"
if [ -x "$unpacked/$compiler" ]; then echo "$unpacked"; exit 0; fi
if [ -f "$archive" ]; then
  mkdir -p "$build/toolchain"
  tar -xJf "$archive" -C "$build/toolchain"
  if [ -x "$unpacked/$compiler" ]; then echo "$unpacked"; exit 0; fi
  echo "device: $archive does not unpack to arm-mingw32ce/bin/$compiler" >&2
  exit 1
fi
echo "device: no Windows CE cross tool chain: make toolchain builds one from the CeGCC" \
     "sources (about 20 minutes), or set CE_TOOLCHAIN to an arm-mingw32ce tool chain (GCC 4.4" \
     "with the CE headers and import libraries coredll, aygshell, commctrl)" >&2
exit 1
