# varnesk [FILE] under Xvfb: without a display it says why and fails; a scene named at start
# shows its photograph in the first frame; a scene that cannot be opened says so and the program
# goes on; no argument leaves the canvas empty; an installed copy finds its user guide and its
# desktop entry is valid.
# Arguments: e2e_lib.sh X_CLOSE SHOTS_DIR VARNESK DEMO_DIR BUILD_DIR
source "$1" "$2" "$3"
VARNESK=$4
DEMO=$5
BUILD=$6
WORK=$(mktemp -d)
LOG="$SHOTS/start_file.log"
export TUK_MESSAGE_LOG="$WORK/messages.log"
: >"$LOG"
out=$(env -u DISPLAY "$VARNESK" 2>&1) && fail "exit status 0 without a display"
[[ "$out" == *DISPLAY* ]] || fail "without a display the message does not name it: $out"

# start [ARG...]: the program in the current folder (start_program); MAIN, CANVAS, menu titles
start() { start_program "$VARNESK" "$PWD" "$LOG" "$@"; }
# canvas_spread NAME [CROP]: standard deviation of the grey levels of the canvas (or of the CROP
# geometry of it): 0 for a uniform canvas
canvas_spread() {
  convert "$(shot "$1" "$CANVAS")" ${2:+-crop "$2" +repage} -colorspace gray \
    -format "%[fx:standard_deviation]" info:
}
stop() {
  kill "$PID" 2>/dev/null
  wait "$PID" 2>/dev/null
}

# the demo scene from its own folder, as ./run.sh starts it, and from elsewhere by its path
for how in here elsewhere; do
  if [ $how = here ]; then cd "$DEMO" && start demo.cen; else cd "$WORK" && start "$DEMO/demo.cen"; fi
  spread=$(canvas_spread "start_demo_$how")
  echo "demo.cen ($how): canvas spread $spread"
  awk -v s="$spread" 'BEGIN {exit !(s > 0.05)}' || fail "demo.cen ($how): the canvas is uniform, no photograph"
  stop
done

# a scene that cannot be opened: an "Erro" message naming it, and the program still running
cd "$WORK"
start missing.cen
wait_line "$TUK_MESSAGE_LOG" 'missing\.cen'
grep -q '^Erro' "$TUK_MESSAGE_LOG" || fail "the message about missing.cen is not titled Erro: $(cat "$TUK_MESSAGE_LOG")"
ERR=$(wait_window '^Erro$')
shot start_missing "$ERR" >/dev/null
xdotool windowfocus --sync "$ERR" 2>/dev/null
xdotool key Return
wait_gone '^Erro$'
sleep 0.5
kill -0 "$PID" 2>/dev/null || fail "the program ended after the message about missing.cen"
# (its lower part: where the message stood is the message's own business)
spread=$(canvas_spread start_missing_canvas 640x120+0+360)
awk -v s="$spread" 'BEGIN {exit !(s < 0.01)}' || fail "after missing.cen the canvas is not empty ($spread)"
stop

# no argument: the empty start-up canvas, no message
: >"$TUK_MESSAGE_LOG"
start
sleep 1
spread=$(canvas_spread start_none)
awk -v s="$spread" 'BEGIN {exit !(s < 0.01)}' || fail "with no argument the canvas is not empty ($spread)"
[ -s "$TUK_MESSAGE_LOG" ] && fail "with no argument a message was shown: $(cat "$TUK_MESSAGE_LOG")"
stop

# installed into a prefix: the user guide is found beside the installed program's data, and the
# desktop entry and scene type are valid
cmake --install "$BUILD" --prefix "$WORK/prefix" >>"$LOG" 2>&1 || fail "cmake --install failed"
desktop-file-validate "$WORK/prefix/share/applications/varnesk.desktop" || fail "desktop entry refused"
grep -q '^Exec=varnesk %f$' "$WORK/prefix/share/applications/varnesk.desktop" || fail "Exec line"
grep -q 'glob pattern="\*.cen"' "$WORK/prefix/share/mime/packages/varnesk-scene.xml" || fail "no *.cen type"
[ -x "$WORK/prefix/bin/varnesk-cli" ] || fail "varnesk-cli not installed"
mkdir -p "$WORK/elsewhere" && cd "$WORK/elsewhere"
: >"$TUK_MESSAGE_LOG"
VARNESK="$WORK/prefix/bin/varnesk"
start
menu_pick 4 0
HELP=$(wait_window '^Varnesk Help$')
shot installed_help "$HELP" >/dev/null
[ -s "$TUK_MESSAGE_LOG" ] && fail "Help > Help of the installed program: $(cat "$TUK_MESSAGE_LOG")"
stop
rm -rf "$WORK"
echo PASS
