#!/bin/sh
# Sets up, builds the viewer and its render companion, and starts the viewer on a
# bundled example log.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh logview logview-render
FILE="${1:-examples/counter.log}"
if [ ! -x build/logview ]; then
  echo "run: build/logview is missing after the build" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # No screen to open a window on: show what the window would look like.
  # One file per user: another user's picture in a shared /tmp cannot be replaced.
  OUT="${TMPDIR:-/tmp}/logview-window-$(id -u).png"
  if QT_QPA_PLATFORM=offscreen build/logview-render --png "$OUT" "$FILE"; then
    echo "run: no display (DISPLAY is not set); a picture of the window is in $OUT"
    exit 0
  else
    status=$?
    echo "run: no display (DISPLAY is not set); logview-render ended with status $status on $FILE" >&2
    exit "$status"
  fi
fi
exec build/logview "$FILE"
