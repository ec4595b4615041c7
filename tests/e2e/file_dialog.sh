# The file dialog on the real window system, answered with typed text: an existing file (0),
# then a name typed in the folder it remembered (1), then Esc (-1, the filter left as given);
# the current folder stays where it was; the title follows TUK_INGLES.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR DIALOG_PROBE
source "$1" "$2" "$3"
PROBE=$4
WORK=$(mktemp -d)
mkdir -p "$WORK/points" "$WORK/elsewhere"
fresh_home "$WORK"
echo "0 0 0 10 10" >"$WORK/points/a.ref"
OUT="$WORK/out.txt"

# answer TEXT [SHOW]: waits for the next chooser, types TEXT into its location field and
# Enter, or Esc for "". SHOW 1: Ctrl+L first, to show the location field (the desktop's
# chooser keeps it shown for the rest of the process once it was).
answer() {
  local win
  win=$(wait_window "$TITLE")
  wait_drawn "$win"
  # no window manager gives the focus: take it for the chooser
  xdotool mousemove --window "$win" 200 200
  xdotool windowfocus --sync "$win"
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
(cd "$WORK/elsewhere" && exec "$PROBE" file '*.ref' 3 >"$OUT" 2>>"$SHOTS/dialog_probe.log") &
PID=$!
started "$PID"
win=$(wait_window "$TITLE")
wait_drawn "$win"
shot file_dialog "$win" >/dev/null
answer "$WORK/points/a.ref" 1
answer "b.ref"
answer ""
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "dialog_probe ended with status $EXIT_STATUS"
cat "$OUT"
mapfile -t lines <"$OUT"
[ "${lines[0]}" = "RESULT 0 $WORK/points/a.ref" ] || fail "existing file: ${lines[0]}"
[ "${lines[1]}" = "RESULT 1 $WORK/points/b.ref" ] || fail "new name in the remembered folder: ${lines[1]}"
[ "${lines[2]}" = "RESULT -1 *.ref" ] || fail "cancel: ${lines[2]}"
[ "${lines[3]}" = "CWD $WORK/elsewhere" ] || fail "current folder changed: ${lines[3]}"

TITLE='^File Selection$'
(cd "$WORK/elsewhere" && TUK_INGLES=1 exec "$PROBE" file '*.obj' >"$OUT" 2>>"$SHOTS/dialog_probe.log") &
PID=$!
started "$PID"
answer ""
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "dialog_probe ended with status $EXIT_STATUS"
grep -qx 'RESULT -1 \*.obj' "$OUT" || fail "English chooser: $(cat "$OUT")"
rm -rf "$WORK"
echo PASS
