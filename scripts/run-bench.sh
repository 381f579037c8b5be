#!/usr/bin/env bash
# Runs the speed benchmarks under Wine: the benchmarks' own prefix, the sandbox drive T:
# for the device root, a virtual display and a warm Wine server.
# Prints one line per metric: "<metric>: <ratio>x (goal <= <goal>x)".
# BENCH_ARGS is passed on to the program (--verbose, --only <word>).
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

program=$(wine_env_built "$build" bench/tapshelf_bench.exe bench) || exit 1
wine_env_sandbox "$build" wine-bench 240x320

cd "$TAPSHELF_DEVICE"
# shellcheck disable=SC2086
wine "$program" ${BENCH_ARGS:-} </dev/null
status=$?

# The device DLL's size, stripped, and its installer's, with the setup DLL, where a device
# tool chain is found. Every Today launcher of its day that we know of was 60 KB or larger.
device_build=$(cd "$here/.." && pwd)/${BUILD_DEVICE:-build-device}
case "${BUILD_DEVICE:-}" in /*) device_build=$BUILD_DEVICE ;; esac
if ! made=$("$here/build-device.sh" "$device_build" --cab --if-toolchain 2>&1); then
  echo "$made"
  exit 1
fi
case "$made" in
  *skipped*) echo "device dll size: skipped (no device tool chain)"
             echo "device cab size: skipped (no device tool chain)" ;;
  *) echo "device dll size: $(( ($(stat -c %s "$device_build/tapshelf.dll") + 1023) / 1024 )) KB (goal <= 44 KB)"
     echo "device cab size: $(( ($(stat -c %s "$device_build/Tapshelf.cab") + 1023) / 1024 )) KB (goal <= 24 KB)" ;;
esac
exit $status
