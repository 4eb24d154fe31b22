#!/usr/bin/env bash
# Builds the release binary, the demo cartridge build/demo.gb and the
# libretro core build/pellix_libretro.so (installing what is missing) and
# runs the program with the given arguments in the caller's working
# directory.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

"$here/scripts/ensure_packages.sh" >&2
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$here/build" --target pellix demo pellix_libretro -j"$(nproc)" >/dev/null
exec "$here/build/pellix" "$@"
