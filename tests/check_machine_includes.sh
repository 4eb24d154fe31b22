#!/usr/bin/env bash
# The layers: no source of the machine library, or header beside one,
# includes Allegro or a header of the desktop front end (shell/); and the
# front ends (the desktop program, the libretro core) and the end-to-end
# tests reach the machine through machine/machine.h alone.
#   check_machine_includes.sh MACHINE_SOURCES... -- FRONT_END_FOLDERS...
set -u
files=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  files+=("$1")
  for header in "$(dirname "$1")"/*.h; do files+=("$header"); done
  shift
done
[ "${1:-}" = "--" ] && shift
status=0
found=$(printf '%s\n' "${files[@]}" | sort -u | xargs grep -nE '#[[:space:]]*include[[:space:]]*[<"](allegro|shell/)' || true)
if [ -n "$found" ]; then
  echo "the machine library includes front-end headers:"
  echo "$found"
  status=1
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
front=$(find "$@" -name '*.cpp' -o -name '*.h' | sort)
inside=$(echo "$front" | xargs grep -nE '#[[:space:]]*include[[:space:]]*"(cpu|memory|video|sound|debug|archive|machine)/' |
         grep -v '"machine/machine.h"' | while IFS= read -r line; do
           header=$(echo "$line" | sed -E 's/.*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/')
           [ -f "$root/$header" ] && echo "$line"
         done || true)
if [ -n "$inside" ]; then
  echo "a front end reaches into the machine past machine/machine.h:"
  echo "$inside"
  status=1
fi
[ $status -eq 0 ] && echo "$(printf '%s\n' "${files[@]}" | sort -u | wc -l) machine files checked: no Allegro, no shell/;" \
  "$(echo "$front" | wc -l) front-end files checked: machine/machine.h only"
exit $status
