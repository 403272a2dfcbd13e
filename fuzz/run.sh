#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) in build/fuzz
# and runs each for SECONDS_PER_TARGET seconds (default 60) with a fixed
# seed. Exits non-zero on any finding; the input is then in
# build/fuzz/artifacts/. Prints the executions of each target.
#
#   fuzz/run.sh [SECONDS_PER_TARGET]
#
# Before fuzzing, every target runs once over its seed files (fuzz/corpus/,
# tests/fixtures/fuzz/): earlier findings stay fixed.
#
# A longer developer run, e.g. an hour per target with both cores and the
# corpus kept between runs in build/fuzz/corpus/:
#   TOVRA_FUZZ_JOBS=2 TOVRA_FUZZ_SEED=0 fuzz/run.sh 3600
# (TOVRA_FUZZ_SEED=0 lets libFuzzer pick a new seed each run; a finding is
# replayed with build/fuzz/fuzz/tovra_fuzz_<target> <artifact file>.)
set -euo pipefail

seconds=${1:-60}
jobs=${TOVRA_FUZZ_JOBS:-1}
seed=${TOVRA_FUZZ_SEED:-20240611}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz

mkdir -p "$build/artifacts" "$build/logs"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOVRA_FUZZ=ON -DTOVRA_TESTS=OFF -DTOVRA_BENCH=OFF >"$build/logs/configure.log" 2>&1 ||
  { cat "$build/logs/configure.log"; exit 1; }
cmake --build "$build" --target tovra_fuzz_read tovra_fuzz_roundtrip -j 2 >"$build/logs/build.log" 2>&1 ||
  { cat "$build/logs/build.log"; exit 1; }

status=0
cd "$build/logs"  # -jobs leaves its worker logs in the current directory
for target in read roundtrip; do
  exe=$build/fuzz/tovra_fuzz_$target
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  seeds=()
  for d in "$root/fuzz/corpus/$target" "$root/tests/fixtures/fuzz/$target"; do
    [ -d "$d" ] && seeds+=("$d")
  done
  opts=(-seed="$seed" -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-"
        -timeout=10 -rss_limit_mb=2048)
  opts+=(-max_len=4096)
  [ "$target" = read ] && opts+=(-dict="$root/fuzz/read.dict")
  log=$build/logs/$target.log

  # The seed files once, as a regression run.
  files=()
  for d in "${seeds[@]}"; do
    while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$d" -type f -print0 | sort -z)
  done
  if [ ${#files[@]} -gt 0 ] && ! "$exe" "${opts[@]}" "${files[@]}" >"$log.seeds" 2>&1; then
    tail -n 40 "$log.seeds"
    echo "$target: FINDING in the seed files (log: $log.seeds)"
    status=1
    continue
  fi

  if [ "$jobs" -gt 1 ]; then
    opts+=(-jobs="$jobs" -workers="$jobs")
  fi
  if "$exe" "${opts[@]}" -max_total_time="$seconds" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    result=ok
  else
    result=FINDING
    status=1
    tail -n 40 "$log"
  fi
  [ "$jobs" -gt 1 ] && cat fuzz-*.log >>"$log" 2>/dev/null && rm -f fuzz-*.log
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | awk '{s += $2} END {print s + 0}')
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*' "$log" | tail -n 1)
  echo "$target: $result, $runs executions in ${seconds}s ($cov) (log: $log)"
done
exit $status
