#!/bin/sh
# Sets up, builds and starts the viewer on a bundled example log.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
FILE="${1:-examples/counter.log}"
if [ ! -x build/logview ]; then
  echo "run: the viewer program is not built yet (build/logview missing)"
  exit 0
fi
exec build/logview "$FILE"
