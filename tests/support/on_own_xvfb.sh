#!/usr/bin/env bash
# Runs a Windows test program under wine on an X server of its own (wine
# opens its X connection as the program starts, so the program cannot start
# one itself): a fresh 1280x1024 Xvfb per run (QOB_XVFB_DEPTH bits, 24 when
# unset), named in DISPLAY, with QOB_OWN_SERVER set. The program's exit
# status is the script's.
set -uo pipefail
program=$1
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
exec 3< <(Xvfb -displayfd 4 -screen 0 1280x1024x${QOB_XVFB_DEPTH:-24} -nolisten tcp 4>&1 >/dev/null 2>&1 & echo "pid $!")
read -r _ xvfb <&3
read -r number <&3 || { echo "Xvfb did not start" >&2; exit 1; }
trap 'kill $xvfb 2>/dev/null || true' EXIT
DISPLAY=:$number QOB_OWN_SERVER=1 "$root/scripts/wine" "$program" "$@"
