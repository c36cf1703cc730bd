#!/usr/bin/env bash
# Runs tests of the end-to-end program under wine and does for them what only
# the Linux side of the display can: a test writes one request into the file
# named by QOB_LINUX_REQUEST and waits for the answer in that name plus
# ".answer".
#   click X Y    xdotool clicks at the screen position     answer "done"
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
