#!/bin/sh
# End to end: the real program on an X server (Xvfb) driven by real mouse and key input
# (xdotool) and X's clipboard (xclip): open an example, zoom by a left drag on the upper
# chart, type a line into the text view, load again, answer "save changes?" with Yes, type a
# file name into the save dialog, and compare the saved bytes. Then, on a 3000-line log:
# select all, type, undo and save (bytes compared); End; a triple-click copied; a
# middle-click pasting the primary selection; a line dragged to move it, and undone; the
# find bar and Ctrl+G. Then a dump opened through its signal list and saved under the
# proposed name. Then a UART decoder set from the upper chart's menu and dialog, its boxes
# seen in the band, and a row of its list window putting the caret on the item's line. Then
# markers A and B clicked on the upper chart (drawn in both charts, measured in the title line,
# cleared by Escape), the edge keys of both charts, and "Find pulse..." from the chart's menu
# with F3 and Shift+F3, each landing where logview-render --find says. Uses build/logview and
# build/logview-render; skips when Xvfb cannot start.
set -eu
cd "$(dirname "$0")/../.."
ROOT=$(pwd)
PROGRAM=${LOGVIEW_PROGRAM:-$ROOT/build/logview}
for tool in Xvfb xdotool xwd xclip; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "e2e: skipped: $tool is not installed (scripts/setup.sh installs it)"
    exit 0
  fi
done
[ -x "$PROGRAM" ] || { echo "e2e: $PROGRAM is not built" >&2; exit 1; }

WORK=$(mktemp -d)
XPID=""
APID=""
cleanup() {
  [ -n "$APID" ] && kill "$APID" 2>/dev/null || true
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

# A free display number: the first without a lock file.
N=90
while [ -e "/tmp/.X$N-lock" ] || [ -e "/tmp/.X11-unix/X$N" ]; do N=$((N + 1)); done
Xvfb ":$N" -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XPID=$!
export DISPLAY=":$N"
i=0
until xdotool getdisplaygeometry >/dev/null 2>&1; do
  i=$((i + 1))
  if [ $i -gt 50 ] || ! kill -0 "$XPID" 2>/dev/null; then
    echo "e2e: skipped: Xvfb could not start"
    cat "$WORK/xvfb.log"
    exit 0
  fi
  sleep 0.1
done

fail() {
  echo "e2e: FAILED: $*" >&2
  [ -f "$WORK/app.log" ] && cat "$WORK/app.log" >&2
  exit 1
}
# Waits for a window whose title matches; prints its id.
window() {
  timeout 20 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}
# Moves the pointer to X,Y inside window W (keys go where the pointer is: no window manager).
at() { xdotool mousemove --window "$1" "$2" "$3"; sleep 0.3; }

# "Load" in window $1 with changed text: "save changes?" Yes (its default button), the save
# dialog gets the name $2, and the open dialog that follows is cancelled.
save_by_loading() {
  at "$1" 45 20
  xdotool click 1
  Q=$(window "Confirm") || true
  [ -n "$Q" ] || fail "no save question"
  at "$Q" 20 20
  xdotool key Return
  sleep 0.5
  D=$(timeout 20 xdotool search --sync --onlyvisible --name "Save|Сохран" 2>/dev/null | head -n 1) || true
  [ -n "$D" ] || D=$(xdotool getactivewindow 2>/dev/null || true)
  [ -n "$D" ] || fail "no save dialog"
  at "$D" 20 20
  sleep 0.5
  xdotool key ctrl+a
  xdotool type --delay 20 "$2"
  xdotool key Return
  sleep 1
  xdotool key Escape
  sleep 0.5
}

cp examples/counter.log "$WORK/counter.log"
SAVED="$WORK/saved by hand.log"
cd "$WORK"
QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK" "$PROGRAM" "$WORK/counter.log" >"$WORK/app.log" 2>&1 &
APID=$!
W=$(window "counter.log") || true
[ -n "$W" ] || fail "the main window did not appear"
sleep 1

# Zoom: a left drag down-right across the upper chart (left of it: the 113 px text view).
xwd -silent -id "$W" >"$WORK/before.xwd"
at "$W" 400 90
xdotool mousedown 1
for x in 450 500 550 600; do xdotool mousemove --window "$W" "$x" 160; sleep 0.05; done
xdotool mouseup 1
sleep 0.5
kill -0 "$APID" 2>/dev/null || fail "the program ended after the zoom"
xwd -silent -id "$W" >"$WORK/after.xwd"
cmp -s "$WORK/before.xwd" "$WORK/after.xwd" && fail "the drag did not zoom (the window looks the same)"

# Type a line at the end of the text view.
at "$W" 50 200
xdotool click 1
xdotool key ctrl+End
xdotool type --delay 30 "2720:ff"
xdotool key Return
sleep 0.5

save_by_loading "$W" "$SAVED"

[ -f "$SAVED" ] || fail "nothing was saved under \"$SAVED\""
# What was loaded (CR LF between lines) plus the typed line.
sed 's/\r$//; s/$/\r/' "$ROOT/examples/counter.log" >"$WORK/expected"
printf '2720:ff\r\n' >>"$WORK/expected"
if ! cmp "$WORK/expected" "$SAVED"; then
  tail -c 80 "$SAVED" | od -c | tail -n 5 >&2
  fail "the saved bytes differ"
fi
kill -0 "$APID" 2>/dev/null || fail "the program ended"
kill "$APID" 2>/dev/null || true
wait "$APID" 2>/dev/null || true
APID=""

# A log long enough that select-all then a key once brought the program down.
BIG="$WORK/big.log"
i=0
while [ $i -lt 3000 ]; do
  printf '%d:%x\r\n' $((i * 10)) $((i % 256))
  i=$((i + 1))
done >"$BIG"
QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK" "$PROGRAM" "$BIG" >"$WORK/app.log" 2>&1 &
APID=$!
W=$(window "big.log") || true
[ -n "$W" ] || fail "the window did not appear for big.log"
sleep 1
# Row 0 of the text view, a little inside its left edge.
TX=6
TY=50
at "$W" 50 200
xdotool click 1
xdotool key ctrl+a
xdotool type --delay 30 "x"
sleep 0.5
kill -0 "$APID" 2>/dev/null || fail "select-all then a key ended the program"
xdotool key ctrl+z
sleep 0.5
SAVED2="$WORK/big saved.log"
save_by_loading "$W" "$SAVED2"
cmp "$BIG" "$SAVED2" || fail "select-all, typing and undo did not save the loaded bytes"

# End goes to the end of the line: "#" typed there ends the first line.
at "$W" $TX $TY
xdotool click 1
xdotool key ctrl+Home End
xdotool type "#"
xdotool key Home shift+End ctrl+c
sleep 0.3
[ "$(xclip -o -selection clipboard)" = "0:0#" ] || fail "End then # gave \"$(xclip -o -selection clipboard)\""
[ "$(xclip -o -selection primary)" = "0:0#" ] || fail "a keyboard selection is not the primary selection"

# A triple-click selects the line under the pointer; Ctrl+C copies it.
at "$W" $TX $((TY + 2))
xdotool click --repeat 3 --delay 80 1
xdotool key ctrl+c
sleep 0.3
xclip -o -selection clipboard | head -n 1 | grep -qx '0:0#' ||
  fail "a triple-click copied \"$(xclip -o -selection clipboard | head -c 40)\""

# A middle-click pastes the primary selection where it is pressed.
printf '777:1' | xclip -selection primary
at "$W" $TX $TY
xdotool click 2
sleep 0.3
at "$W" $TX $TY
xdotool click 1
xdotool key ctrl+Home shift+End ctrl+c
sleep 0.3
[ "$(xclip -o -selection clipboard)" = "777:10:0#" ] || fail "a middle-click pasted \"$(xclip -o -selection clipboard)\""

# The selected first line dragged a few rows down moves there, as one step to undo.
xdotool key ctrl+Home shift+End
at "$W" $((TX + 12)) $TY
xdotool mousedown 1
for dy in 5 10 20 30 40; do xdotool mousemove --window "$W" $TX $((TY + dy)); sleep 0.1; done
xdotool mouseup 1
sleep 0.5
xdotool key ctrl+Home shift+Down shift+Down shift+Down shift+Down shift+Down ctrl+c
sleep 0.3
MOVED=$(xclip -o -selection clipboard)
[ -z "$(printf '%s\n' "$MOVED" | head -n 1)" ] || fail "the dragged line did not leave: \"$MOVED\""
[ "$(printf '%s\n' "$MOVED" | grep -c '777:10:0#')" = 1 ] || fail "the dragged line did not arrive: \"$MOVED\""
xdotool key ctrl+z ctrl+Home shift+End ctrl+c
sleep 0.3
[ "$(xclip -o -selection clipboard)" = "777:10:0#" ] || fail "undo did not take the move back"
kill -0 "$APID" 2>/dev/null || fail "the program ended"

# Ctrl+F, a text typed into the find bar, Escape back to the text with the match selected.
at "$W" $TX $TY
xdotool click 1
xdotool key ctrl+f
sleep 0.3
xdotool type --delay 30 "29900:"
sleep 0.5
xdotool key Escape Home shift+End ctrl+c
sleep 0.3
[ "$(xclip -o -selection clipboard)" = "29900:ae" ] || fail "the find bar went to \"$(xclip -o -selection clipboard)\""

# Ctrl+G, a time typed into its dialog: the caret on the sample line at or before it.
xdotool key ctrl+g
G=$(timeout 20 xdotool search --sync --onlyvisible --name "Перейти" 2>/dev/null | head -n 1) || true
[ -n "$G" ] || G=$(xdotool getactivewindow 2>/dev/null || true)
[ -n "$G" ] || fail "no go-to-time dialog"
at "$G" 20 20
xdotool type --delay 30 "12345"
xdotool key Return
sleep 0.5
at "$W" $TX $TY
xdotool key Home shift+End ctrl+c
sleep 0.3
[ "$(xclip -o -selection clipboard)" = "12340:d2" ] || fail "Ctrl+G went to \"$(xclip -o -selection clipboard)\""
kill -0 "$APID" 2>/dev/null || fail "the program ended"
kill "$APID" 2>/dev/null || true
wait "$APID" 2>/dev/null || true
APID=""

# Another program's file: the tool's own dump of the example opens through the signal list
# (OK takes the first 32 bits) and its note, as a new text that "Load" offers to save under
# the source's name with .log, the proposal taken as it is.
RENDER=${LOGVIEW_RENDER:-$(dirname "$PROGRAM")/logview-render}
"$RENDER" --vcd "$WORK/capture.vcd" "$ROOT/examples/counter.log" || fail "no dump to open"
cp "$WORK/capture.vcd" "$WORK/capture.before"
"$RENDER" --convert "$WORK/expected.log" "$WORK/capture.vcd" 2>/dev/null || fail "no converted log"
QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK" "$PROGRAM" "$WORK/capture.vcd" >"$WORK/app.log" 2>&1 &
APID=$!
P=$(window "Сигналы файла") || true
[ -n "$P" ] || fail "no signal list for the dump"
at "$P" 20 20
xdotool key Return
sleep 1
N=$(window "^logview$") || true
[ -n "$N" ] || fail "no note after the import"
at "$N" 20 20
xdotool key Return
W=$(window "capture.vcd — ") || true
[ -n "$W" ] || fail "the caption does not name the converted source"
sleep 0.5
at "$W" 45 20
xdotool click 1
Q=$(window "Confirm") || true
[ -n "$Q" ] || fail "no save question after the import"
at "$Q" 20 20
xdotool key Return
sleep 1
D=$(timeout 20 xdotool search --sync --onlyvisible --name "Save|Сохран" 2>/dev/null | head -n 1) || true
[ -n "$D" ] || fail "no save dialog"
at "$D" 20 20
xdotool key Return
sleep 1
xdotool key Escape
sleep 0.5
[ -f "$WORK/capture.log" ] || fail "the save did not propose capture.log"
cmp "$WORK/expected.log" "$WORK/capture.log" || fail "the saved import differs from --convert"
cmp "$WORK/capture.before" "$WORK/capture.vcd" || fail "the source changed"
kill -0 "$APID" 2>/dev/null || fail "the program ended"
kill "$APID" 2>/dev/null || true
wait "$APID" 2>/dev/null || true
APID=""

# Decoders: "Hi!" as 8N1 frames on bit 0, 100 units a bit, from 1000 and one every 1200, a
# line at every bit boundary (line 1 is the first start bit).
# Waits for another visible window of the program than $1 (a menu has no WM_NAME to search).
popup() {
  i=0
  while [ $i -lt 100 ]; do
    for w in $(xdotool search --onlyvisible --classname '^logview$' 2>/dev/null); do
      [ "$w" = "$1" ] || { echo "$w"; return 0; }
    done
    i=$((i + 1))
    sleep 0.1
  done
  return 1
}
UART="$WORK/uart.log"
{
  printf '0:1\r\n'
  t=1000
  for c in 72 105 33; do
    k=0
    while [ $k -lt 10 ]; do
      if [ $k -eq 0 ]; then l=0; elif [ $k -eq 9 ]; then l=1; else l=$(((c >> (k - 1)) & 1)); fi
      printf '%d:%d\r\n' $((t + 100 * k)) $l
      k=$((k + 1))
    done
    t=$((t + 1200))
  done
  printf '%d:1\r\n' $t
} >"$UART"
QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK" "$PROGRAM" "$UART" >"$WORK/app.log" 2>&1 &
APID=$!
W=$(window "uart.log") || true
[ -n "$W" ] || fail "the window did not appear for uart.log"
sleep 1
# The caret on the last line first, so that the list's row has somewhere to move it from.
at "$W" 50 200
xdotool click 1
xdotool key ctrl+End Up
at "$W" 500 20
xwd -silent -id "$W" >"$WORK/plain.xwd"
# A right click without movement on the upper chart: its menu, whose first item is "Decode
# UART..."; the dialog's "bit" field (the third) typed into, Enter for OK.
at "$W" 560 150
xdotool click 3
M=$(popup "$W") || true
[ -n "$M" ] || fail "no menu on a right click of the chart"
xdotool key Down Return
D=$(window "^Decode UART$") || true
[ -n "$D" ] || fail "no settings dialog for \"Decode UART...\""
at "$D" 120 78
xdotool click 1
xdotool type --delay 20 "100"
xdotool key Return
i=0
while xdotool search --onlyvisible --name "^Decode UART$" >/dev/null 2>&1; do
  i=$((i + 1))
  [ $i -le 50 ] || fail "the settings dialog did not close on Enter"
  sleep 0.1
done
at "$W" 500 20
xwd -silent -id "$W" >"$WORK/decoded.xwd"
# Rows of the upper chart (window rows 42 to 225, the plot's columns) that differ: the boxes
# must be there, and only in the band at the top of the plot, above the high level (row 92).
be32() { od -An -tu1 -j "$2" -N4 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }'; }
row() {
  tail -c +$(($(be32 "$1" 0) + $(be32 "$1" 76) * 12 + $2 * $(be32 "$1" 48) + 160 * 4 + 1)) "$1" |
    head -c $((820 * 4)) | cksum
}
CHANGED=""
y=42
while [ $y -le 225 ]; do
  [ "$(row "$WORK/plain.xwd" $y)" = "$(row "$WORK/decoded.xwd" $y)" ] || CHANGED="$CHANGED $y"
  y=$((y + 1))
done
[ -n "$CHANGED" ] || fail "no decoded boxes were drawn (the upper chart looks the same)"
for y in $CHANGED; do
  if [ "$y" -lt 55 ] || [ "$y" -ge 92 ]; then
    fail "decoding changed chart rows outside the band:$CHANGED"
  fi
done
# "Decoded items..." is the menu's sixth item; its window moved below the main one.
at "$W" 560 150
xdotool click 3
M=$(popup "$W") || true
[ -n "$M" ] || fail "no menu on the second right click"
xdotool key Down Down Down Down Down Down Return
L=$(window "^Decoded items$") || true
[ -n "$L" ] || fail "no list window for \"Decoded items...\""
xdotool windowmove "$L" 0 724
sleep 0.5
# Its first row (1000..2000, 'H') clicked: the caret on line 1, "1000:0". A click on the main
# window's empty toolbar brings the keys back to the text view without moving its caret.
at "$L" 30 64
xdotool click 1
sleep 0.3
at "$W" 500 20
xdotool click 1
xdotool key Home shift+End ctrl+c
sleep 0.3
[ "$(xclip -o -selection clipboard)" = "1000:0" ] ||
  fail "a row's click left the caret on \"$(xclip -o -selection clipboard)\", not 1000:0"
kill -0 "$APID" 2>/dev/null || fail "the program ended"
kill "$APID" 2>/dev/null || true
wait "$APID" 2>/dev/null || true
APID=""

# Markers, the edge keys and "Find pulse...", each against what logview-render lists for a log
# whose bit 0 has pulses 10, 20 and 40 long and bit 1 changes every 50 (its edges mostly on
# other lines than bit 0's).
GEST="$WORK/gestures.log"
i=0
b0=0
b1=0
while [ $i -lt 60 ]; do
  case $((i % 7)) in 0 | 2 | 3) b0=$((1 - b0)) ;; esac
  [ $((i % 5)) -ne 4 ] || b1=$((1 - b1))
  printf '%d:%x\r\n' $((i * 10)) $((b1 * 2 + b0 + (i % 4) * 4))
  i=$((i + 1))
done >"$GEST"
"$RENDER" --find edge:bit=0 --find edge:bit=1 --find pulse:bit=0,level=high,shorter=15 "$GEST" \
  >"$WORK/found" || fail "logview-render found nothing in gestures.log"
# The line of the first match of query $1 (1: bit 0's edges, 2: bit 1's, 3: the pulses) after
# line $2.
match_after() { awk -v n="$1" -v l="$2" '$1 == n && $2 > l { print $2; exit }' "$WORK/found"; }
# The caret's line through X's clipboard, checked against line $1 of the log ($2 names the step).
caret_on() {
  xdotool key Home shift+End ctrl+c
  sleep 0.3
  GOT=$(xclip -o -selection clipboard)
  WANT=$(sed -n "$1p" "$GEST" | tr -d '\r')
  if [ -z "$WANT" ] || [ "$GOT" != "$WANT" ]; then
    fail "$2 left the caret on \"$GOT\", not line $1 \"$WANT\""
  fi
}
QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK" "$PROGRAM" "$GEST" >"$WORK/app.log" 2>&1 &
APID=$!
W=$(window "gestures.log") || true
[ -n "$W" ] || fail "the window did not appear for gestures.log"
sleep 1

# One pixel a line of row $2 of dump $1, as "R G B".
pixels() {
  tail -c +$(($(be32 "$1" 0) + $(be32 "$1" 76) * 12 + $2 * $(be32 "$1" 48) + 1)) "$1" |
    head -c "$(be32 "$1" 48)" | od -An -v -tu1 -w4 |
    if [ "$(be32 "$1" 28)" = 1 ]; then awk '{ print $2, $3, $4 }'; else awk '{ print $3, $2, $1 }'; fi
}
# Columns 160 to 975 (the plot) of row $3 that differ between dumps $1 and $2.
changed_columns() {
  pixels "$1" "$3" >"$WORK/p1"
  pixels "$2" "$3" >"$WORK/p2"
  paste -d '|' "$WORK/p1" "$WORK/p2" |
    awk -F '|' 'NR > 160 && NR <= 976 && $1 != $2 { printf " %d", NR - 1 }'
}
# Checksum of rows $2 to $3 of dump $1 right of the text view.
rows_sum() {
  y=$2
  while [ "$y" -le "$3" ]; do
    tail -c +$(($(be32 "$1" 0) + $(be32 "$1" 76) * 12 + y * $(be32 "$1" 48) + 116 * 4 + 1)) "$1" |
      head -c $((880 * 4))
    y=$((y + 1))
  done | cksum
}
# Row 150 of the upper chart and row 375 of the lower one lie between their low and high
# levels: there only edges, grid dots and markers are drawn. Marker A is clicked 3 pixels
# right of an edge of bit 0 (the red column), so it must take the edge's column; B is clicked
# where no edge is near, so it must stay where it is clicked.
at "$W" 50 20
xwd -silent -id "$W" >"$WORK/nomark.xwd"
EDGES=$(pixels "$WORK/nomark.xwd" 150 | awk 'NR > 400 && NR <= 976 && $1 > 150 && $2 < 100 && $3 < 100 { printf " %d", NR - 1 }')
E=$(echo "$EDGES" | awk '{ print $1 }')
[ -n "$E" ] || fail "no edge of bit 0 found in the upper chart's row 150"
XB=$(echo "$EDGES" | awk -v e="$E" '{ for (x = e + 40; x < 970; ++x) { ok = 1
  for (i = 1; i <= NF; ++i) if ($i > x - 12 && $i < x + 12) ok = 0
  if (ok) { print x; exit } } }')
[ -n "$XB" ] || fail "no column free of edges for marker B"
at "$W" "$XB" 150
xwd -silent -id "$W" >"$WORK/pointer.xwd"
at "$W" $((E + 3)) 150
xdotool click 1
sleep 0.6
at "$W" "$XB" 150
xdotool keydown shift click 1 keyup shift
sleep 0.5
xwd -silent -id "$W" >"$WORK/marked.xwd"
for y in 150 375; do
  COLS=$(changed_columns "$WORK/pointer.xwd" "$WORK/marked.xwd" $y)
  [ -n "$COLS" ] || fail "no marker drawn in row $y"
  for x in $COLS; do
    [ "$x" = "$E" ] || { [ "$x" -ge $((XB - 1)) ] && [ "$x" -le $((XB + 1)) ]; } ||
      fail "row $y changed at columns$COLS, not only at the edge $E (A) and at $XB (B)"
  done
  echo " $COLS " | grep -q " $E " || fail "marker A is not on the edge at column $E in row $y:$COLS"
  echo " $COLS " | grep -Eq " ($((XB - 1))|$XB|$((XB + 1))) " ||
    fail "marker B is not at column $XB in row $y:$COLS"
done
# The title lines (rows 44 to 64 above the upper plot, 267 to 287 above the lower one) show the
# measurement instead of the readout or nothing.
[ "$(rows_sum "$WORK/pointer.xwd" 44 64)" != "$(rows_sum "$WORK/marked.xwd" 44 64)" ] ||
  fail "the upper chart's title line did not change with both markers set"
[ "$(rows_sum "$WORK/pointer.xwd" 267 287)" != "$(rows_sum "$WORK/marked.xwd" 267 287)" ] ||
  fail "the lower chart's title line did not change with both markers set"
# Escape with the pointer over the chart: both charts as before the markers, the pointer's
# readout back in the title line without a move.
xdotool key Escape
sleep 0.5
xwd -silent -id "$W" >"$WORK/cleared.xwd"
[ "$(rows_sum "$WORK/pointer.xwd" 42 485)" = "$(rows_sum "$WORK/cleared.xwd" 42 485)" ] ||
  fail "Escape over the chart did not clear the markers (the charts differ from before)"

# The edge keys from the first line: the upper chart's bit 0, then the lower chart's bit 1.
at "$W" 50 200
xdotool click 1
xdotool key ctrl+Home
L1=$(match_after 1 1)
L2=$(match_after 1 "$L1")
xdotool key alt+Down
caret_on "$L1" "Alt+Down"
xdotool key alt+Down
caret_on "$L2" "a second Alt+Down"
xdotool key alt+Up
caret_on "$L1" "Alt+Up"
L3=$(match_after 2 "$L1")
L4=$(match_after 2 "$L3")
[ "$L3" != "$(match_after 1 "$L1")" ] || fail "the log gives bit 1 no edge apart from bit 0's"
xdotool key alt+shift+Down
caret_on "$L3" "Alt+Shift+Down"
xdotool key alt+shift+Down
caret_on "$L4" "a second Alt+Shift+Down"
xdotool key alt+shift+Up
caret_on "$L3" "Alt+Shift+Up"

# "Find pulse..." from the upper chart's menu (its last item but one while nothing is searched):
# the bit offered, level high as offered, 15 typed as "shorter than" (third field).
xdotool key ctrl+Home
at "$W" 560 150
xdotool click 3
M=$(popup "$W") || true
[ -n "$M" ] || fail "no menu on a right click of the chart"
xdotool key Up Up Return
D=$(window "^Find pulse$") || true
[ -n "$D" ] || fail "no dialog for \"Find pulse...\""
at "$D" 20 20
xdotool key Tab Tab
xdotool type --delay 20 "15"
xdotool key Return
i=0
while xdotool search --onlyvisible --name "^Find pulse$" >/dev/null 2>&1; do
  i=$((i + 1))
  [ $i -le 50 ] || fail "the find dialog did not close on Enter"
  sleep 0.1
done
# The find bar holds the query with the keys; Escape closes it, back to the text.
at "$W" 50 200
xdotool key Home shift+End ctrl+c
sleep 0.3
[ "$(xclip -o -selection clipboard)" = "pulse:bit=0,level=high,shorter=15" ] ||
  fail "the find bar shows \"$(xclip -o -selection clipboard)\" after \"Find pulse...\""
xdotool key Escape
P1=$(match_after 3 1)
P2=$(match_after 3 "$P1")
P3=$(match_after 3 "$P2")
caret_on "$P1" "\"Find pulse...\""
xdotool key F3
caret_on "$P2" "F3"
xdotool key F3
caret_on "$P3" "a second F3"
xdotool key shift+F3
caret_on "$P2" "Shift+F3"
kill -0 "$APID" 2>/dev/null || fail "the program ended"
echo "e2e: 5 passed, 0 failed"
