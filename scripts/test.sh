#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test
# (unit tests and end-to-end tests, all under Wine on a virtual display of
# their own) through CTest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$BUILD_DIR"
ctest --output-on-failure "$@"
