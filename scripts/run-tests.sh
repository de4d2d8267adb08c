#!/usr/bin/env bash
# Installs the Debian packages that are missing, builds everything with AddressSanitizer +
# UndefinedBehaviorSanitizer and -Werror, runs every test through CTest, then checks the format of
# the changed C++ files. Fails when a test fails or a changed file is not formatted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
quillon_need_packages "${quillon_test_packages[@]}"

build=${QUILLON_TEST_BUILD:-$root/build-tests}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUILLON_SANITIZE=ON -DQUILLON_WERROR=ON -DQUILLON_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j "${QUILLON_JOBS:-$(nproc)}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
test_status=0
(cd "$build" && ctest --output-on-failure -j "${QUILLON_JOBS:-2}" --timeout 300) || test_status=$?

format_status=0
bash "$root/scripts/check-format.sh" || format_status=$?
[ "$test_status" -eq 0 ] && [ "$format_status" -eq 0 ]
