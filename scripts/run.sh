#!/bin/sh
# Builds the program (installing what is missing) and starts it.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
cmake -S "$top" -B "$top/build/release" -DCMAKE_BUILD_TYPE=Release \
      -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build/release" -j"$(nproc)"
exec "$top/build/release/bin/Vimblor"
