#!/usr/bin/env bash
# Installs what is missing, checks the formatting, then builds and runs
# every test twice: a GCC debug build with warnings as errors, and a Clang
# build under AddressSanitizer and UndefinedBehaviorSanitizer; then the
# tests that run work on several threads once more, in a Clang build under
# ThreadSanitizer; and, where ../shared and a clang 16 or newer are there,
# checks that every unit compiles against FreeBSD's headers.
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

# The FreeBSD check compiles each unit with FreeBSD 14.2's headers and C++
# library (syntax only); it needs a clang that knows that libc++.
freebsd_check=../shared/tools/freebsd-check/check-freebsd
have_clang16=false
for cxx in clang++-19 clang++-18 clang++-17 clang++-16 clang++; do
  version=$("${cxx}" --version 2>/dev/null | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
  if [[ -n ${version} ]] && ((version >= 16)); then
    have_clang16=true
    break
  fi
done
if [[ -x ${freebsd_check} ]] && ${have_clang16}; then
  echo "== FreeBSD compile check" >&2
  # The kit holds no expat (on FreeBSD the port textproc/expat2 installs it
  # in /usr/local/include); Debian's headers of it are plain portable C and
  # stand in for them, as the kit's own RapidJSON and GoogleTest do.
  expat_dir=$(mktemp -d)
  trap 'rm -rf "${expat_dir}"' EXIT
  cp /usr/include/expat.h /usr/include/expat_external.h "${expat_dir}/"
  "${freebsd_check}" --cmake-arg "-DCMAKE_CXX_FLAGS=-isystem ${expat_dir}" .
else
  echo "== FreeBSD compile check skipped: needs ${freebsd_check} and clang 16 or newer" >&2
fi
