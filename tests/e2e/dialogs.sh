# The toolkit's own dialogs on the real window system, opened by dialog_probe: the list dialog's
# index by Enter after the arrow keys and by a double click, -1 by Esc and by the close box; the
# file dialog's typed answers, its remembered folder, the filter left as given on Esc, the
# current folder kept and the title following TUK_INGLES; a GL canvas drawn from outside paint
# events, then hidden and shown again with its display list; the message box closed by Enter.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR DIALOG_PROBE
source "$1" "$2" "$3"
PROBE=$4
fresh_run dialog_probe
mkdir -p "$WORK/points" "$WORK/elsewhere"
echo "0 0 0 10 10" >"$WORK/points/a.ref"
OUT="$WORK/out.txt"

# probe ARG...: the probe started in WORK/elsewhere, its output into OUT, its input from WORK/in
probe() {
  rm -f "$WORK/in" && mkfifo "$WORK/in"
  (cd "$WORK/elsewhere" && exec "$PROBE" "$@" <"$WORK/in" >"$OUT" 2>>"$LOG") &
  PID=$!
  started "$PID"
  exec 3>"$WORK/in"
}
# probe_ended: the probe's status 0 once it ends (not in a subshell: only this shell can wait)
probe_ended() {
  exec 3>&-
  wait_exit "$PID"
  [ "$EXIT_STATUS" = 0 ] || fail "dialog_probe ended with status $EXIT_STATUS: $(cat "$OUT")"
}

# the list of five colours, entry OP shown selected; what xdotool does over its first entry
while read -r op want how; do
  probe list "$op"
  WIN=$(wait_window '^Cor do Time A$') || exit 1
  wait_line "$OUT" '^LIST '
  read -r _ LX LY LW LH < <(grep '^LIST ' "$OUT")
  wait_drawn "$WIN"
  read -r _ _ w h < <(geometry "$WIN")
  [ "$w" -ge "$LW" ] && [ "$h" -ge "$LH" ] || fail "the dialog is smaller than its list"
  shot "list_dialog_$op" "$WIN" >/dev/null
  if [ "$how" = close ]; then "$X_CLOSE" "$WIN"; else xdotool mousemove --window "$WIN" $((LX + 10)) $((LY + 10)) $how; fi
  probe_ended
  grep -qx "RESULT $want" "$OUT" || fail "list from entry $op by '$how' did not give $want"
done <<'EOF'
1 2 click 1 key Down Down Return
5 0 click --repeat 2 --delay 80 1
3 -1 key Escape
3 -1 close
4 3 key Return
EOF

# answer TEXT [SHOW]: in the next chooser, TEXT typed into the location field (Ctrl+L first when
# SHOW is 1: the chooser keeps it shown once it was) and Enter, or Esc for ""
answer() {
  local win
  win=$(wait_window "$TITLE") || exit 1
  wait_drawn "$win"
  xdotool mousemove --window "$win" 200 200
  xdotool windowfocus --sync "$win"  # no window manager gives the chooser the focus
  if [ -n "$1" ]; then
    [ "${2:-0}" = 1 ] && xdotool key ctrl+l
    xdotool key ctrl+a  # the field may hold the last choice
    xdotool type --delay 20 "$1"
    shot "file_dialog_typed_$(basename "$1")" "$win" >/dev/null
    xdotool key Return
  else
    xdotool key Escape
  fi
  wait_unmapped "$win"
}
TITLE='^Seleção de Arquivos$'
probe file '*.ref' 3
answer "$WORK/points/a.ref" 1
answer "b.ref"
answer ""
probe_ended
[ "$(tr '\n' '|' <"$OUT")" = "RESULT 0 $WORK/points/a.ref|RESULT 1 $WORK/points/b.ref|RESULT -1 *.ref|CWD $WORK/elsewhere|" ] ||
  fail "file dialog: an existing file, a new name in the remembered folder, Esc, the current folder kept"
TITLE='^File Selection$'
TUK_INGLES=1 probe file '*.obj'
answer ""
probe_ended
grep -qx 'RESULT -1 \*.obj' "$OUT" || fail "English chooser"

# the canvas: red from outside a paint event, then blue from a list made while it was hidden
probe canvas
for phase in "red 255 0 0" "blue 0 0 255"; do
  read -r name colour <<<"$phase"
  wait_line "$OUT" "^PHASE $name"
  win=$(wait_window '^Canvas Probe$') || exit 1
  read -r x y w h < <(geometry "$win")
  [ "$w x $h" = "200 x 150" ] || fail "canvas dialog is $w x $h"
  wait_pixel $((x + w / 2)) $((y + h / 2)) "$colour"
  echo next >&3
done
probe_ended
grep -qx 'RESULT 0' "$OUT" || fail "canvas probe"

probe message
win=$(wait_window 'Entre Duas Paralelas$') || exit 1
wait_drawn "$win"
xprop -id "$win" _NET_WM_NAME | grep -q '"Distância Entre Duas Paralelas"' || fail "message title"
shot message "$win" >/dev/null
xdotool mousemove --window "$win" 10 10
xdotool windowfocus --sync "$win"
xdotool key Return
probe_ended
grep -qx 'RESULT 0' "$OUT" || fail "message probe"
echo PASS
