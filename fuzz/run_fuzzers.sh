#!/usr/bin/env bash
# Builds the fuzz targets with libFuzzer (Clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a while.
#
# usage: fuzz/run_fuzzers.sh [SECONDS_PER_TARGET] [TARGET...]
#
# Each target starts from its seed corpus in fuzz/corpus/<target>/ and
# writes what it finds to scratch/fuzz/<target>/ (never into the seeds).
# Prints, per target, the executions and whether it crashed; a crash leaves
# its input and log in scratch/fuzz/<target>/ and makes the script exit 1.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("${@:-manifest_fuzzer manifest_ucl_fuzzer package_fuzzer}")
read -r -a targets <<<"${targets[*]}"

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZPS_FUZZ=ON -DZPS_SANITIZE=address,undefined -DZPS_BUILD_BENCHMARKS=OFF \
  >/dev/null || exit 2
cmake --build build-fuzz --target "${targets[@]}" >/dev/null || exit 2

failed=0
for target in "${targets[@]}"; do
  work="scratch/fuzz/$target"
  mkdir -p "$work/corpus"
  (cd "$work" && "../../../build-fuzz/fuzz/$target" -max_total_time="$seconds" \
     -print_final_stats=1 corpus "../../../fuzz/corpus/$target" >log.txt 2>&1)
  status=$?
  execs=$(grep -o 'number_of_executed_units: *[0-9]*' "$work/log.txt" | grep -o '[0-9]*$')
  if ((status != 0)); then
    echo "$target: ${execs:-?} execs, CRASH (status $status, see $work/log.txt)"
    failed=1
  else
    echo "$target: ${execs:-?} execs, no crash"
  fi
done
exit $failed
