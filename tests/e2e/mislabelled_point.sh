# A wrong landmark caught, under Xvfb: File > "Load Image" of the demo's photograph, Edit > "Add
# Reference Points", the demo's landmarks marked by hand through the "Field Reference Points"
# plan, the last one tied to the wrong landmark (the foot of a goal post picked as the penalty
# mark). Its cross turns red and a message beside the window names it; Edit > "Remove Last
# Reference Point" takes it back, and the red field lines then pass within 2 pixels of every
# ground landmark marked. Screenshots of every step stay in the screenshots folder.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR VARNESK DEMO_DIR BUILD_DIR SOURCE_DIR
source "$1" "$2" "$3"
VARNESK=$4
DEMO=$5
SOURCE=$7
fresh_run mislabelled
export VARNESK_STATE_FILE="$WORK/state.txt"

# The clicks: "u v px py" per point (image pixel, row from the bottom; plan pixel), the demo's
# reference points but the penalty mark and the foot of the post at Y = 37.66, then that foot's
# pixel tied to the penalty mark's plan position.
mapfile -t CLICKS < <(python3 - "$DEMO/demo.ref" "$SOURCE/geometry/landmarks.h" <<'PY'
import re, sys
table = [tuple(map(float, m[:3])) + tuple(map(int, m[3:])) for m in
         re.findall(r"\{([-\d.]+), ([-\d.]+), ([-\d.]+), (\d+), (\d+)\}", open(sys.argv[2]).read())]
tokens = open(sys.argv[1]).read().split()
points = [tokens[1 + 5 * i: 6 + 5 * i] for i in range(int(tokens[0]))]
def plan(x, y, z):
    return next((px, py) for (X, Y, Z, px, py) in table if (X, Y, Z) == (x, y, z))
skip = {(11.0, 34.0, 0.0), (0.0, 37.66, 0.0)}
for p in points:
    w = tuple(map(float, p[:3]))
    if w not in skip:
        print(p[3], p[4], *plan(*w))
foot = next(p for p in points if tuple(map(float, p[:3])) == (0.0, 37.66, 0.0))
print(foot[3], foot[4], *plan(11.0, 34.0, 0.0))
PY
)
[ "${#CLICKS[@]}" = 14 ] || fail "expected 14 clicks, got ${#CLICKS[@]}"

start_program "$VARNESK" "$DEMO" "$LOG"

# 1. File > Load Image, Edit > Add Reference Points
menu_pick 0 1
choose_in_file_dialog "$DEMO/demo.jpg"
sleep 0.5
menu_pick 1 0

# 2. every point: the click on the photograph, the pick on the plan, Ok
n=0
for c in "${CLICKS[@]}"; do
  read -r u v px py <<<"$c"
  n=$((n + 1))
  xdotool mousemove --window "$CANVAS" "$u" $((479 - v)) click 1
  DIALOG=$(wait_window '^Field Reference Points$') || exit 1
  PLAN=$(child_canvas "$DIALOG")
  sleep 0.4
  xdotool mousemove --window "$PLAN" "$px" "$py" click 1
  sleep 0.3
  dialog=$(shot "mislabelled_1_point_$n" "$DIALOG")
  click_ok_below_plan "$DIALOG" "$PLAN" "$dialog"
done

# 3. the message names the last point, beside the window, and its cross is red
MESSAGE=$(wait_window 'suspeito$') || exit 1
sleep 0.5
shot mislabelled_2_message >/dev/null
grep -q "$(printf 'Ponto 14 (marca do p\303\252nalti, 11, 34): [0-9]* px fora; marcado no lugar errado?')" \
  "$TUK_MESSAGE_LOG" || fail "no message naming point 14: $(cat "$TUK_MESSAGE_LOG")"
read -r mx my mw mh < <(geometry "$MESSAGE")
read -r cx cy cw ch < <(geometry "$CANVAS")
[ $((mx + mw)) -le "$cx" ] || [ "$mx" -ge $((cx + cw)) ] || [ $((my + mh)) -le "$cy" ] || [ "$my" -ge $((cy + ch)) ] ||
  fail "the message ($mx,$my ${mw}x$mh) covers the canvas ($cx,$cy ${cw}x$ch)"
read -r u v px py <<<"${CLICKS[13]}"
photo=$(shot mislabelled_3_red_cross "$CANVAS")
convert "$photo" -crop 13x13+$((u - 6))+$((479 - v - 6)) +repage "$SHOTS/mislabelled_3_cross.png"
[ "$(count_colour "$SHOTS/mislabelled_3_cross.png" 'r > 200 and g < 60 and b < 60')" -gt 8 ] ||
  fail "the mislabelled point's cross is not red"
xdotool windowactivate --sync "$MESSAGE" 2>/dev/null || xdotool windowfocus --sync "$MESSAGE"
xdotool key Return
wait_gone 'suspeito$'

# 4. Edit > Remove Last Reference Point; the crosses off, View > Field Lines on
menu_pick 1 6
menu_pick 2 0
sleep 0.5
before=$(shot mislabelled_4_no_lines "$CANVAS")
expect_field_lines "$before" mislabelled_4_field_lines \
  $(awk 'NR > 1 && $3 == 0 && !($1 == 11 && $2 == 34) && !($1 == 0 && $2 == 37.66) {print $4 "," $5}' "$DEMO/demo.ref")

"$X_CLOSE" "$MAIN"
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "varnesk exited with $EXIT_STATUS"
grep -qx 'references 13' "$VARNESK_STATE_FILE" || fail "not 13 points left: $(grep references "$VARNESK_STATE_FILE")"
rm -rf "$WORK"
echo "PASS: the mislabelled point named, removed, and the field lines on the landmarks; screenshots in $SHOTS"
