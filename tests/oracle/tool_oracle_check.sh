#!/bin/bash
# Runs the checks a program left in FOLDER under wine: the output of each
# NAME.cmd, run there by sh, against NAME.expected. Fails when there are none.
folder=${1:?usage: tool_oracle_check.sh FOLDER}
cd "$folder" || exit 1
count=0 failed=0
for command in *.cmd; do
  [ -e "$command" ] || break
  name=${command%.cmd}
  count=$((count + 1))
  actual=$(sh "$command" 2>&1)
  expected=$(cat "$name.expected")
  if [ "$actual" == "$expected" ]; then
    echo "ok $name"
  else
    failed=$((failed + 1))
    printf 'FAILED %s: %s\n  expected: %s\n  actual:   %s\n' "$name" "$(tail -n 1 "$command")" "$expected" "$actual"
  fi
done
echo "$count checks, $failed failed"
[ "$count" -gt 0 ] && [ "$failed" -eq 0 ]
