#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for a
# bounded time on a fresh copy of its seed corpus (fuzz/corpus/<name>), with
# the saved inputs of earlier findings (tests/data/fuzz/<name>) replayed first.
# Fails when any target crashes, leaks, times out or breaks an invariant.
#
#   scripts/fuzz.sh                 every target, 60 s each
#   FUZZ_SECONDS=300 scripts/fuzz.sh pcx codepage
#
# Environment: FUZZ_SECONDS (per target, default 60), FUZZ_BUILD_DIR (default
# build/fuzz), FUZZ_TIMEOUT (seconds one input may take, default 10).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${FUZZ_SECONDS:-60}
timeout=${FUZZ_TIMEOUT:-10}
build=${FUZZ_BUILD_DIR:-build/fuzz}
all_targets=(quote_record number text codepage canvas_picture pcx)
if [[ $# -gt 0 ]]; then
  targets=("$@")
else
  targets=("${all_targets[@]}")
fi
for t in "${targets[@]}"; do
  [[ " ${all_targets[*]} " == *" $t "* ]] || { echo "Unknown fuzz target: $t" >&2; exit 2; }
done

./scripts/install-deps.sh --fuzz

cmake -S . -B "$build" -G Ninja \
  -DCMAKE_CXX_COMPILER=clang++ \
  -DBRINDLOW_FUZZ=ON -DBRINDLOW_BUILD_TESTS=OFF -DBRINDLOW_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}" -j "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/support/lsan.supp:print_suppressions=0}

run_dir="$build/fuzz-run"
summary=()
failed=()
for t in "${targets[@]}"; do
  work="$run_dir/$t"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  cp fuzz/corpus/"$t"/* "$work/corpus/"
  corpora=("$work/corpus")
  # libFuzzer adds new inputs to the first folder only; the others are read.
  if compgen -G "tests/data/fuzz/$t/*" >/dev/null; then corpora+=("tests/data/fuzz/$t"); fi

  echo "=== fuzz_$t: ${seconds}s"
  status=0
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/" "${corpora[@]}" \
    >"$work/log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$work/log" | tail -1)
  if [[ $status -eq 0 ]]; then
    summary+=("fuzz_$t: clean, ${runs:-?} runs in ${took:-?} s")
  else
    summary+=("fuzz_$t: FAILED (status $status), see $work/log; inputs in $work/artifacts/")
    failed+=("$t")
    tail -n 40 "$work/log"
  fi
done

echo
printf '%s\n' "${summary[@]}"
[[ ${#failed[@]} -eq 0 ]]
