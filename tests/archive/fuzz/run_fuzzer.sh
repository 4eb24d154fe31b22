#!/usr/bin/env bash
# Builds the archive fuzzer with clang (libFuzzer, AddressSanitizer, UBSan),
# makes a seed corpus of small valid archives and fuzzes for a bounded time.
# Exits non-zero when the fuzzer finds a crash, a leak or a hang.
#   PELLIX_FUZZ_DIR      build folder (default: build/fuzz)
#   PELLIX_FUZZ_SECONDS  fuzzing time (default: 25)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
out="${PELLIX_FUZZ_DIR:-$root/build/fuzz}"
seconds="${PELLIX_FUZZ_SECONDS:-25}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

fuzzer="$out/archive_fuzzer"
sources=("$root"/archive/*.cpp "$root/tests/archive/fuzz/archive_fuzzer.cpp")
rebuild=no
[ -x "$fuzzer" ] || rebuild=yes
for s in "${sources[@]}" "$root"/archive/*.h; do
  [ "$s" -nt "$fuzzer" ] && rebuild=yes
done
if [ "$rebuild" = yes ]; then
  echo "Building the archive fuzzer in $out"
  clang++ -std=c++17 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" "${sources[@]}" -lz -o "$fuzzer"
fi

# Seeds: a small image plain, gzipped, zipped stored and deflated, a ZIP
# with a directory first and a comment, and an empty ZIP.
seeds="$out/seeds"
rm -rf "$seeds" "$out/work"
mkdir -p "$seeds" "$out/work/dir" "$out/corpus"
(
  cd "$out/work"
  LC_ALL=C awk 'BEGIN { srand(7); for (i = 0; i < 1500; i++) printf "%c", int(rand() * 256) }' > rom.gb
  printf 'PELLIX cartridge %.0s' $(seq 120) >> rom.gb
  cp rom.gb "$seeds/plain.gb"
  gzip -9 -c rom.gb > "$seeds/rom.gb.gz"
  zip -q -0 "$seeds/stored.zip" rom.gb
  zip -q -9 "$seeds/deflated.zip" rom.gb
  echo 'seed archive' | zip -q -z -9 "$seeds/dir-first.zip" dir rom.gb
  printf 'PK\005\006\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000' > "$seeds/empty.zip"
)
rm -rf "$out/work"

# Every input is written to a file three times: keep those in memory.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

echo "Fuzzing the archive layer for ${seconds}s"
"$fuzzer" "$out/corpus" "$seeds" \
  -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$out/" -print_final_stats=1 2>"$out/fuzz.log" || {
  status=$?
  tail -n 60 "$out/fuzz.log" >&2
  echo "archive fuzzer failed (exit $status); the input is in $out/" >&2
  exit "$status"
}
grep -E '^stat::number_of_executed_units|^Done' "$out/fuzz.log" || true
