#!/usr/bin/env bash
# Runs tests of the end-to-end program under wine and does for them what only
# the Linux side of the display can (wine starts a Linux program but neither
# waits for it nor gets its output): a test writes one request into the file
# named by QOB_LINUX_REQUEST and waits for the answer in that name plus
# ".answer".
#   click X Y    xdotool clicks at the screen position     answer "done"
#   title X Y    WM_NAME of the program's X window there, as xprop prints it
#   read         the CLIPBOARD selection as xclip prints it (empty when none)
#   offer TEXT   xclip holds TEXT as CLIPBOARD until the run ends    "offered"
set -euo pipefail
program=$1
filter=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
dir=$(mktemp -d /tmp/qob_linux_side_XXXXXX)
request=$dir/request
holder=""
end_holder() {
  if [ -n "$holder" ]; then
    kill "$holder" 2>/dev/null || true
    wait "$holder" 2>/dev/null || true
  fi
  holder=""
}
trap 'end_holder; rm -rf "$dir"' EXIT

QOB_LINUX_REQUEST="Z:$request" "$root/scripts/wine" "$program" --gtest_filter="$filter" >"$dir/log" 2>&1 &
test_pid=$!
while kill -0 $test_pid 2>/dev/null; do
  if [ -f "$request" ]; then
    line=$(cat "$request")
    rm -f "$request"
    verb=${line%% *}
    argument=${line#* }
    case $verb in
      click)
        read -r x y <<<"$argument"
        xdotool mousemove --sync "$x" "$y" click 1
        answer=done ;;
      title)
        # Wine's windows carry no WM_STATE, so xdotool names none under the
        # pointer: the smallest visible window of the program holding the point.
        read -r x y <<<"$argument"
        window="" smallest=""
        for id in $(xdotool search --onlyvisible --class '^qob\.exe$' 2>/dev/null); do
          eval "$(xdotool getwindowgeometry --shell "$id")"
          if [ "$x" -ge "$X" ] && [ "$y" -ge "$Y" ] && [ "$x" -lt $((X + WIDTH)) ] && [ "$y" -lt $((Y + HEIGHT)) ] &&
            { [ -z "$smallest" ] || [ $((WIDTH * HEIGHT)) -lt "$smallest" ]; }; then
            window=$id smallest=$((WIDTH * HEIGHT))
          fi
        done
        answer=$(xprop -id "${window:-none}" WM_NAME 2>&1 || true) ;;
      read)
        answer=$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true) ;;
      offer)
        end_holder
        printf %s "$argument" | xclip -i -selection clipboard -quiet >/dev/null 2>&1 &
        holder=$!
        answer=offered ;;
      *)
        answer="unknown request: $line" ;;
    esac
    printf %s "$answer" >"$request.answer.new"
    mv "$request.answer.new" "$request.answer"
  fi
  sleep 0.1
done
status=0
wait $test_pid || status=$?
cat "$dir/log"
[ $status -eq 0 ] && grep -q '^\[  PASSED  \]' "$dir/log" && ! grep -q SKIPPED "$dir/log"
