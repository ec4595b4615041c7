# A GL canvas on screen drawn from outside paint events, hidden and shown again with its
# display list kept; and the message box, dismissed with Enter.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR DIALOG_PROBE
source "$1" "$2" "$3"
PROBE=$4
WORK=$(mktemp -d)
OUT="$WORK/out.txt"
mkfifo "$WORK/in"

"$PROBE" canvas <"$WORK/in" >"$OUT" 2>>"$SHOTS/dialog_probe.log" &
PID=$!
started "$PID"
exec 3>"$WORK/in"
wait_line "$OUT" '^PHASE red'
win=$(wait_window '^Canvas Probe$')
read -r x y w h < <(geometry "$win")
[ "$w x $h" = "200 x 150" ] || fail "canvas dialog is $w x $h"
cx=$((x + w / 2)); cy=$((y + h / 2))
wait_pixel "$cx" "$cy" "255 0 0"
shot canvas_red "$win" >/dev/null
echo next >&3
wait_line "$OUT" '^PHASE blue'
win=$(wait_window '^Canvas Probe$')
wait_pixel "$cx" "$cy" "0 0 255"
shot canvas_blue_from_list "$win" >/dev/null
echo next >&3
exec 3>&-
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "canvas probe ended with status $EXIT_STATUS"
grep -qx 'RESULT 0' "$OUT" || fail "canvas probe: $(cat "$OUT")"

"$PROBE" message >"$OUT" 2>>"$SHOTS/dialog_probe.log" &
PID=$!
started "$PID"
win=$(wait_window 'Entre Duas Paralelas$')
wait_drawn "$win"
xprop -id "$win" _NET_WM_NAME | grep -q '"Distância Entre Duas Paralelas"' ||
  fail "message title: $(xprop -id "$win" _NET_WM_NAME)"
shot message "$win" >/dev/null
xdotool mousemove --window "$win" 10 10
xdotool windowfocus --sync "$win"
xdotool key Return
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "message probe ended with status $EXIT_STATUS"
grep -qx 'RESULT 0' "$OUT" || fail "message probe: $(cat "$OUT")"
rm -rf "$WORK"
echo PASS
