#!/bin/bash
# Runs the checks a program left in FOLDER under wine: the output of each
# NAME.cmd, run there by sh, against NAME.expected; with a NAME.tolerance
# ("absolute relative") as numbers, each within absolute + relative times its
# size. Fails when there are none.
folder=${1:?usage: tool_oracle_check.sh FOLDER}
cd "$folder" || exit 1
count=0 failed=0
for command in *.cmd; do
  [ -e "$command" ] || break
  name=${command%.cmd}
  count=$((count + 1))
  actual=$(sh "$command" 2>&1)
  expected=$(cat "$name.expected")
  if [ -e "$name.tolerance" ]; then
    agree=$(echo $actual | awk -v tolerance="$(cat "$name.tolerance")" -v want="$expected" '{
      split(tolerance, t, " "); n = split(want, e, " "); ok = (NF == n)
      for (i = 1; ok && i <= n; i++) {
        d = $i - e[i]; if (d < 0) d = -d; s = $i < 0 ? -$i : $i
        if ($i !~ /^[-+.0-9eE]+$/ || d > t[1] + t[2] * s) ok = 0
      }
      print ok ? "yes" : "no" }')
  elif [ "$actual" == "$expected" ]; then agree=yes; else agree=no; fi
  if [ "$agree" == yes ]; then
    echo "ok $name"
  else
    failed=$((failed + 1))
    printf 'FAILED %s: %s\n  expected: %s\n  actual:   %s\n' "$name" "$(tail -n 1 "$command")" "$expected" "$actual"
  fi
done
echo "$count checks, $failed failed"
[ "$count" -gt 0 ] && [ "$failed" -eq 0 ]
