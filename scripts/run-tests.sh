#!/usr/bin/env bash
# Runs the test suite of one build under Wine: the project's own prefix, the sandbox
# drive T: for the device root, a virtual display and a warm Wine server.
#   run-tests.sh BUILD_DIR [x86_64|i686]
set -uo pipefail
build=${1:-build}
arch=${2:-x86_64}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

wine_env_sandbox "$build" wine-test 240x320 "$arch"

cd "$build"
echo "tests: the $arch build on $WINEARCH Wine"
ctest --output-on-failure --no-tests=error ${CTEST_ARGS:-}
