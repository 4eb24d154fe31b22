#!/usr/bin/env bash
# Assembles one cartridge of our own (the demo, a test cartridge):
#   assemble_cartridge.sh SOURCE.s OUTPUT.gb
# sdasgb makes the object file, sdldgb links it into Intel hex, and makebin
# writes the 32 KiB image. Includes are found beside the source and beside
# this script (gb.inc).
set -euo pipefail
source=$1 output=$2
work="${output%.gb}.work"
mkdir -p "$work"
name=$(basename "${source%.s}")
sdasgb -I"$(dirname "$source")" -I"$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)" -o "$work/$name.rel" "$source"
sdldgb -n -i "$work/$name.ihx" "$work/$name.rel" >/dev/null
makebin -s 32768 "$work/$name.ihx" "$output"
