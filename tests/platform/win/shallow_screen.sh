#!/usr/bin/env bash
# Runs the shallow-screen test of a layer test program on an X server of its
# own with 8 bits per pixel; it must pass there, not be skipped.
set -euo pipefail
program=$1
root=$(cd "$(dirname "$0")/../../.." && pwd)
exec 3< <(Xvfb -displayfd 4 -screen 0 1024x768x8 -nolisten tcp 4>&1 >/dev/null 2>&1 & echo "pid $!")
read -r _ xvfb <&3
read -r number <&3
trap 'kill $xvfb 2>/dev/null || true' EXIT
output=$(DISPLAY=:$number "$root/scripts/wine" "$program" --gtest_filter='ShallowScreen.*' 2>&1) || {
  echo "$output"
  exit 1
}
echo "$output"
grep -q '^\[  PASSED  \] 1 test' <<<"$output" && ! grep -q SKIPPED <<<"$output"
