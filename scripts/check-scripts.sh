#!/usr/bin/env bash
# Fails when a shell script of the project pipes into a quiet grep.
#
# `cmd | grep -q X` under `set -o pipefail` fails at random: grep -q exits at
# its first match, the writer may then die of SIGPIPE, and pipefail turns
# that into a failed line although X was there. Capture the output first, or
# let grep read a file. Lines continued after a trailing "|" are joined, so
# a pipe split over two lines is caught too.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts=()
while IFS= read -r file; do
  case $file in
    *.sh | .ci/*) scripts+=("$file") ;;
    *)
      first=''
      IFS= read -r first <"$file" 2>/dev/null || true
      [[ $first =~ ^\#!.*(/|[[:space:]])(ba|da|z)?sh([[:space:]]|$) ]] && scripts+=("$file")
      ;;
  esac
done < <(git ls-files --cached --others --exclude-standard)

found=0
for file in "${scripts[@]}"; do
  [ -f "$file" ] || continue
  # Join continuation lines, drop comments, then look for "| grep" with a
  # quiet flag (-q, -Eq, --quiet, --silent).
  hits=$(awk '
    { line = $0; sub(/^[ \t]*#.*/, "", line) }
    held != "" { line = held " " line; held = "" }
    line ~ /\|[ \t]*$/ { held = line; start = start ? start : NR; next }
    {
      if (line ~ /\|[ \t]*grep[ \t]+(-[A-Za-z]*q[A-Za-z]*|--quiet|--silent)([ \t]|$)/ ||
          line ~ /\|[ \t]*grep[ \t]+(-[^ \t]+[ \t]+)*(-[A-Za-z]*q[A-Za-z]*|--quiet|--silent)([ \t]|$)/)
        print (start ? start : NR) ": " line
      start = 0
    }' "$file")
  if [ -n "$hits" ]; then
    while IFS= read -r hit; do echo "$file:$hit"; done <<<"$hits"
    found=1
  fi
done

if [ "$found" -ne 0 ]; then
  echo "check-scripts: a pipe into a quiet grep fails at random under pipefail; capture the output first" >&2
  exit 1
fi
echo "check-scripts: ${#scripts[@]} scripts, no pipe into a quiet grep"
