#!/usr/bin/env bash
# A layer window as X tools see it, on an X server of its own: xwininfo finds
# the window by its title and shows the frame the system gave it, whose client
# area is the X geometry asked for; xprop shows the title as WM_NAME.
set -euo pipefail
probe=$1
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d)
exec 3< <(Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>&1 >/dev/null 2>&1 & echo "pid $!")
read -r _ xvfb <&3
read -r number <&3
export DISPLAY=:$number
probe_pid=
trap '[ -n "$probe_pid" ] && kill $probe_pid 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "window_probe: $*" >&2; exit 1; }

title="qob window probe"
unset QOB_WINE_RELAY  # the probe is ended by its pid, so no parent stands between
"$root/scripts/wine" "$probe" 100 100 200 100 "$title" "Z:${work//\//\\}\\rects" >/dev/null 2>&1 &
probe_pid=$!
for _ in $(seq 100); do [ -s "$work/rects" ] && break; sleep 0.1; done
[ -s "$work/rects" ] || fail "the probe wrote no rectangles"
read -r _ cx cy cw ch < <(tr -d "\r" <"$work/rects" | grep "^client")
read -r _ fx fy fw fh < <(tr -d "\r" <"$work/rects" | grep "^frame")
[ "$cx $cy $cw $ch" = "100 100 200 100" ] || fail "client area $cx $cy $cw $ch, not the X geometry"

info=$(xwininfo -name "$title")
value() { sed -n "s/^ *$1: *//p" <<<"$info"; }
[ "$(value 'Absolute upper-left X') $(value 'Absolute upper-left Y')" = "$fx $fy" ] || fail "xwininfo position: $info"
[ "$(value Width) $(value Height)" = "$fw $fh" ] || fail "xwininfo size: $info"
# The frame holds the whole client area: at least its size, around it.
[ "$fx" -le 100 ] && [ "$fy" -le 100 ] && [ $((fx + fw)) -ge 300 ] && [ $((fy + fh)) -ge 200 ] ||
  fail "frame $fx $fy $fw $fh does not hold the client area"
[ "$(xprop -name "$title" WM_NAME)" = "WM_NAME(STRING) = \"$title\"" ] || fail "xprop: $(xprop -name "$title" WM_NAME)"
echo "client 100 100 200 100 in frame $fx $fy $fw $fh; WM_NAME \"$title\""
