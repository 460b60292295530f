#!/usr/bin/env python3
# Turns sigrok-cli's CSV output (channels D0..D7 as 0/1 columns) into log lines "TIME:HEX",
# D0 as bit 0, times in microseconds at the capture's sample rate, a line where the word
# changes. The demo-*.log files here were made with
#   sigrok-cli -d demo:logic_channels=8:analog_channels=0 -g Logic \
#       --config pattern=PATTERN --samples N -O csv | tests/decode/data/from-sigrok-csv.py
import sys

rate = None
last = None
n = 0
out = []
for line in sys.stdin:
    line = line.strip()
    if line.startswith(";"):
        if "Samplerate:" in line:
            value, unit = line.split(":")[1].split()
            rate = float(value) * {"Hz": 1, "kHz": 1e3, "MHz": 1e6}[unit]
        continue
    if not line or line.startswith("logic"):
        continue
    word = sum(int(b) << i for i, b in enumerate(line.split(",")))
    if word != last:
        out.append("%d:%X" % (round(n * 1e6 / rate), word))
        last = word
    n += 1
sys.stdout.write("\n".join(out) + "\n")
