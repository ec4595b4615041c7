# Shared helpers of the end-to-end scripts. Sourced with: X_CLOSE SHOTS_DIR as $1 $2.
# Every wait polls with a deadline instead of sleeping a fixed time.
set -u
X_CLOSE=$1
SHOTS=$2
mkdir -p "$SHOTS"
WAIT_SECONDS=${E2E_WAIT_SECONDS:-30}

# Processes a script starts are ended with it, whatever happens.
STARTED_PIDS=()
started() { STARTED_PIDS+=("$1"); }
cleanup() {
  local p
  for p in "${STARTED_PIDS[@]}"; do kill "$p" 2>/dev/null; done
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  # what the screen held, for the post-mortem
  import -window root "$SHOTS/failure.png" 2>/dev/null
  xwininfo -root -tree >"$SHOTS/failure-windows.txt" 2>&1
  local p
  for p in "${STARTED_PIDS[@]}"; do
    kill -0 "$p" 2>/dev/null && command -v gdb >/dev/null &&
      gdb -p "$p" -batch -ex "thread apply all bt" >>"$SHOTS/failure-stacks.txt" 2>&1
  done
  exit 1
}

# wait_window REGEX: prints the id of the visible window whose name matches.
wait_window() {
  local id
  id=$(timeout "$WAIT_SECONDS" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1)
  [ -n "$id" ] || fail "no window named /$1/ within ${WAIT_SECONDS}s"
  echo "$id"
}

# poll WHAT COMMAND...: runs the command every 0.1 s until it succeeds; a failure naming WHAT
# when it has not within WAIT_SECONDS.
poll() {
  local what=$1 deadline=$((SECONDS + WAIT_SECONDS))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "$what within ${WAIT_SECONDS}s"
    sleep 0.1
  done
}

# wait_gone REGEX: until no visible window has that name.
no_window() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
wait_gone() { poll "window /$1/ still there" no_window "$1"; }

# wait_unmapped ID: until the window is off the screen (or gone).
unmapped() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
wait_unmapped() { poll "window $1 still on the screen" unmapped "$1"; }

# wait_exit PID: sets EXIT_STATUS to the process's exit status; a failure when it does not end
# in time. (Not in a $(...) subshell: only this shell can wait for its children.)
wait_exit() {
  local deadline=$((SECONDS + WAIT_SECONDS))
  while kill -0 "$1" 2>/dev/null && [ "$(ps -o stat= -p "$1" | cut -c1)" != Z ]; do
    if [ $SECONDS -ge $deadline ]; then
      kill "$1" 2>/dev/null
      fail "process $1 did not end within ${WAIT_SECONDS}s"
    fi
    sleep 0.1
  done
  EXIT_STATUS=0
  wait "$1" || EXIT_STATUS=$?
}

# geometry ID: prints "x y width height" of the window on the screen.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                           /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

# visible_windows: ids of the mapped windows directly under the root.
visible_windows() {
  xdotool search --onlyvisible --maxdepth 1 --name '' 2>/dev/null | sort
}

# wait_new_window BEFORE: the id of a window mapped since the list BEFORE was taken, the
# tallest when several (a menu's drop-down beside its title box).
wait_new_window() {
  local before=$1 deadline=$((SECONDS + WAIT_SECONDS)) best="" best_h=0 id h
  while :; do
    for id in $(comm -13 <(echo "$before") <(visible_windows)); do
      h=$(geometry "$id" | awk '{print $4}')
      if [ "$h" -gt "$best_h" ]; then best=$id; best_h=$h; fi
    done
    [ -n "$best" ] && { echo "$best"; return; }
    [ $SECONDS -lt $deadline ] || fail "no new window within ${WAIT_SECONDS}s"
    sleep 0.1
  done
}

# wait_drawn ID: until the (light grey) window shows more than half light pixels: drawn, not
# just mapped.
drawn() {
  local x y w h
  read -r x y w h < <(geometry "$1")
  [ "$(import -window root -crop "${w}x${h}+${x}+${y}" +repage -colorspace gray \
         -format "%[fx:mean>0.5?1:0]" info: 2>/dev/null)" = 1 ]
}
wait_drawn() { poll "window $1 was not drawn" drawn "$1"; }

# shot NAME [WINDOW-ID]: screenshot of the screen, or of the window's area, into SHOTS/NAME.png.
shot() {
  local out="$SHOTS/$1.png"
  if [ $# -ge 2 ]; then
    read -r x y w h < <(geometry "$2")
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out"
  else
    import -window root "$out"
  fi
  echo "$out"
}

# pixel_at X Y: "r g b" of the screen pixel, 8 bits each.
pixel_at() {
  import -window root -crop "1x1+$1+$2" +repage -depth 8 txt:- 2>/dev/null |
    sed -n 's/^0,0: *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p'
}

# wait_pixel X Y "R G B": until the screen pixel has that colour.
pixel_is() { [ "$(pixel_at "$1" "$2")" = "$3" ]; }
wait_pixel() { poll "pixel $1,$2 is not '$3'" pixel_is "$@"; }

# wait_line FILE REGEX: until a line of the file matches.
wait_line() { poll "no line /$2/ in $1" grep -qs "$2" "$1"; }

# dark_pixels FILE GEOMETRY: how many pixels of the region are dark (text, marks).
dark_pixels() {
  convert "$1" -crop "$2" +repage -colorspace gray -threshold 50% -negate \
    -format "%[fx:round(mean*w*h)]" info:
}

# text_runs FILE GEOMETRY: "start end" column ranges (in the region) where a light strip
# holds dark text; runs closer than 8 columns are one (the words of one title).
text_runs() {
  convert "$1" -crop "$2" +repage -colorspace gray -scale "$(echo "$2" | cut -dx -f1)x1!" \
    -depth 8 txt:- | python3 -c '
import re, sys
vals = [int(m.group(2)) for m in (re.match(r"(\d+),0: \((\d+)", l) for l in sys.stdin) if m]
base = sorted(vals)[len(vals) // 2]  # the strip itself: the most common shade
runs = []
for x, v in enumerate(vals[3:-3], start=3):
    if v < base - 8:
        if runs and x - runs[-1][1] < 8: runs[-1][1] = x
        else: runs.append([x, x])
for a, b in runs: print(a, b)'
}

# child_canvas ID: a window's canvas, its one child window (the toolkit draws the other
# elements inside the window itself).
child_canvas() { xwininfo -id "$1" -children | awk '/^ +0x/ {print $1; exit}'; }

# The main window's menus. menu_bar MAIN: the columns ("start end") of the titles on the menu
# bar, the strip above the window's canvas (its one child window), into MENU_TITLES; fails
# unless there are five.
MENU_ENTRIES=(7 7 5 2 2)  # entries of File, Edit, View, Measures and Help, separators not counted
menu_bar() {
  local canvas mx my mw mh cx cy cw ch bar
  MENU_WINDOW=$1
  canvas=$(child_canvas "$1")
  [ -n "$canvas" ] || fail "the main window has no canvas window"
  read -r mx my mw mh < <(geometry "$1")
  read -r cx cy cw ch < <(geometry "$canvas")
  bar=$(shot menu_bar "$1")
  mapfile -t MENU_TITLES < <(text_runs "$bar" "${mw}x$((cy - my))+0+0")
  [ "${#MENU_TITLES[@]}" = 5 ] || fail "menu bar shows ${#MENU_TITLES[@]} titles, not 5"
}

# menu_pick MENU ENTRY: opens the menu title (from 0) and clicks its entry (from 0).
menu_pick() {
  local before drop dx dy dw dh n r=${MENU_TITLES[$1]}
  before=$(visible_windows)
  xdotool mousemove --window "$MENU_WINDOW" $(( (${r% *} + ${r#* }) / 2 )) 12 click 1
  drop=$(wait_new_window "$before")
  read -r dx dy dw dh < <(geometry "$drop")
  n=${MENU_ENTRIES[$1]}
  xdotool mousemove "$((dx + 20))" "$((dy + 2 + $2 * (dh - 4) / n + (dh - 4) / (2 * n)))" click 1
  wait_unmapped "$drop"
}

# count_colour PNG TEST: pixels of the picture whose colour passes a test in r, g, b (0-255).
# The raw bytes, not ImageMagick's text listing, which takes seconds for a canvas.
count_colour() {
  convert "$1" -depth 8 rgb:- | python3 -c '
import sys
test = eval("lambda r, g, b: " + sys.argv[1])
d = sys.stdin.buffer.read()
print(sum(1 for i in range(0, len(d) - 2, 3) if test(d[i], d[i + 1], d[i + 2])))' "$2"
}

# click_ok_below_plan DIALOG PLAN SHOT: clicks "Ok" of the landmark dialog, the first of the two
# titles on the strip below its plan (runs of a pixel or two are the buttons' shaded edges),
# found on the screenshot SHOT of the dialog, and waits until the dialog is gone.
click_ok_below_plan() {
  local px py pw ph dx dy dw dh strip_y ok buttons
  read -r px py pw ph < <(geometry "$2")
  read -r dx dy dw dh < <(geometry "$1")
  strip_y=$((py - dy + ph))
  mapfile -t buttons < <(text_runs "$3" "${dw}x$((dh - strip_y))+0+${strip_y}" | awk '$2 - $1 >= 4')
  [ "${#buttons[@]}" = 2 ] || fail "the strip below the plan shows ${#buttons[@]} titles, not Ok and Cancel"
  ok=${buttons[0]}
  xdotool mousemove --window "$1" $(( (${ok% *} + ${ok#* }) / 2 )) $((strip_y + (dh - strip_y) / 2)) click 1
  wait_unmapped "$1"
}

# fresh_home DIR: makes DIR/home the home folder, so the desktop file chooser's remembered
# settings (last folder, view) start from their defaults in every run.
fresh_home() {
  mkdir -p "$1/home/.local/share"
  export HOME="$1/home" XDG_CONFIG_HOME="$1/home/.config"
}

# load_through_file_menu ENTRY PATH: File's entry (from 0) through the file dialog; then the
# main window's and its canvas's geometry: MX MY MW MH, CANVAS and CX CY CW CH.
load_through_file_menu() {
  menu_pick 0 "$1"
  choose_in_file_dialog "$2"
  sleep 0.5
  CANVAS=$(child_canvas "$MAIN")
  read -r MX MY MW MH < <(geometry "$MAIN")
  read -r CX CY CW CH < <(geometry "$CANVAS")
}

# choose_in_file_dialog PATH [TITLE]: in the file dialog that a command opened (titled
# "Seleção de Arquivos" unless TITLE says otherwise), types the path into its location field
# (Ctrl+L) and confirms it. No window manager gives the chooser the focus, so it is taken for it.
choose_in_file_dialog() {
  local dialog
  dialog=$(wait_window "^${2:-Seleção de Arquivos}\$") || exit 1
  wait_drawn "$dialog"
  xdotool mousemove --window "$dialog" 200 200
  xdotool windowfocus --sync "$dialog"
  xdotool key ctrl+l
  xdotool key ctrl+a
  xdotool type --delay 20 "$1"
  xdotool key Return
  wait_unmapped "$dialog"
}

# fresh_run NAME: the program's log SHOTS/NAME.log, emptied; a throw-away folder WORK that is the
# home folder too; every message the toolkit shows copied to TUK_MESSAGE_LOG there (a message's
# text is drawn, not readable from X).
fresh_run() {
  LOG="$SHOTS/$1.log"
  : >"$LOG"
  WORK=$(mktemp -d)
  fresh_home "$WORK"
  export TUK_MESSAGE_LOG="$WORK/messages.txt"
  trap 'cleanup; rm -rf "$WORK"' EXIT
}

# start_program PROGRAM FOLDER LOG [ARG...]: starts the program with ARGs in FOLDER (as run.sh starts it there) with
# its output into LOG, and sets PID, MAIN (its window), CANVAS (the image canvas) and the menu
# bar's titles.
start_program() {
  cd "$2" || fail "no folder $2"
  "$1" "${@:4}" >>"$3" 2>&1 &
  PID=$!
  started "$PID"
  MAIN=$(wait_window '^Varnesk$') || exit 1
  CANVAS=$(child_canvas "$MAIN")
  [ -n "$CANVAS" ] || fail "the main window has no canvas window"
  menu_bar "$MAIN"
}

# expect_field_lines BEFORE NAME U,V...: turns View > Field Lines on, keeps the canvas as
# screenshot NAME and fails unless every point (image pixels, rows from the bottom, on a 640 x 480
# canvas) has a pixel within 2 px that is field-line red there and was not in screenshot BEFORE.
expect_field_lines() {
  local before=$1 name=$2 missed
  shift 2
  menu_pick 2 2
  sleep 0.5
  missed=$(lines_missing "$before" "$(shot "$name" "$CANVAS")" "$@")
  [ -z "$missed" ] || fail "no field line within 2 px of the landmarks at" $missed
}

lines_missing() {
  python3 - "$@" <<'PY'
import subprocess, sys
def rgb(path):
    return subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
before, after = rgb(sys.argv[1]), rgb(sys.argv[2])
w, h = 640, 480
red = lambda d, k: d[k] > 170 and d[k + 1] < 100 and d[k + 2] < 100
for p in sys.argv[3:]:
    u, v = map(int, p.split(","))
    y = h - 1 - v
    if not any(red(after, k) and not red(before, k) for yy in range(max(0, y - 2), min(h, y + 3))
               for xx in range(max(0, u - 2), min(w, u + 3)) for k in [3 * (yy * w + xx)]):
        print(p)
PY
}
