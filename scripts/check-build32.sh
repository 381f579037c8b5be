#!/usr/bin/env bash
# The 32-bit build: the device is a 32-bit machine, so this build must stay clean
# (warnings are errors) and export the same ordinals. Its checks that need no Wine run
# always; its whole suite runs where this host can run 32-bit programs.
#   check-build32.sh BUILD_DIR
set -uo pipefail
build=${1:-build-i686}
here=$(cd "$(dirname "$0")" && pwd)

if "$here/host-runs-32bit.sh" && [ -x /usr/lib/wine/wineserver32 ]; then
  exec "$here/run-tests.sh" "$build" i686
fi
echo "tests: the i686 build is built; this host cannot run 32-bit programs, so only its" \
     "checks without Wine run (device API, exports)"
cd "$build" && ctest --output-on-failure --no-tests=error -L no-wine
