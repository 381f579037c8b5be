#!/usr/bin/env bash
# Builds the device DLL, BUILD_DIR/tapshelf.dll, and the installer's setup DLL,
# BUILD_DIR/tapshelf_setup.dll, for the Pocket PC (ARM, Windows CE 5.01) with the tool chain
# that ce-toolchain.sh finds, and with --cab their installer, BUILD_DIR/Tapshelf.cab.
#   build-device.sh BUILD_DIR [--cab] [--if-toolchain]
# --if-toolchain: without a tool chain, say that the device build is skipped and succeed
# (make test); otherwise that fails (make device, make cab).
set -uo pipefail
build=${1:-build-device}
shift
cab=0 optional=0
for option in "$@"; do
  case "$option" in
    --cab) cab=1 ;;
    --if-toolchain) optional=1 ;;
    *) echo "build-device.sh: unknown option $option" >&2; exit 2 ;;
  esac
done
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
case "$build" in /*) ;; *) build="$top/$build" ;; esac

if ! bin=$("$here/ce-toolchain.sh" "$build" 2>&1); then
  if [ $optional = 1 ]; then
    echo "device: build and checks skipped: ${bin#device: }"
    exit 0
  fi
  echo "$bin" >&2
  exit 1
fi
export PATH="$bin:$PATH"
# A build configured with another tool chain than the one found now starts afresh: CMake
# keeps the compiler it found first, by its full path.
if [ -f "$build/CMakeCache.txt" ] && ! cat "$build"/CMakeFiles/*/CMakeCXXCompiler.cmake 2>/dev/null \
     | grep -qxF "set(CMAKE_CXX_COMPILER \"$bin/arm-mingw32ce-g++\")"; then
  echo "device: ${build#$top/} was configured with another tool chain: configured again with ${bin#$top/}"
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/arm-mingw32ce.cmake" >/dev/null || exit 1
fi
cmake --build "$build" -j2 || exit 1
echo "device: ${build#$top/}/tapshelf.dll ($(stat -c %s "$build/tapshelf.dll") bytes), built with ${bin#$top/}"
if [ $cab = 1 ]; then
  python3 "$top/scripts/make-cab.py" --dll "$build/tapshelf.dll" \
    --setup-dll "$build/tapshelf_setup.dll" \
    --registration "$top/resources/today_item.reg" --out "$build/Tapshelf.cab" || exit 1
fi
