#!/usr/bin/env bash
# Prints the table RecordedOutputs of tests/e2e/same_output_test.cpp: the
# hashes of every output of the carried cartridges (tests/cartridges) as the
# given pellix binary makes them, for the runs this tree's tests list.
#
#   tests/print_output_hashes.sh PELLIX [E2E_TESTS]
#
# PELLIX is the binary whose outputs are recorded (build/pellix, or another
# build's); E2E_TESTS is this tree's test program (default
# build/tests/e2e_tests). Paste the lines in place of the table's.
set -euo pipefail
[ $# -ge 1 ] || { sed -n '2,11p' "$0"; exit 2; }
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
binary="$(realpath "$1")"
tests="${2:-$here/build/tests/e2e_tests}"
[ -x "$binary" ] || { echo "print_output_hashes.sh: $1: not an executable" >&2; exit 2; }
[ -x "$tests" ] || { echo "print_output_hashes.sh: $tests: build the tests first" >&2; exit 2; }
PELLIX_RECORD_FROM="$binary" "$tests" --gtest_filter='*SameOutput.*' | sed -n 's/^RECORD //p'
