#!/usr/bin/env bash
# Runs the tests of a layer test program that FILTER names on an X server of
# their own (screen DEPTH bits): they move the pointer, take the focus or need
# a screen depth of their own. QOB_OWN_SERVER tells them they are there; every
# one must pass, none be skipped.
set -uo pipefail
program=$1 filter=$2 depth=${3:-24}
root=$(cd "$(dirname "$0")/../../.." && pwd)
status=0
output=$(QOB_XVFB_DEPTH=$depth "$root/tests/support/on_own_xvfb.sh" "$program" --gtest_filter="$filter" 2>&1) ||
  status=$?
echo "$output"
[ $status -eq 0 ] && grep -q '^\[  PASSED  \]' <<<"$output" && ! grep -q SKIPPED <<<"$output"
