#!/bin/sh
# Builds the libFuzzer programs with clang (ASan, UBSan) in build-fuzz and runs each
# for SECONDS (default 60) on a copy of its seed corpus. A finding is kept in
# build-fuzz/findings/ and makes the script fail. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
[ $# -gt 0 ] && shift
DIR=build-fuzz
LAUNCHER=""
if command -v ccache >/dev/null 2>&1; then LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"; fi
# shellcheck disable=SC2086
CC=clang CXX=clang++ cmake -S . -B "$DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLOGVIEW_FUZZ=ON -DLOGVIEW_BENCH=OFF $LAUNCHER >/dev/null
TARGETS=${*:-$(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')}
# shellcheck disable=SC2086
cmake --build "$DIR" -j "$(nproc)" --target $TARGETS
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$DIR/findings"
status=0
for t in $TARGETS; do
  work="$DIR/corpus/$t"
  mkdir -p "$work"
  [ -d "tests/fuzz/corpus/$t" ] && cp -n tests/fuzz/corpus/"$t"/* "$work"/ 2>/dev/null || true
  echo "fuzz: $t for ${SECONDS_EACH}s"
  if ! "$DIR/tests/$t" -max_total_time="$SECONDS_EACH" -max_len=65536 -timeout=60 -rss_limit_mb=4096 \
      -artifact_prefix="$DIR/findings/$t-" -print_final_stats=1 "$work" 2>"$DIR/$t.log"; then
    echo "fuzz: $t found a fault, see $DIR/$t.log and $DIR/findings/" >&2
    tail -40 "$DIR/$t.log" >&2
    status=1
  fi
  grep -E "stat::number_of_executed_units|stat::average_exec_per_sec" "$DIR/$t.log" || true
done
exit $status
