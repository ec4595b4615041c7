# The main window under Xvfb: title, five menus, the 640 x 480 canvas, the View check mark,
# the About popup (modal: the main window's close box waits), Help, File > Exit and the close box.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR VARNESK
source "$1" "$2" "$3"
VARNESK=$4
LOG="$SHOTS/varnesk.log"
# the program's state at exit (colours chosen through the list dialog), for the checks below
export VARNESK_STATE_FILE
VARNESK_STATE_FILE=$(mktemp)

start_varnesk() {
  "$VARNESK" >>"$LOG" 2>&1 &
  PID=$!
  started "$PID"
  MAIN=$(wait_window '^Varnesk$')
  read -r MX MY MW MH < <(geometry "$MAIN")
  BASE_WINDOWS=$(visible_windows)
}

# close_menu: Escape, then wait until only the windows seen before the menu opened are left.
close_menu() {
  local deadline=$((SECONDS + WAIT_SECONDS))
  xdotool key Escape
  while [ "$(visible_windows)" != "$BASE_WINDOWS" ]; do
    [ $SECONDS -lt $deadline ] || fail "a menu stayed open"
    sleep 0.1
  done
}

# open_menu INDEX: opens the INDEX-th menu title (from 0) and prints the drop-down's id once it
# is drawn.
open_menu() {
  local drop r=${MENU_TITLES[$1]}
  # without a window manager nothing raises the main window when other windows cover it
  xdotool windowraise "$MAIN"
  xdotool mousemove --window "$MAIN" $(( (${r% *} + ${r#* }) / 2 )) 12 click 1
  drop=$(wait_new_window "$BASE_WINDOWS")
  wait_drawn "$drop"
  echo "$drop"
}

# pick INDEX ITEM: clicks the ITEM-th entry (from 0) of the INDEX-th menu, the main window raised.
pick() {
  xdotool windowraise "$MAIN"
  menu_pick "$1" "$2"
}

: >"$LOG"
start_varnesk
[ "$MW" = 640 ] || fail "main window is $MW wide, not 640"
# the canvas is the window's one child window: 640 x 480 under the menu bar
canvas=$(child_canvas "$MAIN")
[ -n "$canvas" ] || fail "the main window has no canvas window"
read -r cx cy cw ch < <(geometry "$canvas")
[ "$cw x $ch" = "640 x 480" ] || fail "canvas is $cw x $ch"
[ $((cy - MY)) -gt 0 ] || fail "canvas is not below the menu bar"
[ $((cy - MY + ch)) = "$MH" ] || fail "canvas does not reach the window's bottom"
shot main_window "$MAIN" >/dev/null

# five titles in the menu bar, above the canvas
menu_bar "$MAIN"

# View > "Reference Points" twice: the mark shows, then goes
check_box() { # the entry's mark sits left of its text, in the first row of the drop-down
  local png=$1 drop=$2 dx dy dw dh
  read -r dx dy dw dh < <(geometry "$drop")
  dark_pixels "$png" "18x$(((dh - 4) / 4))+$((dx + 2))+$((dy + 2))"
}
open_menu 2 >/dev/null
shot view_menu_initial >/dev/null
close_menu
pick 2 0
drop=$(open_menu 2)
on_png=$(shot view_menu_reference_points_on)
on=$(check_box "$on_png" "$drop")
close_menu
pick 2 0
drop=$(open_menu 2)
off_png=$(shot view_menu_reference_points_off)
off=$(check_box "$off_png" "$drop")
close_menu
# a checkable entry keeps its box; the mark inside it is the difference
echo "check-box dark pixels: on $on, off $off"
[ "$on" -gt $((off + 8)) ] || fail "no check mark after the first toggle, or one left after the second ($on vs $off)"

# Help > About: a modal popup; the main window's close box does nothing meanwhile
pick 4 1
ABOUT=$(wait_window '^About$')
read -r ax ay aw ah < <(geometry "$ABOUT")
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

# Help > Help: the user guide in its own window
pick 4 0
HELP=$(wait_window '^Varnesk Help$')
shot help "$HELP" >/dev/null
BASE_WINDOWS=$(visible_windows)

# Edit > "Select Color of Team A": the list dialog's choice comes back to the command
pick 1 4
LIST=$(wait_window '^Cor do Time A$') || exit 1
wait_drawn "$LIST"
shot team_colour_list "$LIST" >/dev/null
xdotool windowactivate --sync "$LIST" 2>/dev/null || xdotool windowfocus --sync "$LIST"
# the list opens on its first entry ("Red"): three steps down is "Yellow", index 3
xdotool key Down Down Down Return
wait_gone '^Cor do Time A$'

# File > Exit ends the program with status 0 and takes the help window along
pick 0 6
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "File > Exit: exit status $EXIT_STATUS"
grep -qx 'colours 3 2' "$VARNESK_STATE_FILE" ||
  fail "team A is not yellow after choosing the fourth colour: $(grep colours "$VARNESK_STATE_FILE")"
xdotool search --onlyvisible --name '^Varnesk Help$' >/dev/null && fail "help window left open"

# the close box ends it the same way
start_varnesk
"$X_CLOSE" "$MAIN"
wait_exit "$PID"
[ "$EXIT_STATUS" = 0 ] || fail "close box: exit status $EXIT_STATUS"
echo "screenshots in $SHOTS"
echo PASS
