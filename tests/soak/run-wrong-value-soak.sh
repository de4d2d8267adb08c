#!/usr/bin/env bash
# Builds the "never a wrong value" soak (Debug, AddressSanitizer + UndefinedBehaviorSanitizer)
# with the simulator and runs it. Usage:
#   tests/soak/run-wrong-value-soak.sh [BUILD_DIR] [--minutes N]
# BUILD_DIR defaults to build-soak in the repository; --minutes (default 10) is shared out over
# the nine fault kinds. The exit status is the soak's: 0 nothing wrong was taken, 1 a wrong value
# or a differing file was taken (or a kind brought nothing at all), 2 a start failed, anything
# else a crash (the sanitizer's report is on stderr).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-soak
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
  build=$1
  shift
fi

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON -DQUILLON_WERROR=ON \
  -DQUILLON_SOAK=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j "${QUILLON_JOBS:-2}" --target wrong_value_soak quillon-sim

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$build/bin/wrong_value_soak" "$@"
