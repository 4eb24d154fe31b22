#!/usr/bin/env bash
# Builds the release binary, the demo cartridge build/demo.gb, the libretro
# core build/pellix_libretro.so and what installing them takes (installing
# what is missing) and runs the program with the given arguments in the
# caller's working directory. `./run.sh --package` makes the Debian package
# build/pellix_<version>_<architecture>.deb instead, and prints its path.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

package=false
if [ "${1:-}" = "--package" ]; then
  [ $# -eq 1 ] || { echo "run.sh: --package takes no other arguments" >&2; exit 2; }
  package=true
fi

"$here/scripts/ensure_packages.sh" >&2
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$here/build" --target pellix demo pellix_libretro pellix_data -j"$(nproc)" >/dev/null
if $package; then
  cd "$here/build"
  cpack -G DEB | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p'
  exit "${PIPESTATUS[0]}"
fi
exec "$here/build/pellix" "$@"
