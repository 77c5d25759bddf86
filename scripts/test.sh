#!/usr/bin/env bash
# Builds everything and runs the whole test suite, then once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, then every fuzz target for a bounded time (GORVA_FUZZ_SECONDS each,
# default 60; GORVA_SKIP_FUZZ=1 leaves them out).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j"$(nproc)")

# The same module built against the application's own SDK (GORVA_LXSDK_DIR, by default the shared
# copy beside the checkout): the bundled files must be the SDK's, the suite must pass on that
# build, and the demo must write the same files byte for byte with both builds.
lxsdk=${GORVA_LXSDK_DIR:-$root/../shared/lxsdk}
if [[ -d $lxsdk/include && -d $lxsdk/common ]]; then
  "$root/scripts/check_sdk_subset.sh" "$lxsdk"
  "$root/scripts/build.sh" "$root/build-lxsdk" -DLXSDK_DIR="$lxsdk" -DGORVA_BUILD_BENCH=OFF
  (cd "$root/build-lxsdk" && ctest --output-on-failure -j"$(nproc)")
  # Both into the same folder in turn: the dump's messages name the files they wrote.
  demos=$(mktemp -d)
  "$root/build/app/gorva" demo --out "$demos/out" >/dev/null
  mv "$demos/out" "$demos/bundled"
  "$root/build-lxsdk/app/gorva" demo --out "$demos/out" >/dev/null
  diff -r "$demos/bundled" "$demos/out"
  echo "demo: the same $(ls "$demos/bundled" | wc -l) files from both builds"
  rm -rf "$demos"
else
  echo "no application SDK at $lxsdk: the build against it is skipped (set GORVA_LXSDK_DIR)"
fi

# The Windows module, cross-compiled with mingw-w64 and loaded under Wine (GORVA_SKIP_WINDOWS=1
# leaves it out).
if [[ "${GORVA_SKIP_WINDOWS:-0}" != 1 ]]; then
  "$root/scripts/check_windows.sh" "$root/build-win"
fi

if [[ "${GORVA_SKIP_SANITIZERS:-0}" != 1 ]]; then
  "$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DGORVA_SANITIZE=ON -DGORVA_BUILD_BENCH=OFF
  (cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions="$root/tests/lsan.supp":print_suppressions=0 ctest --output-on-failure -j"$(nproc)")
fi

if [[ "${GORVA_SKIP_FUZZ:-0}" != 1 ]]; then
  "$root/scripts/fuzz.sh" "${GORVA_FUZZ_SECONDS:-60}"
fi
