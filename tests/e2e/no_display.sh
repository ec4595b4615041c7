# Without a display varnesk says why and ends with a non-zero status.
# Arguments: VARNESK
out=$(env -u DISPLAY "$1" 2>&1)
rc=$?
echo "$out"
[ "$rc" != 0 ] || { echo "FAIL: exit status 0 without a display"; exit 1; }
echo "$out" | grep -q "DISPLAY" || { echo "FAIL: the message does not name the display"; exit 1; }
echo PASS
