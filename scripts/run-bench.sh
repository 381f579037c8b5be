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
