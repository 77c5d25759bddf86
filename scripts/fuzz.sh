#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# each one for SECONDS (default 600) from its seed corpus: scripts/fuzz.sh [SECONDS]
#   GORVA_FUZZ_BUILD   build folder (default build-fuzz)
#   GORVA_FUZZ_TARGETS targets to run (default: all five)
# Corpora grow in BUILD/corpus/TARGET; a finding is written to BUILD/findings/ and fails the script.
# Prints, per target, the executions it made.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
dir=${GORVA_FUZZ_BUILD:-$root/build-fuzz}
targets=(${GORVA_FUZZ_TARGETS:-obj_reader gltf_reader script commands tools})

"$root/scripts/setup.sh"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGORVA_FUZZ=ON \
  -DGORVA_BUILD_TESTS=OFF -DGORVA_BUILD_BENCH=OFF -DGORVA_BUILD_APP=OFF "${launcher[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Extra seeds beside each target's own corpus: the demo scenes and scripts.
declare -A extra=([obj_reader]="$root/examples" [script]="$root/examples/scripts")
declare -A dict=([obj_reader]="$root/fuzz/dict/obj.dict" [gltf_reader]="$root/fuzz/dict/gltf.dict"
                 [script]="$root/fuzz/dict/script.dict")

mkdir -p "$dir/findings"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$dir/corpus/$t"
  log="$dir/fuzz_$t.log"
  options=(-max_total_time="$seconds" -timeout=30 -rss_limit_mb=3072 -max_len=8192 -print_final_stats=1
           -artifact_prefix="$dir/findings/$t-")
  [[ -n "${dict[$t]:-}" ]] && options+=(-dict="${dict[$t]}")
  seeds=("$root/fuzz/corpus/$t")
  [[ -n "${extra[$t]:-}" ]] && seeds+=("${extra[$t]}")
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" \
     "$dir/fuzz/fuzz_$t" "${options[@]}" "$dir/corpus/$t" "${seeds[@]}" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "fuzz_$t: ${runs:-?} executions in ${seconds} s, no finding"
  else
    echo "fuzz_$t: FINDING (log: $log; input in $dir/findings/)" >&2
    grep -m1 -E "FINDING|ERROR: |runtime error|SUMMARY" "$log" >&2 || tail -20 "$log" >&2
    status=1
  fi
done
exit $status
