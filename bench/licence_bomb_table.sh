#!/usr/bin/env bash
# Peak memory and time of the tool on licence-bomb repositories at several
# job counts, through farm-bench (medians of RUNS runs).
#
# usage: bench/licence_bomb_table.sh TOOL RUNS REPO... 
#   e.g. bench/licence_bomb.py /tmp/bomb4 --packages 4
#        bench/licence_bomb_table.sh build-rel/zelkor-pkg-sign 3 /tmp/bomb4
# JOBS (default "1 2 4 8") names the job counts.
set -euo pipefail
tool=$1
runs=$2
shift 2
for repo in "$@"; do
  for jobs in ${JOBS:-1 2 4 8}; do
    echo "== ${repo} -j ${jobs}"
    farm-bench -n "${runs}" --warmup 0 --timeout 900 -- "${tool}" "${repo}" \
      -j "${jobs}" --sbom-spdx /dev/null -o /dev/null 2>&1 |
      grep -E 'wall|peak' || true
  done
done
