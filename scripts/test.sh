#!/usr/bin/env bash
# Builds everything and runs the whole test suite, then once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, then every fuzz target for a bounded time (GORVA_FUZZ_SECONDS each,
# default 60; GORVA_SKIP_FUZZ=1 leaves them out).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j"$(nproc)")

if [[ "${GORVA_SKIP_SANITIZERS:-0}" != 1 ]]; then
  "$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DGORVA_SANITIZE=ON -DGORVA_BUILD_BENCH=OFF
  (cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" ctest --output-on-failure -j"$(nproc)")
fi

if [[ "${GORVA_SKIP_FUZZ:-0}" != 1 ]]; then
  "$root/scripts/fuzz.sh" "${GORVA_FUZZ_SECONDS:-60}"
fi
