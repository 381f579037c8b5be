#!/usr/bin/env bash
# Runs the whole test suite under Wine: the project's own prefix, the sandbox drive T:
# for the device root, a virtual display and a warm Wine server.
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

wine_env_setup "$build" wine-test 240x320 || exit 1
trap wine_env_teardown EXIT
touch "$TAPSHELF_DEVICE/.tapshelf-device"
wine_env_warm

cd "$build"
ctest --output-on-failure --no-tests=error ${CTEST_ARGS:-}
status=$?
exit $status
