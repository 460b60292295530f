#!/bin/sh
# Configures and builds into build/ (or build-asan/ with --sanitize): everything, or
# only the targets named (scripts/build.sh logview logview-render).
set -eu
cd "$(dirname "$0")/.."
DIR=build
FLAGS="-DLOGVIEW_WERROR=ON"
if [ "${1:-}" = "--sanitize" ]; then
  shift
  DIR=build-asan
  FLAGS="$FLAGS -DLOGVIEW_SANITIZE=ON -DLOGVIEW_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug"
fi
LAUNCHER=""
command -v ccache >/dev/null 2>&1 && LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
# shellcheck disable=SC2086
cmake -S . -B "$DIR" -G Ninja $FLAGS $LAUNCHER >/dev/null
TARGETS=""
for t in "$@"; do TARGETS="$TARGETS --target $t"; done
# shellcheck disable=SC2086
cmake --build "$DIR" -j "$(nproc)" $TARGETS
