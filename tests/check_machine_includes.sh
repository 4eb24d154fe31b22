#!/usr/bin/env bash
# Fails when a source of the machine library, or a header beside one,
# includes Allegro or a header of the desktop front end (shell/).
set -u
files=()
for source in "$@"; do
  files+=("$source")
  for header in "$(dirname "$source")"/*.h; do files+=("$header"); done
done
found=$(printf '%s\n' "${files[@]}" | sort -u | xargs grep -nE '#[[:space:]]*include[[:space:]]*[<"](allegro|shell/)' || true)
if [ -n "$found" ]; then
  echo "the machine library includes front-end headers:"
  echo "$found"
  exit 1
fi
echo "$(printf '%s\n' "${files[@]}" | sort -u | wc -l) files checked: no Allegro, no shell/"
