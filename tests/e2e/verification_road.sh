# The road of a verification under Xvfb: File > "Load Scene" through the real file dialog on the
# demo scene, View > "Field Lines", Measures > "Offline Verification", two clicks on the two
# players of the demo's offside, the result message, and the lines gone once it is closed.
# Screenshots of every step stay in the screenshots folder.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR VARNESK DEMO_DIR
source "$1" "$2" "$3"
VARNESK=$4
DEMO=$5
fresh_run road

# the program starts in the demo's folder, as run.sh starts it, so the scene's relative paths work
start_program "$VARNESK" "$DEMO" "$LOG"

RED='r > 170 and g < 100 and b < 100'
CYAN='90 < r < 170 and g > 200 and b > 200'
LIGHT_YELLOW='r > 200 and g > 200 and 90 < b < 170'

# 1. File > Load Scene: the file dialog, the demo's scene file typed into its location field
menu_pick 0 0
DIALOG=$(wait_window '^Seleção de Arquivos$') || exit 1
wait_drawn "$DIALOG"
shot road_1_file_dialog "$DIALOG" >/dev/null
choose_in_file_dialog "$DEMO/demo.cen"
sleep 0.5
scene=$(shot road_2_scene "$CANVAS")
photo=$(convert "$scene" -format '%[fx:round(mean*1000)]' info:)
[ "$photo" -gt 150 ] || fail "the canvas shows no photograph after Load Scene (mean $photo)"
[ "$(count_colour "$scene" "$RED")" -lt 4000 ] || fail "field lines shown right after the scene load"

# 2. View > Field Lines: the red lines over the photograph
menu_pick 2 2
sleep 0.3
lines=$(shot road_3_field_lines "$CANVAS")
shot road_3_window "$MAIN" >/dev/null  # the whole window, for the user guide
red=$(count_colour "$lines" "$RED")
red0=$(count_colour "$scene" "$RED")
echo "red pixels: $red0 before, $red with the field lines"
[ "$red" -gt $((red0 + 1500)) ] || fail "no field lines drawn ($red0 -> $red red pixels)"

# 3. Measures > Offline Verification, then the two players: demo.obj's first team A and team B
#    entries, rows counted from the bottom there, from the top on the screen
menu_pick 3 1
xdotool mousemove --window "$CANVAS" 335 $((479 - 259)) click 1
sleep 0.3
first=$(shot road_4_first_click "$CANVAS")
[ "$(count_colour "$first" "$CYAN")" -gt 100 ] || fail "no offside line after the first click"
before=$(visible_windows)
xdotool mousemove --window "$CANVAS" 289 $((479 - 207)) click 1
# the title's accented letter is matched by the window's UTF-8 name property, read with xprop
MESSAGE=$(wait_window 'Entre Duas Paralelas$') || exit 1
title=$(xprop -id "$MESSAGE" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
[ "$title" = "Distância Entre Duas Paralelas" ] || fail "the result's title is '$title'"
grep -qxF "$(printf 'Dist\303\242ncia Entre Duas Paralelas\t  1.3 metros')" "$TUK_MESSAGE_LOG" ||
  fail "the result's text is not '  1.3 metros': $(cat "$TUK_MESSAGE_LOG")"
sleep 0.5
shot road_5_message >/dev/null
both=$(shot road_5_lines_under_message "$CANVAS")
[ "$(count_colour "$both" "$CYAN")" -gt 100 ] || fail "the first offside line is gone while the result is shown"
[ "$(count_colour "$both" "$LIGHT_YELLOW")" -gt 100 ] || fail "no second offside line while the result is shown"

# 4. the message closed: the offside lines are gone, the field lines stay
xdotool windowactivate --sync "$MESSAGE" 2>/dev/null || xdotool windowfocus --sync "$MESSAGE"
xdotool key Return
wait_gone 'Entre Duas Paralelas$'
sleep 0.3
after=$(shot road_6_after "$CANVAS")
[ "$(count_colour "$after" "$CYAN")" -lt 20 ] || fail "offside lines left after the message"
[ "$(count_colour "$after" "$RED")" -gt $((red0 + 1500)) ] || fail "field lines gone after the message"

"$X_CLOSE" "$MAIN"
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "varnesk exited with $EXIT_STATUS"
rm -rf "$WORK"
echo "PASS: the verification road, screenshots in $SHOTS"
