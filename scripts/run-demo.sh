#!/usr/bin/env bash
# Builds Quillon, puts the demo workspace beside the executable (never overwriting what a user
# already has there) and starts the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLON_BUILD:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "${QUILLON_JOBS:-2}"
bin="$build/bin"
cp -rn "$root/demo/." "$bin/"
exec "$bin/quillon" "$@"
