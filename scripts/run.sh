#!/bin/sh
# Sets up, builds and starts the viewer on a bundled example log.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
FILE="${1:-examples/counter.log}"
if [ ! -x build/logview ]; then
  echo "run: build/logview is missing after the build" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # No screen to open a window on: show what the window would look like.
  OUT="${TMPDIR:-/tmp}/logview-window.png"
  QT_QPA_PLATFORM=offscreen build/logview-render --png "$OUT" "$FILE" || true
  echo "run: no display (DISPLAY is not set); a picture of the window is in $OUT"
  exit 0
fi
exec build/logview "$FILE"
