#!/usr/bin/env bash
# The long soak: the test suite's random soak of tapshelf.dll (Soak.*), run in chunks of
# SOAK_CHUNK events, each in a process of its own with its own seed (SOAK_SEED, SOAK_SEED+1,
# ...), so that a crash or a hang costs one chunk and is counted, not the whole run.
#   run-soak.sh BUILD_DIR
# SOAK_EVENTS (default 100000), SOAK_SEED (default 1), SOAK_CHUNK (default 5000).
# Each chunk's output is kept in BUILD_DIR/soak/. Ends with the line
#   soak: N events, N crashes, N heap errors, N handle growth, N wrong launches
# and a failing status when any of the counts but the first is not 0.
set -uo pipefail
build=${1:-build}
events=${SOAK_EVENTS:-100000}
seed=${SOAK_SEED:-1}
chunk=${SOAK_CHUNK:-5000}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

program=$(wine_env_built "$build" tests/tapshelf_tests.exe soak) || exit 1
out="$(cd "$build" && pwd)/soak"
rm -rf "$out"; mkdir -p "$out"

wine_env_sandbox "$build" wine-soak 240x320

ran=0 crashes=0 heap=0 growth=0 wrong=0 n=0
cd "$TAPSHELF_DEVICE"
while [ "$ran" -lt "$events" ]; do
  size=$(( events - ran < chunk ? events - ran : chunk ))
  s=$(( seed + n ))
  log="$out/chunk-$n-seed-$s"
  # A chunk gets far more time than it needs; one that runs out of it has hung.
  TAPSHELF_SOAK_EVENTS=$size TAPSHELF_SOAK_SEED=$s TAPSHELF_SOAK_SECONDS=0 WINEDEBUG=-all,err+heap,warn+heap \
    timeout $(( 300 + size / 2 )) wine "$program" --gtest_filter='Soak.*' \
    </dev/null >"$log.out" 2>"$log.err"
  status=$?
  result=$(grep -a '^soak-result:' "$log.out" | tail -1)
  heap=$(( heap + $(grep -ac 'err:heap\|warn:heap' "$log.err") ))
  if [ -z "$result" ]; then
    crashes=$(( crashes + 1 ))
    echo "run-soak: chunk $n (seed $s) ended without a result (status $status): $log.out" >&2
    ran=$(( ran + size ))
  else
    set -- $result   # soak-result: events E wrong W growth G heap H ...
    ran=$(( ran + $3 )); wrong=$(( wrong + $5 )); growth=$(( growth + $7 )); heap=$(( heap + $9 ))
    [ "$status" = 0 ] || echo "run-soak: chunk $n (seed $s) failed: $log.out" >&2
    [ "$3" -gt 0 ] || { echo "run-soak: chunk $n (seed $s) ran no events" >&2; break; }
  fi
  n=$(( n + 1 ))
done

echo "soak: $ran events, $crashes crashes, $heap heap errors, $growth handle growth, $wrong wrong launches"
[ $(( crashes + heap + growth + wrong )) -eq 0 ]
