#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest. Wine processes whose output is a pipe
# start seconds slower here, so the output goes through a file and is replayed.
# Only inside the project's own Wine environment (scripts/wine-env.sh): never in ~/.wine.
# Wine's heap checker is on: it reports a corrupted heap as "err:heap" or "warn:heap"
# (tests/CMakeLists.txt fails a test on such a line).
if [ -z "${WINEPREFIX:-}" ] || [ -z "${WINELOADER:-}" ]; then
  echo "wine-exec: no project Wine environment; run the tests through make test" >&2
  exit 1
fi
out=$(mktemp)
WINEDEBUG=-all,err+heap,warn+heap wine "$@" </dev/null >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status
