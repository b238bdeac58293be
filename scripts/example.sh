#!/usr/bin/env bash
# Installs what is missing, builds the tool, and prints the checksum list of
# the example repository in examples/repo.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DZPS_BUILD_TESTS=OFF -DZPS_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-release >/dev/null
build-release/zelkor-pkg-sign examples/repo
