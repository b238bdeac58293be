#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and runs
# every test twice: a GCC debug build with warnings as errors, and a Clang
# build under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== clang-format" >&2
git ls-files '*.cc' '*.h' | xargs clang-format --dry-run --Werror

run_suite() {
  local dir=$1
  shift
  echo "== configure ${dir}" >&2
  cmake -S . -B "${dir}" -G Ninja -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "$@" >/dev/null
  echo "== build ${dir}" >&2
  cmake --build "${dir}" -j "${jobs}"
  echo "== test ${dir}" >&2
  ctest --test-dir "${dir}" --output-on-failure -j "${jobs}" --timeout 600
}

CXX=g++ run_suite build-ci-gcc -DCMAKE_BUILD_TYPE=Debug
CXX=clang++ run_suite build-ci-asan -DCMAKE_BUILD_TYPE=Debug \
  -DZPS_SANITIZE=address,undefined -DZPS_BUILD_BENCHMARKS=OFF
