#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and runs
# every test twice: a GCC debug build with warnings as errors, and a Clang
# build under AddressSanitizer and UndefinedBehaviorSanitizer; then the
# tests that run work on several threads once more, in a Clang build under
# ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== clang-format" >&2
git ls-files '*.cc' '*.h' | xargs clang-format --dry-run --Werror

# run_suite DIR [CMAKE_ARGS...]; TARGETS and TESTS (a ctest -R pattern)
# narrow the build and the tests when set.
run_suite() {
  local dir=$1
  shift
  echo "== configure ${dir}" >&2
  cmake -S . -B "${dir}" -G Ninja -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "$@" >/dev/null
  echo "== build ${dir}" >&2
  # shellcheck disable=SC2086 # TARGETS is a list of words
  cmake --build "${dir}" -j "${jobs}" ${TARGETS:+--target ${TARGETS}}
  echo "== test ${dir}" >&2
  ctest --test-dir "${dir}" --output-on-failure -j "${jobs}" --timeout 600 \
    ${TESTS:+-R "${TESTS}"}
}

CXX=g++ run_suite build-ci-gcc -DCMAKE_BUILD_TYPE=Debug
CXX=clang++ run_suite build-ci-asan -DCMAKE_BUILD_TYPE=Debug \
  -DZPS_SANITIZE=address,undefined -DZPS_BUILD_BENCHMARKS=OFF
CXX=clang++ TARGETS="base_test e2e_test zelkor-pkg-sign" \
  TESTS="RunOrdered|parallel_|provenance_every_rule|ports_real_|verify_|vuxml_bounds" \
  run_suite build-ci-tsan -DCMAKE_BUILD_TYPE=Debug -DZPS_SANITIZE=thread \
  -DZPS_BUILD_BENCHMARKS=OFF
