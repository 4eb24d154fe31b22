#!/usr/bin/env bash
# Builds the state-loader fuzzer with clang (libFuzzer, AddressSanitizer,
# UBSan) from the whole machine, lets it write its seeds (states and state
# files of a real cartridge) and fuzzes for a bounded time, then sweeps
# every number of a state of two carried games, a monochrome and a colour
# one, through the values at the edges of its range. Exits non-zero when
# either finds a crash, a leak, a hang or a refused state that changed the
# machine.
#   PELLIX_FUZZ_DIR      build folder (default: build/fuzz)
#   PELLIX_FUZZ_SECONDS  fuzzing time (default: 25)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
out="${PELLIX_FUZZ_DIR:-$root/build/fuzz}"
seconds="${PELLIX_FUZZ_SECONDS:-25}"
mkdir -p "$out/state-objects"
out="$(cd "$out" && pwd)"

fuzzer="$out/state_fuzzer"
# The version CMakeLists.txt gives the sources that CMake builds.
version="$(sed -n 's/^project(pellix VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")"
flags=(-std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=undefined -I"$root" -DPELLIX_VERSION="\"$version\""
       $(pkg-config --cflags allegro libpng zlib x11))
sources=()
for s in "$root"/{machine,cpu,memory,video,sound,debug,archive,shell}/*.cpp "$root/tests/shell/fuzz/state_fuzzer.cpp"; do
  [ "$(basename "$s")" = main.cpp ] || sources+=("$s")
done

# One object per source, made again when the source or any header is newer.
newest_header="$(ls -t "$root"/*/*.h | head -n 1)"
build_object() {
  local source="$1" object="$2"
  if [ ! -f "$object" ] || [ "$source" -nt "$object" ] || [ "$newest_header" -nt "$object" ]; then
    local flags
    mapfile -t flags < "$out/state-flags"
    clang++ "${flags[@]}" -c "$source" -o "$object"
  fi
}
printf '%s\n' "${flags[@]}" > "$out/state-flags"
export -f build_object
export newest_header out
objects=()
jobs=()
for s in "${sources[@]}"; do
  o="$out/state-objects/$(echo "${s#$root/}" | tr / _).o"
  objects+=("$o")
  jobs+=("$s" "$o")
done
echo "Building the state fuzzer in $out"
printf '%s\0' "${jobs[@]}" | xargs -0 -n 2 -P "$(nproc)" bash -c 'build_object "$0" "$1"'
relink=no
[ -x "$fuzzer" ] || relink=yes
for o in "${objects[@]}"; do [ "$o" -nt "$fuzzer" ] && relink=yes; done
if [ "$relink" = yes ]; then
  clang++ -fsanitize=fuzzer,address,undefined "${objects[@]}" $(pkg-config --libs allegro libpng zlib x11) -lm -pthread \
    -o "$fuzzer"
fi

export PELLIX_FUZZ_ROM="${PELLIX_FUZZ_ROM:-$root/tests/cartridges/homebrew/geometrix.gbc}"
seeds="$out/state-seeds"
rm -rf "$seeds"
mkdir -p "$seeds" "$out/state-corpus"
PELLIX_FUZZ_MAKE_SEEDS="$seeds" "$fuzzer" >/dev/null 2>&1

echo "Fuzzing the state loader for ${seconds}s"
"$fuzzer" "$out/state-corpus" "$seeds" \
  -max_total_time="$seconds" -max_len=400000 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$out/state-" -print_final_stats=1 2>"$out/state-fuzz.log" || {
  status=$?
  tail -n 60 "$out/state-fuzz.log" >&2
  echo "state fuzzer failed (exit $status); the input is in $out/" >&2
  exit "$status"
}
grep -E '^stat::number_of_executed_units|^Done' "$out/state-fuzz.log" || true

# The sweep: the game's state after a second of play, each number changed
# in turn; every changed state is refused or runs on.
for game in "$root"/tests/cartridges/homebrew/{libbet.gb,geometrix.gbc}; do
  echo "Sweeping the numbers of a state of $(basename "$game")"
  PELLIX_FUZZ_SWEEP=1 PELLIX_FUZZ_ROM="$game" "$fuzzer" 2>"$out/state-sweep.log" || {
    status=$?
    tail -n 60 "$out/state-sweep.log" >&2
    echo "state sweep failed on $game (exit $status)" >&2
    exit "$status"
  }
done
