#!/usr/bin/env bash
# Builds the fuzz targets with libFuzzer (Clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a while, two at a time.
#
# usage: fuzz/run_fuzzers.sh [SECONDS_PER_TARGET] [TARGET...]
#
# Each target starts from its seed corpus in fuzz/corpus/<target>/ and
# writes what it finds to scratch/fuzz/<target>/ (never into the seeds).
# Prints, per target, the executions, the coverage (edges and features) and
# whether it crashed; a crash leaves its input in scratch/fuzz/ and makes
# the script exit 1.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(manifest_fuzzer package_fuzzer sbom_fuzzer streebog_fuzzer)
fi

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZPS_FUZZ=ON -DZPS_SANITIZE=address,undefined -DZPS_BUILD_BENCHMARKS=OFF \
  >/dev/null || exit 2
cmake --build build-fuzz --target "${targets[@]}" >/dev/null || exit 2

run_one() {
  local target=$1
  local work="scratch/fuzz/$target"
  mkdir -p "$work/corpus"
  (cd "$work" && "../../../build-fuzz/fuzz/$target" -max_total_time="$seconds" \
     -print_final_stats=1 corpus "../../../fuzz/corpus/$target" \
     >log.txt 2>&1)
  local status=$?
  local execs cov ft
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log.txt" |
          grep -o '[0-9]*$')
  cov=$(grep -o 'cov: [0-9]*' "$work/log.txt" | tail -n 1 | grep -o '[0-9]*')
  ft=$(grep -o 'ft: [0-9]*' "$work/log.txt" | tail -n 1 | grep -o '[0-9]*')
  local verdict="no crash"
  if ((status != 0)); then
    verdict="CRASH (status $status, see $work/log.txt)"
  fi
  printf '%-20s %10s execs  cov %6s  ft %7s  %s\n' "$target" "${execs:-?}" \
    "${cov:-?}" "${ft:-?}" "$verdict"
  return $status
}

failed=0
pids=()
for target in "${targets[@]}"; do
  run_one "$target" &
  pids+=($!)
  if ((${#pids[@]} == 2)); then
    wait "${pids[0]}" || failed=1
    pids=("${pids[1]}")
  fi
done
for pid in "${pids[@]}"; do
  wait "$pid" || failed=1
done
exit $failed
