#!/usr/bin/env bash
# Runs the speed benchmarks under Wine: the benchmarks' own prefix, the sandbox drive T:
# for the device root, a virtual display and a warm Wine server.
# Prints one line per metric: "<metric>: <ratio>x (goal <= <goal>x)".
# BENCH_ARGS is passed on to the program (--verbose, --only <word>).
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

program="$(cd "$build" && pwd)/bench/tapshelf_bench.exe"
if [ ! -f "$program" ]; then
  echo "run-bench: $program is missing: build first (make bench)" >&2
  exit 1
fi

trap wine_env_teardown EXIT
wine_env_setup "$build" wine-bench 240x320 || exit 1
touch "$TAPSHELF_DEVICE/.tapshelf-device"
wine_env_warm

cd "$TAPSHELF_DEVICE"
# shellcheck disable=SC2086
wine "$program" ${BENCH_ARGS:-} </dev/null
