#!/usr/bin/env bash
# Assembles one cartridge of our own (the demo, a test cartridge):
#   assemble_cartridge.sh SOURCE.s OUTPUT.gb
# sdasgb makes the object file, sdldgb links it into Intel hex, makebin
# writes the 32 KiB image, and the header checksum the console's start-up
# checks goes in at 0x14D. Includes are found beside the source and beside
# this script (gb.inc).
set -euo pipefail
source=$1 output=$2
work="${output%.gb}.work"
mkdir -p "$work"
name=$(basename "${source%.s}")
sdasgb -I"$(dirname "$source")" -I"$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)" -o "$work/$name.rel" "$source"
sdldgb -n -i "$work/$name.ihx" "$work/$name.rel" >/dev/null
makebin -s 32768 "$work/$name.ihx" "$output"

# The header checksum: from 0, each byte of 0x134-0x14C and 1 more
# subtracted, the low 8 bits kept.
sum=0
for byte in $(od -An -v -tu1 -j $((0x134)) -N 25 "$output"); do
  sum=$(( (sum - byte - 1) & 0xFF ))
done
printf "$(printf '\\%03o' "$sum")" | dd of="$output" bs=1 seek=$((0x14D)) conv=notrunc status=none
