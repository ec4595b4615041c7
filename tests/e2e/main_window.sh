# The main window under Xvfb: its canvas under the five menus, the View check mark, the About
# popup (modal: the main window's close box waits), the demo's offside measured after File >
# "Load Scene" through the real file dialog, the 3D scene from the camera and from above ("c"),
# Help, a team colour chosen in the list dialog, File > Exit and the close box. The screenshots
# are the user guide's pictures.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR VARNESK DEMO_DIR
source "$1" "$2" "$3"
VARNESK=$4
DEMO=$5
fresh_run main_window
export VARNESK_STATE_FILE="$WORK/state.txt"  # the program's state at exit
GRASS='r < 10 and 145 < g < 160 and b < 10'

start_program "$VARNESK" "$DEMO" "$LOG"
read -r MX MY MW MH < <(geometry "$MAIN")
read -r cx cy cw ch < <(geometry "$CANVAS")
[ "$MW $cw $ch" = "640 640 480" ] || fail "the window is $MW wide, its canvas $cw x $ch"
[ "$cy" -gt "$MY" ] && [ $((cy - MY + ch)) = "$MH" ] || fail "the canvas is not under the menu bar down to the bottom"
shot main_window "$MAIN" >/dev/null
BASE=$(visible_windows)

# without a window manager nothing raises the main window when other windows cover it
pick() {
  xdotool windowraise "$MAIN"
  menu_pick "$@"
}

# View > "Reference Points" twice: the mark left of the entry's text shows, then goes
marks=()
for name in initial reference_points_on reference_points_off; do
  xdotool windowraise "$MAIN"
  r=${MENU_TITLES[2]}
  xdotool mousemove --window "$MAIN" $(((${r% *} + ${r#* }) / 2)) 12 click 1
  drop=$(wait_new_window "$BASE")
  wait_drawn "$drop"
  read -r dx dy dw dh < <(geometry "$drop")
  marks+=("$(dark_pixels "$(shot "view_menu_$name")" "18x$(((dh - 4) / 4))+$((dx + 2))+$((dy + 2))")")
  xdotool key Escape
  wait_unmapped "$drop"
  [ $name = reference_points_off ] || pick 2 0
done
echo "check-box dark pixels: ${marks[*]}"
[ "${marks[1]}" -gt $((marks[0] + 8)) ] && [ "${marks[1]}" -gt $((marks[2] + 8)) ] ||
  fail "no check mark after the first toggle, or one left after the second (${marks[*]})"

# Help > About: a modal popup that neither keys nor the main window's close box take away
pick 4 1
ABOUT=$(wait_window '^About$')
read -r ax ay _ _ < <(geometry "$ABOUT")
[ "$ax" -lt 50 ] && [ "$ay" -lt 50 ] || fail "About is at $ax,$ay, not at the top left"
shot about "$ABOUT" >/dev/null
"$X_CLOSE" "$MAIN"
xdotool mousemove --window "$ABOUT" 10 10 key a Return Escape
sleep 0.5
kill -0 "$PID" 2>/dev/null || fail "the program ended while About was open"
xdotool search --onlyvisible --name '^About$' >/dev/null || fail "About closed by keys or the main window"
"$X_CLOSE" "$ABOUT"
wait_gone '^About$'
kill -0 "$PID" 2>/dev/null || fail "closing About ended the program"

# the demo scene, its field lines and the offside of its two players (demo.obj's first team A
# and team B entries, rows from the bottom there, from the top on the screen)
xdotool windowraise "$MAIN"
load_through_file_menu 0 "$DEMO/demo.cen"
pick 2 2
sleep 0.3
shot road_3_window "$MAIN" >/dev/null
pick 3 1
xdotool mousemove --window "$CANVAS" 335 $((479 - 259)) click 1
sleep 0.3
xdotool mousemove --window "$CANVAS" 289 $((479 - 207)) click 1
MESSAGE=$(wait_window 'Entre Duas Paralelas$') || exit 1
sleep 0.5
shot road_5_message >/dev/null
grep -qxF "$(printf 'Dist\303\242ncia Entre Duas Paralelas\t  1.3 metros')" "$TUK_MESSAGE_LOG" ||
  fail "the result is not '  1.3 metros': $(cat "$TUK_MESSAGE_LOG")"
xdotool windowactivate --sync "$MESSAGE" 2>/dev/null || xdotool windowfocus --sync "$MESSAGE"
xdotool key Return
wait_gone 'Entre Duas Paralelas$'

# View > Make 3D Model: the scene from the camera; "c": the whole pitch from above
pick 2 3
SCENE=$(wait_window '^3D Scene$') || exit 1
SCENE_CANVAS=$(child_canvas "$SCENE")
sleep 1
camera=$(shot scene3d_5_camera "$SCENE_CANVAS")
[ "$(count_colour "$camera" "$GRASS")" -gt 20000 ] || fail "no pitch in the 3D scene"
[ "$(count_colour "$camera" 'abs(r - 227) < 6 and abs(g - 190) < 6 and abs(b - 131) < 6')" -gt 20 ] ||
  fail "no players in the 3D scene"
xdotool mousemove --window "$SCENE_CANVAS" 5 5 click 1 key c
sleep 1
top=$(shot scene3d_6_top "$SCENE_CANVAS")
[ "$(convert "$top" -crop 1x1+2+2 +repage -depth 8 txt:- | grep -c '(0,178,0)')" = 1 ] ||
  fail "the top view does not show the background in its corner"
grass_top=$(count_colour "$top" "$GRASS")
[ "$grass_top" -gt 2000 ] && [ "$grass_top" -lt "$(count_colour "$camera" "$GRASS")" ] ||
  fail "the top view does not show the pitch small and whole ($grass_top grass pixels)"
"$X_CLOSE" "$SCENE"
wait_gone '^3D Scene$'

# Help > Help: the user guide in its own window
pick 4 0
HELP=$(wait_window '^Varnesk Help$') || exit 1
shot help "$HELP" >/dev/null

# Edit > "Select Color of Team A": the list opens on "Red"; three steps down is "Yellow", index 3
pick 1 4
LIST=$(wait_window '^Cor do Time A$') || exit 1
wait_drawn "$LIST"
shot team_colour_list "$LIST" >/dev/null
xdotool windowactivate --sync "$LIST" 2>/dev/null || xdotool windowfocus --sync "$LIST"
xdotool key Down Down Down Return
wait_gone '^Cor do Time A$'

# File > Exit ends the program with status 0 and takes the help window along
pick 0 6
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "File > Exit: exit status $EXIT_STATUS"
grep -qx 'colours 3 2' "$VARNESK_STATE_FILE" || fail "team A is not yellow: $(grep colours "$VARNESK_STATE_FILE")"
xdotool search --onlyvisible --name '^Varnesk Help$' >/dev/null && fail "help window left open"

# the close box ends it the same way
start_program "$VARNESK" "$DEMO" "$LOG"
"$X_CLOSE" "$MAIN"
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "close box: exit status $EXIT_STATUS"
echo "PASS: screenshots in $SHOTS"
