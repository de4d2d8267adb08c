#!/usr/bin/env bash
# Builds the fault soak (Debug, AddressSanitizer + UndefinedBehaviorSanitizer) with the simulator
# and runs it offscreen. Usage:
#   tests/soak/run-fault-soak.sh [BUILD_DIR] [--minutes N] [--rounds N] [--faults SPEC] [--seed N]
# BUILD_DIR defaults to build-soak in the repository; the options go to fault_soak unchanged.
# The exit status is the soak's: 0 every goal met, 1 a goal missed, 3 the watchdog ended a hang,
# anything else a crash (the sanitizer's report is on stderr).
set -euo pipefail
# Another soak program of tests/soak may be named here (run-wrong-value-soak.sh does).
program=${QUILLON_SOAK_PROGRAM:-fault_soak}
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
cmake --build "$build" -j "${QUILLON_JOBS:-2}" --target "$program" quillon-sim

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$build/bin/$program" "$@"
