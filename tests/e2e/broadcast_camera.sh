# The broadcast camera under Xvfb. The demo without its crossbar ends (demo_ground.cen, ground
# landmarks only) gets a camera: its field lines pass within 2 px of every marked landmark, and
# Measures > "Offline Verification" answers in two lines, the number and its 95% band (read from
# the message log). A scene whose five ground points all lie on the halfway line gets no camera,
# and the measurement says why: the rule, the counts, and that the points lie on one line.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR VARNESK DEMO_DIR
source "$1" "$2" "$3"
VARNESK=$4
DEMO=$5
fresh_run broadcast

# measure_offside TITLE SHOT: Measures > Offline Verification on the demo's two players; the
# message titled like TITLE, shot and closed
measure_offside() {
  menu_pick 3 1
  xdotool mousemove --window "$CANVAS" 335 $((479 - 259)) click 1
  sleep 0.3
  xdotool mousemove --window "$CANVAS" 289 $((479 - 207)) click 1
  local message
  message=$(wait_window "$1") || exit 1
  sleep 0.3
  shot "$2" >/dev/null
  xdotool windowactivate --sync "$message" 2>/dev/null || xdotool windowfocus --sync "$message"
  xdotool key Return
  wait_gone "$1"
}
close_varnesk() {
  "$X_CLOSE" "$MAIN"
  wait_exit "$PID"
  [ "$EXIT_STATUS" = 0 ] || fail "varnesk exited with $EXIT_STATUS"
}

# 1. ground landmarks only: the field lines through every landmark
start_program "$VARNESK" "$DEMO" "$LOG"
load_through_file_menu 0 "$DEMO/demo_ground.cen"
scene=$(shot broadcast_1_scene "$CANVAS")
expect_field_lines "$scene" broadcast_2_field_lines $(awk 'NR > 1 {print $4 "," $5}' "$DEMO/demo_ground.ref")

# 2. the offside measure: the number, then its band
measure_offside 'Entre Duas Paralelas$' broadcast_3_message
grep -qxF "$(printf 'Dist\303\242ncia Entre Duas Paralelas\t  1.3 metros')" "$TUK_MESSAGE_LOG" ||
  fail "the result's first line is not '  1.3 metros': $(cat "$TUK_MESSAGE_LOG")"
band=$(grep -A1 -F "$(printf 'Paralelas\t  1.3 metros')" "$TUK_MESSAGE_LOG" | tail -1)
echo "band line: $band"
[[ "$band" =~ ^Intervalo\ de\ 95%:\ ([0-9]+\.[0-9])\ a\ ([0-9]+\.[0-9])\ metros$ ]] ||
  fail "no band under the number: '$band'"
python3 -c "import sys; lo, hi = map(float, sys.argv[1:]); sys.exit(0 if lo <= 1.2 <= hi and hi - lo < 1.5 else 1)" \
  "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" || fail "the band '$band' misses the true gap of 1.20 m"

# 3. five ground points on the halfway line, in a program that has had no camera yet: no
#    camera, and the message says why
close_varnesk
start_program "$VARNESK" "$DEMO" "$LOG"
printf '5\n52.5 0 0 500 100\n52.5 24.85 0 520 150\n52.5 34 0 540 200\n52.5 43.15 0 560 250\n52.5 68 0 580 300\n' \
  >"$WORK/halfway.ref"
printf '%s\n%s\n' "$DEMO/demo.jpg" "$WORK/halfway.ref" >"$WORK/halfway.cen"
load_through_file_menu 0 "$WORK/halfway.cen"
measure_offside '^Erro$' broadcast_4_not_calibrated
grep -qF "$(printf 'Erro\tC\303\242mera n\303\243o calibrada: marque ao menos 4 pontos do gramado')" "$TUK_MESSAGE_LOG" ||
  fail "the not-calibrated message does not state the rule: $(cat "$TUK_MESSAGE_LOG")"
grep -qF "Marcados: 5 no gramado e 0 fora do chão. Os pontos do gramado estão todos numa mesma linha." \
  "$TUK_MESSAGE_LOG" || fail "the message does not say the points lie on one line: $(cat "$TUK_MESSAGE_LOG")"
close_varnesk
echo "PASS: the broadcast camera, screenshots in $SHOTS"
