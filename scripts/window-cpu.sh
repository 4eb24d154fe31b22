#!/usr/bin/env bash
# Measures the processor time a windowed run takes at real time, under a
# private Xvfb server, from /proc: each thread's time on a core as the
# scheduler counts it in nanoseconds (schedstat), so neither a busy machine
# nor the coarse clock tick of utime and stime distorts it:
#   window-cpu.sh [-s SECONDS] [-p] [-n] PELLIX ROM [PELLIX OPTIONS...]
# -s  how long to measure (default 20), after 3 seconds of warming up
# -p  pause the game (P) before measuring
# -n  run without rewinding (--no-rewind)
# Prints the share of one core the whole process took, then each thread's.
set -euo pipefail

seconds=20 pause=0 rewind=()
while getopts "s:pn" opt; do
  case $opt in
    s) seconds=$OPTARG ;;
    p) pause=1 ;;
    n) rewind=(--no-rewind) ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -ge 2 ] || { sed -n '2,10p' "$0"; exit 2; }
pellix=$(realpath "$1") rom=$(realpath "$2")
shift 2

work=$(mktemp -d)
xvfb_pid= pellix_pid=
cleanup() {
  [ -n "$pellix_pid" ] && kill "$pellix_pid" 2>/dev/null && wait "$pellix_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
export XDG_DATA_HOME=$work XDG_CONFIG_HOME=$work

cd "$work"
"$pellix" --no-save "${rewind[@]}" "$@" "$rom" >/dev/null 2>&1 &
pellix_pid=$!
for _ in $(seq 100); do
  wid=$(xdotool search --class '^pellix$' 2>/dev/null | head -n1) && [ -n "$wid" ] && break
  sleep 0.1
done
key() { xdotool keydown --window "$wid" "$1" 2>/dev/null; sleep 0.2; xdotool keyup --window "$wid" "$1" 2>/dev/null; }
# Enter starts the game; again in case the first came before the program
# looked (it means nothing once the game runs).
key Return
sleep 1
key Return
[ "$pause" = 1 ] && key p
sleep 2

# "TID NANOSECONDS" for every thread: the first field of schedstat.
snapshot() {
  for task in /proc/"$pellix_pid"/task/*; do
    echo "$(basename "$task") $(cut -d' ' -f1 "$task/schedstat")"
  done
}
before=$(snapshot) start=$(date +%s.%N)
sleep "$seconds"
after=$(snapshot) end=$(date +%s.%N)
kill -0 "$pellix_pid" 2>/dev/null || { echo "pellix ended early" >&2; exit 1; }

join <(sort <<<"$before") <(sort <<<"$after") |
  awk -v s="$(echo "$end - $start" | bc)" -v main="$pellix_pid" '
    { used = ($3 - $2) / 1e9; total += used
      line[NR] = sprintf("  thread %s%s: %.2f%%", $1, $1 == main ? " (main)" : "", 100 * used / s) }
    END { printf "%.2f%% of one core over %.1f s\n", 100 * total / s, s
          for (i = 1; i <= NR; i++) print line[i] }'
