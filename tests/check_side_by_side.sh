#!/usr/bin/env bash
# A program outside the project builds on machine/machine.h alone: the
# example is compiled as the README shows, against the machine library and
# zlib only, and runs two cartridges side by side.
#   check_side_by_side.sh COMPILER SOURCE_ROOT MACHINE_LIBRARY CARTRIDGES WORK_FOLDER
set -eu
compiler=$1 root=$(realpath "$2") library=$(realpath "$3") roms=$(realpath "$4") work=$5
mkdir -p "$work"
cd "$work"
"$compiler" -std=c++17 -I "$root" "$root/examples/side_by_side.cpp" "$library" -lz -lpthread -o side_by_side
./side_by_side "$roms/cpu_instrs/cpu_instrs.gb" "$roms/homebrew/geometrix.gbc" 600 both.ppm > serial.txt
cat serial.txt
grep -q '^CPU_INSTRS: ' serial.txt && grep -q '01:ok  02:ok' serial.txt && grep -q '^GEOMETRIX: ' serial.txt
# Two pictures of 160x144 side by side.
[ "$(head -n 1 both.ppm)" = "P6 320 144 255" ]
[ "$(wc -c < both.ppm)" -eq $((15 + 320 * 144 * 3)) ]
