# A photograph larger than the screen under Xvfb (1280 x 1024): File > "Load Scene" on a
# 1920 x 1080 scene, the keys Page Down, End and Page Up pan to its top-right corner, where a
# magenta landmark is clicked in Edit > "Add Reference Points" mode and tied to the corner
# (105, 68) of the plan; the mouse wheel then pans down. The stored reference pixel, written
# at exit through VARNESK_STATE_FILE, must be the landmark's pixel of the image.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR VARNESK
source "$1" "$2" "$3"
VARNESK=$4
fresh_run large_image
export VARNESK_STATE_FILE="$WORK/state.txt"

# the landmark: a 3 x 3 magenta block centred on image pixel (1850, 1000), row from the bottom,
# on a grey 1920 x 1080 picture (24-bit BMP, bottom row first)
LX=1850 LY=1000
python3 - "$WORK/big.bmp" $LX $LY <<'PY'
import struct, sys
path, lx, ly = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
w, h = 1920, 1080
stride = (w * 3 + 3) & ~3
rows = []
for row in range(h):
    line = bytearray(b"\x50\x50\x50" * w + b"\0" * (stride - 3 * w))
    if abs(row - ly) <= 1:
        for col in range(lx - 1, lx + 2):
            line[3 * col:3 * col + 3] = b"\xff\x00\xff"
    rows.append(bytes(line))
pixels = b"".join(rows)
header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(path, "wb").write(header + info + pixels)
PY
: >"$WORK/big.ref"
echo "$WORK/big.bmp $WORK/big.ref" >"$WORK/big.cen"

start_program "$VARNESK" "$WORK" "$LOG"
# 1. the scene through the file dialog
load_through_file_menu 0 "$WORK/big.cen"
shot large_1_loaded >/dev/null
echo "window ${MW}x${MH}, canvas ${CW}x${CH}"
[ "$MW" -le 1280 ] && [ "$MH" -le 1024 ] || fail "the main window (${MW}x${MH}) is larger than the screen"
[ "$CW" -gt 1000 ] && [ "$CW" -lt 1920 ] && [ "$CH" -gt 800 ] && [ "$CH" -lt 1080 ] ||
  fail "the canvas is ${CW}x${CH}, not the largest part of the picture that fits"

# 2. pan with the keys to the top-right corner
xdotool mousemove --window "$CANVAS" 10 10
xdotool windowfocus --sync "$MAIN"
for key in Page_Down End Page_Up; do
  xdotool key "$key"
  sleep 0.3
done
view=$(shot large_2_top_right "$CANVAS")
# the landmark on the screen: the centre of the magenta pixels
read -r n sx sy < <(convert "$view" -depth 8 rgb:- | python3 -c '
import sys
w = int(sys.argv[1]); d = sys.stdin.buffer.read()
pts = [(i // 3 % w, i // 3 // w) for i in range(0, len(d) - 2, 3)
       if d[i] > 200 and d[i + 1] < 60 and d[i + 2] > 200]
print(len(pts), sum(p[0] for p in pts) // max(1, len(pts)), sum(p[1] for p in pts) // max(1, len(pts)))' "$CW")
[ "$n" = 9 ] || fail "the landmark does not show whole after panning ($n magenta pixels)"
echo "landmark on the canvas at $sx,$sy"

# 3. Edit > Add Reference Points, the click, the corner (105, 68) at (540, 5) on the plan, "Ok"
menu_pick 1 0
xdotool mousemove --window "$CANVAS" "$sx" "$sy" click 1
DIALOG=$(wait_window '^Field Reference Points$') || exit 1
PLAN=$(child_canvas "$DIALOG")
sleep 0.5
xdotool mousemove --window "$PLAN" 540 5 click 1
sleep 0.5
dialog=$(shot large_3_landmark "$DIALOG")
click_ok_below_plan "$DIALOG" "$PLAN" "$dialog"
sleep 0.5
shot large_4_point_added "$CANVAS" >/dev/null

# 4. the mouse wheel moves the view down by the vertical bar's step: to the bottom row here
xdotool mousemove --window "$CANVAS" 200 200 click 5
sleep 0.3
shot large_5_wheel "$CANVAS" >/dev/null

"$X_CLOSE" "$MAIN"
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "varnesk exited with $EXIT_STATUS"
cat "$VARNESK_STATE_FILE"
grep -qx 'references 1' "$VARNESK_STATE_FILE" || fail "no reference point stored"
grep -qx "105 68 0 $LX $LY" "$VARNESK_STATE_FILE" ||
  fail "the stored reference point is not the landmark's pixel $LX $LY"
grep -qx "pan $((1920 - CW)) 0" "$VARNESK_STATE_FILE" || fail "the wheel did not pan the view down"
echo "PASS: a landmark clicked in the panned top-right corner of a 1920x1080 photograph, screenshots in $SHOTS"
