# A wrong landmark caught, under Xvfb: File > "Load Image" of the demo's photograph, Edit > "Add
# Reference Points", the demo's landmarks marked by hand through the "Field Reference Points"
# plan, the last one tied to the wrong landmark (the foot of a goal post picked as the penalty
# mark). Its cross turns red and a message beside the window names it; Edit > "Remove Last
# Reference Point" takes it back, and the red field lines then pass within 2 pixels of every
# ground landmark marked. Screenshots of every step stay in the screenshots folder.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR VARNESK DEMO_DIR SOURCE_DIR
source "$1" "$2" "$3"
VARNESK=$4
DEMO=$5
SOURCE=$6
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
menu_pick 2 2
sleep 0.5
lines=$(shot mislabelled_4_field_lines "$CANVAS")
# the picture's raw bytes, as count_colour reads them
convert "$lines" -depth 8 rgb:"$WORK/lines.rgb"
python3 - "$WORK/lines.rgb" 640 480 "${CLICKS[@]:0:13}" <<'PY' || fail "field lines off a ground landmark"
import sys
data = open(sys.argv[1], "rb").read()
w, h = int(sys.argv[2]), int(sys.argv[3])
def red(x, y):
    i = 3 * (y * w + x)
    return 0 <= x < w and 0 <= y < h and data[i] > 170 and data[i + 1] < 100 and data[i + 2] < 100
ground = {"22 177", "251 147", "409 292", "256 304", "109 224", "173 217", "265 275", "211 279",
          "319 210", "374 259", "144 243"}
bad = []
for c in sys.argv[4:]:
    u, v, px, py = map(int, c.split())
    if f"{u} {v}" not in ground:
        continue  # a crossbar end: the field lines run on the ground
    x, y = u, h - 1 - v
    if not any(red(x + dx, y + dy) for dx in range(-2, 3) for dy in range(-2, 3)):
        bad.append((u, v))
print("ground landmarks without a red line within 2 px:", bad)
sys.exit(1 if bad else 0)
PY

# 5. File > Save Scene through the file dialog in its save mode: the scene and its two point files
menu_pick 0 5
choose_in_file_dialog "$WORK/saved.cen" 'Salvar Arquivo'
sleep 0.5
[ "$(head -n 1 "$WORK/saved.ref")" = 13 ] || fail "the saved reference file does not hold 13 points: $(head -n 2 "$WORK/saved.ref")"
[ "$(sed -n 2,3p "$WORK/saved.cen" | tr '\n' ' ')" = "saved.ref saved.obj " ] ||
  fail "the saved scene names $(cat "$WORK/saved.cen")"

"$X_CLOSE" "$MAIN"
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "varnesk exited with $EXIT_STATUS"
grep -qx 'references 13' "$VARNESK_STATE_FILE" || fail "not 13 points left: $(grep references "$VARNESK_STATE_FILE")"
rm -rf "$WORK"
echo "PASS: the mislabelled point named, removed, and the field lines on the landmarks; screenshots in $SHOTS"
