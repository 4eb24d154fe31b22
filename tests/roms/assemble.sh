#!/usr/bin/env bash
# Assembles one test cartridge: assemble.sh SOURCE.s OUTPUT.gb
# sdasgb makes the object file, sdldgb links it into Intel hex, and makebin
# writes the 32 KiB image.
set -euo pipefail
source=$1 output=$2
work="${output%.gb}.work"
mkdir -p "$work"
name=$(basename "${source%.s}")
sdasgb -I"$(dirname "$source")" -I"$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)" -o "$work/$name.rel" "$source"
sdldgb -n -i "$work/$name.ihx" "$work/$name.rel" >/dev/null
makebin -s 32768 "$work/$name.ihx" "$output"
