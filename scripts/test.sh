#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test
# (unit tests and end-to-end tests, all under Wine on a virtual display of
# their own) through CTest, each unit program once in a shuffled order.
# --repeat: each unit program three times over, shuffled anew each time (the
# check before a submission). Other arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build}
[ "${1:-}" != --repeat ] || { export GTEST_REPEAT=3; shift; }
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$BUILD_DIR"
ctest --output-on-failure "$@"
