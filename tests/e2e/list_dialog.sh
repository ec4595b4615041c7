# The list dialog on the real window system: the chosen index comes back, by Enter after the
# arrow keys, by a double click, and -1 by Esc, by Cancel's neighbour the close box.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR DIALOG_PROBE
source "$1" "$2" "$3"
PROBE=$4

# open_list OP: starts the probe with item OP preselected; sets PID, OUT, WIN, LX LY LW LH.
open_list() {
  OUT=$(mktemp)
  "$PROBE" list "$1" >"$OUT" 2>>"$SHOTS/dialog_probe.log" &
  PID=$!
  started "$PID"
  WIN=$(wait_window '^Cor do Time A$')
  local deadline=$((SECONDS + WAIT_SECONDS))
  until grep -q '^LIST ' "$OUT"; do
    [ $SECONDS -lt $deadline ] || fail "the probe did not report its list"
    sleep 0.1
  done
  read -r _ LX LY LW LH < <(grep '^LIST ' "$OUT")
  wait_drawn "$WIN"
}

# take_result: waits for the probe to end; sets R to the index it reported.
take_result() {
  wait_exit "$PID"
  [ "$EXIT_STATUS" = 0 ] || fail "dialog_probe ended with status $EXIT_STATUS"
  R=$(awk '/^RESULT / {print $2}' "$OUT")
  rm -f "$OUT"
}


open_list 1
shot list_dialog "$WIN" >/dev/null
read -r _ _ lw lh < <(geometry "$WIN")
[ "$lw" -ge "$LW" ] && [ "$lh" -ge "$LH" ] || fail "the dialog is smaller than its list"
xdotool mousemove --window "$WIN" $((LX + 10)) $((LY + 10)) click 1
xdotool key Down Down
sleep 0.3
shot list_dialog_third_selected "$WIN" >/dev/null
xdotool key Return
take_result
[ "$R" = 2 ] || fail "Down Down Enter from the first entry gave $R, not 2"

open_list 5
xdotool mousemove --window "$WIN" $((LX + 10)) $((LY + 10)) click --repeat 2 --delay 80 1
take_result
[ "$R" = 0 ] || fail "a double click on the first entry gave $R, not 0"

open_list 3
xdotool mousemove --window "$WIN" $((LX + 10)) $((LY + 10)) key Escape
take_result
[ "$R" = -1 ] || fail "Esc gave $R, not -1"

open_list 3
"$X_CLOSE" "$WIN"
take_result
[ "$R" = -1 ] || fail "the close box gave $R, not -1"

open_list 4
xdotool mousemove --window "$WIN" $((LX + 10)) $((LY + 10)) key Return
take_result
[ "$R" = 3 ] || fail "Enter at once gave $R, not the preselected 3"
echo PASS
