# A reference point added by hand and the 3D scene, under Xvfb: File > "Load Scene" on the demo,
# Edit > "Add Reference Points", a click on the photograph at the far corner of the pitch, the
# "Field Reference Points" window with the corner picked on its plan and "Ok"; then View >
# "Make 3D Model", the "3D Scene" window from the camera and, after the "c" key, from above.
# Screenshots of every step stay in the screenshots folder.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR VARNESK DEMO_DIR
source "$1" "$2" "$3"
VARNESK=$4
DEMO=$5
# a fresh home: the desktop chooser's remembered settings start from its defaults
fresh_run scene_3d
trap 'cleanup; rm -rf "$WORK"' EXIT
start_program "$VARNESK" "$DEMO" "$LOG"
shot scene3d_0_start "$MAIN" >/dev/null
RED='r > 200 and g < 80 and b < 80'
GRASS='r < 10 and 145 < g < 160 and b < 10'
SKIN='abs(r - 227) < 6 and abs(g - 190) < 6 and abs(b - 131) < 6'

# 1. the demo scene through the file dialog: no window manager gives the chooser the focus, so
#    it is taken for it; Ctrl+L shows its location field
menu_pick 0 0
choose_in_file_dialog "$DEMO/demo.cen"
sleep 0.5
scene=$(shot scene3d_1_scene "$CANVAS")
[ "$(convert "$scene" -format '%[fx:round(mean*1000)]' info:)" -gt 150 ] || fail "no photograph after Load Scene"

# 2. Edit > Add Reference Points, a click on the far corner of the pitch (image pixel 301, 328
#    from the bottom), the landmark dialog
menu_pick 1 0
xdotool mousemove --window "$CANVAS" 301 $((479 - 328)) click 1
DIALOG=$(wait_window '^Field Reference Points$') || exit 1
PLAN=$(child_canvas "$DIALOG")
[ -n "$PLAN" ] || fail "the landmark dialog has no plan canvas"
read -r PX PY PW PH < <(geometry "$PLAN")
[ "${PW}x${PH}" = 560x350 ] || fail "the plan is ${PW}x${PH}, not 560x350"
sleep 0.5
shot scene3d_2_landmark_dialog "$DIALOG" >/dev/null
# the corner (0, 68) stands at (18, 5) on the plan
xdotool mousemove --window "$PLAN" 18 5 click 1
sleep 0.5
dialog=$(shot scene3d_3_corner_picked "$DIALOG")
plan=$(shot scene3d_3_plan "$PLAN")
[ "$(count_colour "$plan" "$RED")" -gt 10 ] || fail "no red cross on the plan after the pick"
click_ok_below_plan "$DIALOG" "$PLAN" "$dialog"
sleep 0.5
photo=$(shot scene3d_4_point_added "$CANVAS")
# the new point's yellow cross at the clicked pixel
[ "$(convert "$photo" -crop 11x11+296+146 +repage -depth 8 txt:- | grep -c -E '\((2[0-9][0-9]),(2[0-9][0-9]),([0-7]?[0-9])\)')" -gt 3 ] ||
  fail "no yellow cross where the reference point was added"

# 3. View > Make 3D Model: the scene from the camera
menu_pick 2 3
SCENE=$(wait_window '^3D Scene$') || exit 1
SCENE_CANVAS=$(child_canvas "$SCENE")
[ -n "$SCENE_CANVAS" ] || fail "the 3D window has no canvas"
sleep 1
camera=$(shot scene3d_5_camera "$SCENE_CANVAS")
[ "$(count_colour "$camera" "$GRASS")" -gt 20000 ] || fail "no pitch in the 3D scene"
[ "$(count_colour "$camera" "$SKIN")" -gt 20 ] || fail "no players in the 3D scene"

# 4. "c": the whole pitch from above, the background at the corners
xdotool mousemove --window "$SCENE_CANVAS" 5 5 click 1
xdotool key c
sleep 1
top=$(shot scene3d_6_top "$SCENE_CANVAS")
[ "$(convert "$top" -crop 1x1+2+2 +repage -depth 8 txt:- | grep -c '(0,178,0)')" = 1 ] ||
  fail "the top view does not show the background in its corner"
grass_top=$(count_colour "$top" "$GRASS")
[ "$grass_top" -gt 2000 ] && [ "$grass_top" -lt "$(count_colour "$camera" "$GRASS")" ] ||
  fail "the top view does not show the pitch small and whole ($grass_top grass pixels)"

"$X_CLOSE" "$MAIN"
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "varnesk exited with $EXIT_STATUS"
echo "PASS: a reference point by hand and the 3D scene, screenshots in $SHOTS"
