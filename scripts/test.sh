#!/usr/bin/env bash
# Builds and runs every test: the fuzz targets for a bounded time, the tests without a display
# under AddressSanitizer and UndefinedBehaviorSanitizer (built with the fuzz targets, with
# clang), then the whole suite as shipped (its summary is the last thing printed).
# FUZZ_SECONDS sets each fuzzer's time (default 10).
#   scripts/test.sh shipped             the suite as shipped alone, without building the
#                                       benchmarks: what a second release proves
#   scripts/test.sh windows-sanitized   the window tests under the sanitizers (some eight
#                                       minutes more, which CI's time does not have): run it
#                                       after a change to how windows, pages or downloads end
set -euo pipefail
cd "$(dirname "$0")/.."

shipped() {  # whether the benchmarks are built too
  echo "== The suite"
  cmake -S . -B build -G Ninja -DDELVARONTE_BUILD_BENCH="$1" >/dev/null
  cmake --build build
  ctest --test-dir build --output-on-failure -j2
}
# Leaks are checked in the tests without a display; GTK and WebKit keep caches for the life
# of a process, which the leak checker would report from the window tests.
sanitized() {  # build folder, label, leak checking
  local log
  log=$(mktemp)
  if ! ASAN_OPTIONS=detect_leaks=$3 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir "$1" -L "$2" -j2 --output-on-failure >"$log" 2>&1; then
    cat "$log"
    exit 1
  fi
  grep 'tests passed' "$log" | sed 's/^/sanitized: /'
  rm -f "$log"
}
if [[ "${1:-}" == windows-sanitized ]]; then
  echo "== The window tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  cmake -S . -B build-asan -G Ninja -DDELVARONTE_SANITIZE=ON >/dev/null
  cmake --build build-asan >/dev/null
  sanitized build-asan gui 0
  exit
fi
if [[ "${1:-}" == shipped ]]; then
  shipped OFF
  exit
fi

# The suite's size against the code's: a suite that grows back past a third fails the run.
scripts/test-ratio.sh

echo "== Fuzzing (libFuzzer)"
# The same build gives the tests without a display, under the same sanitizers.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DDELVARONTE_FUZZ=ON -DDELVARONTE_BUILD_TESTS=ON >/dev/null
cmake --build build-fuzz --target fuzz_config fuzz_cipher fuzz_manifest fuzz_navigation \
  unit_tests >/dev/null
for target in config cipher manifest navigation; do
  work=$(mktemp -d)
  if ! build-fuzz/tests/fuzz/fuzz_$target -max_total_time="${FUZZ_SECONDS:-10}" \
      -artifact_prefix="$work/" "$work" "tests/fuzz/corpus/$target" >"$work/log" 2>&1; then
    tail -n 40 "$work/log"
    echo "fuzz_$target found a failure; the input is in $work" >&2
    exit 1
  fi
  echo "fuzz_$target: $(grep -o 'Done [0-9]* runs' "$work/log")"
  rm -rf "$work"
done

echo "== The tests without a display under AddressSanitizer and UndefinedBehaviorSanitizer"
sanitized build-fuzz unit 1

shipped ON
