#!/usr/bin/env bash
# Installs the Debian packages that are missing, builds everything with AddressSanitizer +
# UndefinedBehaviorSanitizer and -Werror, runs every test through CTest, runs each fuzz target a
# few seconds, then checks the format of the changed C++ files and the shape of the tree (layers,
# sizes). Fails when a test fails, a fuzz target crashes, a changed file is not formatted or an
# include runs against the layers.
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
# Three at a time on two cores: the line sweeps (scheduled first) and many link tests mostly wait
# on time-outs, so a third slot keeps the processors busy.
(cd "$build" && ctest --output-on-failure -j "${QUILLON_TEST_JOBS:-3}" --timeout 300) || test_status=$?

# Fuzz smoke: every fuzz target (clang, libFuzzer) runs a few seconds from its seed corpus,
# copied so that the inputs it finds stay out of the repository. Any crash fails the run.
fuzz_smoke() {
  local fuzz_build=${QUILLON_FUZZ_BUILD:-$root/build-fuzz} corpus target status=0
  cmake -S "$root" -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS_RELEASE="-O1 -g" -DCMAKE_CXX_FLAGS_RELEASE="-O1 -g" \
    -DQUILLON_FUZZ=ON -DQUILLON_BUILD_APP=OFF -DQUILLON_BUILD_TESTS=OFF >/dev/null || return 1
  # Called behind "||", where errexit no longer applies: each step checks its own status.
  cmake --build "$fuzz_build" -j "${QUILLON_JOBS:-$(nproc)}" --target fuzz_all || return 1
  corpus=$(mktemp -d)
  for target in "$root"/fuzz/corpus/*/; do
    target=$(basename "$target")
    cp -r "$root/fuzz/corpus/$target" "$corpus/$target"
    echo "Fuzzing $target for 5 s"
    "$fuzz_build/bin/fuzz_$target" -max_total_time=5 -timeout=10 -artifact_prefix="$corpus/$target-" \
      "$corpus/$target" >"$corpus/$target.log" 2>&1 || {
      status=1
      echo "fuzz_$target failed:" >&2
      tail -n 60 "$corpus/$target.log" >&2
    }
  done
  rm -rf "$corpus"
  return "$status"
}
fuzz_status=0
fuzz_smoke || fuzz_status=$?

format_status=0
bash "$root/scripts/check-format.sh" || format_status=$?
# Includes follow the layer order of docs/ARCHITECTURE.md; files and functions keep their sizes.
structure_status=0
python3 "$root/scripts/check-structure.py" || structure_status=$?
[ "$test_status" -eq 0 ] && [ "$fuzz_status" -eq 0 ] && [ "$format_status" -eq 0 ] && [ "$structure_status" -eq 0 ]
