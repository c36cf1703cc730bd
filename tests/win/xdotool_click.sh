#!/usr/bin/env bash
# Runs the end-to-end test whose click comes from xdotool on the display of
# the run: the test program writes the screen position to click into a file,
# and this script clicks there each time the file is written anew.
set -euo pipefail
program=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
position=$(mktemp -u /tmp/qob_click_XXXXXX)
log=$(mktemp /tmp/qob_click_log_XXXXXX)
trap 'rm -f "$position" "$log"' EXIT
QOB_CLICK_FILE="Z:$position" "$root/scripts/wine" "$program" \
  --gtest_filter='WindowsServer.AnXdotoolClickDoesTheSame' >"$log" 2>&1 &
test_pid=$!
while kill -0 $test_pid 2>/dev/null; do
  if [ -s "$position" ]; then
    read -r x y <"$position"
    rm -f "$position"
    xdotool mousemove --sync "$x" "$y" click 1
  fi
  sleep 0.2
done
status=0
wait $test_pid || status=$?
cat "$log"
[ $status -eq 0 ] && grep -q '^\[  PASSED  \]' "$log" && ! grep -q SKIPPED "$log"
