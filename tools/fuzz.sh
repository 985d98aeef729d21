#!/usr/bin/env bash
# tools/fuzz.sh [SECONDS] [TARGET...]: builds the libFuzzer targets of every reader of outside
# data with clang in build/fuzz and runs each for SECONDS (default 60), printing each target's
# executions and result. FUZZ_RUNS=N stops a target after N executions instead (SECONDS then
# only bounds it). Each run starts from the committed seeds and the inputs that once broke the
# target (tests/fuzz/corpus, tests/fuzz/regressions) and keeps what it finds in build/fuzz;
# an input that breaks a target is saved there as crash-*, and the script fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash tools/setup.sh

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(brain_fuzz rec_fuzz profile_fuzz bmp_fuzz mask2_fuzz)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]}" >/dev/null

out=build/fuzz/runs
failed=0
for target in "${targets[@]}"; do
  work=$out/$target
  mkdir -p "$work/corpus"
  corpora=("$work/corpus" "tests/fuzz/corpus/$target")
  [ -d "tests/fuzz/regressions/$target" ] && corpora+=("tests/fuzz/regressions/$target")
  limit=(-max_total_time="$seconds")
  [ -z "${FUZZ_RUNS:-}" ] || limit+=(-runs="$FUZZ_RUNS")
  started=$(date +%s)
  if "build/fuzz/tests/fuzz/$target" "${limit[@]}" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$work/" "${corpora[@]}" >"$work/log" 2>&1; then
    result=ok
  else
    result="FAILED (see $work/log)"
    failed=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
  printf '%-13s %12s executions in %4ss  %s\n' "$target" "${runs:-?}" \
    "$(($(date +%s) - started))" "$result"
  if [ "$result" != ok ]; then grep -E 'ERROR|property failed|SUMMARY' "$work/log" | head -n 5 || true; fi
done
exit $failed
