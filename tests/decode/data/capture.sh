#!/bin/sh
# Remakes the capture logs from the logic analyser CLI's demo device (Debian package
# sigrok-cli): the device's default 200 kHz, channels D0-D7 as bits 0-7 of the word.
set -eu
cd "$(dirname "$0")"
capture() { # PATTERN SAMPLES
  sigrok-cli -d demo --channels D0,D1,D2,D3,D4,D5,D6,D7 -g Logic --config pattern="$1" \
    --samples "$2" -O csv | awk -f csv2log.awk >"$1.log"
}
# The sample counts leave each line the tests read at a known level after the last line.
capture incremental 2036
capture graycode 2046
capture walking-zero 2044
