#!/bin/sh
# Fails, naming them, when tracked C++ files do not match .clang-format.
# Fix with: clang-format -i FILE...
set -eu
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null 2>&1 || { echo "format-check: clang-format not found" >&2; exit 1; }
bad=""
for f in $(git ls-files '*.cpp' '*.h'); do
  [ -f "$f" ] || continue
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad="$bad $f"
done
if [ -n "$bad" ]; then
  echo "format-check: not formatted as .clang-format says:$bad" >&2
  exit 1
fi
