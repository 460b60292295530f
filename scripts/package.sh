#!/bin/sh
# Sets up, builds the programs and makes build/logview_VERSION_ARCH.deb.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh --package
scripts/build.sh logview logview-render packaging-files
cd build
cpack -G DEB
