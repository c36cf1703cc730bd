#!/usr/bin/env bash
# The demo on both systems, each on an X server of its own, with the same
# number of camera turns: the client areas of the graphics window and the
# dialog, each where X shows it, may differ in at most 0.5% of their pixels
# by more than 2 levels in a channel.
# The graphics window takes the screen's size; under wine its frame lies
# around that client area, past the screen's edges. The Linux run gets a
# screen of the Windows client area's size, so both draw the same picture,
# and the part that both screens show is compared.
# Wine runs in a prefix of its own (made once), so the demo's windows share
# no foreground or input with the programs of the other tests.
# The Linux programs come from QOB_NATIVE_TREE (default build); the pictures
# are left in demo_pictures/ of the working folder.
#   demo_pictures.sh QOB.EXE DEMO_APP.EXE PREFIX
set -euo pipefail
server_exe=$1 app_exe=$2 prefix=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
native=${QOB_NATIVE_TREE:-$root/build}
turns=12
title="qob demo"
out=$PWD/demo_pictures
work=$(mktemp -d)
xvfb='' server=''
fail() { echo "demo_pictures: $*" >&2; exit 1; }
for tool in runtime/qob tools/demo_app tools/make_demo tools/screenshot; do
  [ -x "$native/$tool" ] || fail "$native/$tool is missing: build the Linux tree first"
done
. "$root/scripts/lib.sh"
prepare_wine "$prefix" >/dev/null
clean_up() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  "$QOB_WINESERVER" -k 2>/dev/null || true
  rm -rf "$work"
}
trap clean_up EXIT

# An X server of its own, of WIDTHxHEIGHT, for the next run.
own_display() {
  exec 3< <(Xvfb -displayfd 4 -screen 0 "$1x24" -nolisten tcp 4>&1 >/dev/null 2>&1 & echo "pid $!")
  read -r _ xvfb <&3
  read -r number <&3
  export DISPLAY=:$number
}

# Ends the server and the X server of the last run.
end_run() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  server='' xvfb=''
}

# Starts a server (the command that follows) on the program PROGRAM.b, without
# the QOB_ options of the environment, and saves the screen as PROGRAM.png
# once the dialog shows and the picture has come to rest.
run_demo() {
  local program=$1 name unset=()
  shift
  for name in $(compgen -e); do
    [[ $name != QOB_* ]] || unset+=(-u "$name")
  done
  env "${unset[@]}" "$@" -e '' -m '' -u "$program.b" >"$program.log" 2>&1 &
  server=$!
  "$native/tools/screenshot" -s -t -d 1 -r 2 "$title" "$program.png" >/dev/null ||
    fail "$program: no picture at rest; the server said: $(cat "$program.log")"
}

# Client areas as "WIDTHxHEIGHT+X+Y" from the tree of top-level windows:
# Linux's by their class; wine's are the one child of each frame, the dialog's
# frame found by its title and the graphics window's the largest of the others.
linux_area() {
  xwininfo -root -tree | awk -v class="(\"$1\" " 'index($0, class) > 0 { print $(NF - 1); exit }'
}
windows_areas() {
  xwininfo -root -tree | awk -v title="\"$title\":" '
    / \("qob.exe" "qob.exe"\) / {
      frame = index($0, title) > 0 ? "dialog" : "other"
      indent = match($0, /[^ ]/)
      next
    }
    frame != "" && /^ +0x/ && match($0, /[^ ]/) > indent {
      split($(NF - 1), size, "+"); split(size[1], wh, "x"); split($NF, at, "+")
      area = size[1] "+" at[2] "+" at[3]
      if (frame == "dialog") dialog = area
      else if (wh[1] * wh[2] > largest) { largest = wh[1] * wh[2]; graphics = area }
      frame = ""
    }
    END { print graphics, dialog }'
}

export LIBGL_ALWAYS_SOFTWARE=1
cd "$work"

# Windows: the program starts the Windows application, under wine.
app="Z:$app_exe"
"$native/tools/make_demo" -t $turns -w windows.b "${app//\//\\}"
own_display 1280x1024
"$QOB_WINESERVER" -p >/dev/null 2>&1  # up before the server starts, with wine's own programs
"$root/scripts/wine" cmd.exe /c exit 0 >/dev/null 2>&1
run_demo windows "$root/scripts/wine" "$server_exe"
read -r windows_graphics windows_dialog < <(windows_areas)
end_run
if [ -z "$windows_graphics" ] || [ -z "$windows_dialog" ]; then
  fail "wine's client areas not found"
fi

# Linux, on a screen of the Windows graphics window's client size.
"$native/tools/make_demo" -t $turns linux.b "$native/tools/demo_app"
own_display "${windows_graphics%%+*}"
run_demo linux "$native/runtime/qob"
linux_graphics=$(linux_area Graphics)
linux_dialog=$(linux_area demo)
end_run

# The part of two areas of one size that both screens show, cut from each shot.
status=0
compare_areas() {
  local name=$1 linux=$2 windows=$3
  [ "${linux%%+*}" = "${windows%%+*}" ] || fail "$name: $linux on Linux, $windows under wine"
  local size=${linux%%+*} w h lx ly wx wy sw sh
  IFS='x+' read -r w h lx ly <<<"$linux"
  IFS='x+' read -r _ _ wx wy <<<"$windows"
  read -r sw sh < <(identify -format '%w %h\n' windows.png)
  w=$((w < sw - wx ? w : sw - wx)) h=$((h < sh - wy ? h : sh - wy))
  convert linux.png -crop "${w}x$h+$lx+$ly" +repage "linux_$name.png"
  convert windows.png -crop "${w}x$h+$wx+$wy" +repage "windows_$name.png"
  local differing
  differing=$(compare -metric AE -fuzz 1% "linux_$name.png" "windows_$name.png" "difference_$name.png" 2>&1 || true)
  [[ $differing =~ ^[0-9]+$ ]] || fail "compare: $differing"
  local share
  share=$(awk -v d="$differing" -v n=$((w * h)) 'BEGIN { printf "%.3f", 100 * d / n }')
  echo "$name ($size, ${w}x$h shown): $differing of $((w * h)) pixels differ ($share%)"
  awk -v d="$differing" -v n=$((w * h)) 'BEGIN { exit !(d <= 0.005 * n) }' || status=1
}
compare_areas graphics "$linux_graphics" "$windows_graphics"
compare_areas dialog "$linux_dialog" "$windows_dialog"
mkdir -p "$out"
cp ./*.png ./*.log "$out"
[ $status -eq 0 ] || fail "the pictures differ (see $out)"
