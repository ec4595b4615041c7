# A picture narrower than the menu bar under Xvfb (1280 x 1024): a 160 x 120 picture made here
# with ImageMagick, loaded through File > "Load Image". The window keeps all five menu titles on
# its menu bar, and in Edit > "Add Reference Points" mode a click right of the picture opens no
# dialog and stores nothing, while a click on it opens the landmark dialog (so the mode was on). What was stored is read from
# VARNESK_STATE_FILE at exit.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR VARNESK
source "$1" "$2" "$3"
VARNESK=$4
fresh_run small_picture
export VARNESK_STATE_FILE="$WORK/state.txt"

# red at the top to blue at the bottom, so that the picture's part of the canvas is not uniform
convert -size 160x120 gradient:red-blue -type TrueColor "BMP3:$WORK/small.bmp" ||
  fail "ImageMagick could not make the picture"

start_program "$VARNESK" "$WORK" "$LOG"
# 1. File > Load Image
load_through_file_menu 1 "$WORK/small.bmp"
shot small_1_loaded >/dev/null
echo "window ${MW}x${MH}, canvas ${CW}x${CH}"
[ "$CH" = 120 ] || fail "the canvas is ${CH} rows high, not the picture's 120"
[ "$MW" -gt 200 ] || fail "the window is only ${MW} pixels wide"
# the five titles are all on the window's own menu bar, the last one short of its right edge
menu_bar "$MAIN"
last=${MENU_TITLES[4]}
[ "${last#* }" -lt "$((MW - 4))" ] || fail "the Help title ends at ${last#* }, at the window's edge ($MW)"

# 2. Edit > Add Reference Points, a click right of the picture: no dialog
menu_pick 1 0
xdotool mousemove --window "$CANVAS" $(( (160 + CW) / 2 )) 60 click 1
sleep 1
shot small_2_click_beside >/dev/null
xdotool search --onlyvisible --name '^Field Reference Points$' >/dev/null &&
  fail "a click beside the picture opened the landmark dialog"
# while a click on the picture does; closed without a landmark, it stores nothing
xdotool mousemove --window "$CANVAS" 100 60 click 1
DIALOG=$(wait_window '^Field Reference Points$') || exit 1
shot small_4_click_on_picture >/dev/null
"$X_CLOSE" "$DIALOG"
wait_gone '^Field Reference Points$'

"$X_CLOSE" "$MAIN"
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "varnesk exited with $EXIT_STATUS"
cat "$VARNESK_STATE_FILE"
grep -qx 'image 160 120' "$VARNESK_STATE_FILE" || fail "the picture was not loaded"
grep -qx 'references 0' "$VARNESK_STATE_FILE" || fail "a reference point was stored"
echo "PASS: a 160x120 picture keeps the five menus in reach and the canvas beside it inert, screenshots in $SHOTS"
