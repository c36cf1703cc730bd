#!/usr/bin/env bash
# Runs the tests of a layer test program that FILTER names on an X server of
# their own (screen DEPTH bits): they move the pointer, take the focus or need
# a screen depth of their own. QOB_OWN_SERVER tells them they are there; every
# one must pass, none be skipped.
set -euo pipefail
program=$1 filter=$2 depth=${3:-24}
root=$(cd "$(dirname "$0")/../../.." && pwd)
exec 3< <(Xvfb -displayfd 4 -screen 0 1280x1024x$depth -nolisten tcp 4>&1 >/dev/null 2>&1 & echo "pid $!")
read -r _ xvfb <&3
read -r number <&3
trap 'kill $xvfb 2>/dev/null || true' EXIT
status=0
output=$(DISPLAY=:$number QOB_OWN_SERVER=1 "$root/scripts/wine" "$program" --gtest_filter="$filter" 2>&1) || status=$?
echo "$output"
[ $status -eq 0 ] && grep -q '^\[  PASSED  \]' <<<"$output" && ! grep -q SKIPPED <<<"$output"
