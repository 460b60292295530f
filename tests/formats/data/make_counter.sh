#!/bin/sh
# Remakes counter.vcd from counter_tb.v with Icarus Verilog (Debian's iverilog).
set -eu
cd "$(dirname "$0")"
iverilog -o counter.vvp counter_tb.v
vvp -n counter.vvp >/dev/null
rm -f counter.vvp
