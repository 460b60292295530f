#!/bin/sh
# Sets up, builds and runs every test headless. With --sanitize the unit tests
# run once more under AddressSanitizer and UndefinedBehaviorSanitizer.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
DIR=build
if [ "${1:-}" = "--sanitize" ]; then DIR=build-asan; fi
scripts/build.sh "$@"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$DIR" --output-on-failure --no-tests=error -j "$(nproc)"
