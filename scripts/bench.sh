#!/usr/bin/env bash
# Builds an optimised tree and runs the benchmark suite: scripts/bench.sh [OUT.json] [benchmark options]
# Prints every result and its ratio to the raw baseline of its element kind, and writes the figures
# as JSON (bench-results.json by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-bench-results.json}
shift || true
"$root/scripts/build.sh" "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DGORVA_BUILD_TESTS=OFF >&2
exec "$root/build-bench/bench/gorva_bench" --gorva_json="$out" "$@"
