#!/bin/sh
# An X server of a Windows test run's own, started by the runner under wine
# (which runs this Linux script): the display's number goes to FILE, and the
# server stops when FILE is removed, at the latest after ten minutes.
file=$1
: >"$file"  # there before the loop looks, empty until the server is up
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>>"$file" >/dev/null 2>&1 &
server=$!
i=0
while [ -e "$file" ] && [ $i -lt 3000 ]; do
  sleep 0.2
  i=$((i + 1))
done
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
rm -f "$file"
exit 0
