#!/usr/bin/env bash
# Installs what is missing, builds everything (the program, the unit tests,
# the same tests under AddressSanitizer and UBSan, the end-to-end tests) and
# runs the whole suite, ending with ctest's summary.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$here"

scripts/ensure_packages.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"

# The archive fuzzer and the state-loader fuzzer run for a short, bounded
# time each (clang's libFuzzer).
for fuzz in tests/archive/fuzz/run_fuzzer.sh tests/shell/fuzz/run_fuzzer.sh; do
  if [ -x "$fuzz" ]; then
    "$fuzz"
  fi
done

cd build
ctest --output-on-failure -j"$(nproc)"
