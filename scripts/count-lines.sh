#!/bin/sh
# Prints the non-blank lines of product code and of test code and their
# ratio. Product code: *.cc, *.h, *.py, *.sh under the product folders,
# without *_test.cc and the generated Streebog tables. Test code: every
# *_test.cc and the code under testutil/, e2e/ and fuzz/. Data (case files,
# golden outputs, fixtures, corpora) is not code. Counts the files git
# knows of, committed or not.
set -eu
cd "$(dirname "$0")/.."
files=$(git ls-files --cached --others --exclude-standard |
  grep -E '\.(cc|h|py|sh)$' | grep -v -E '(^|/)(data|golden|corpus|cases)/' |
  while read -r f; do [ -f "$f" ] && printf '%s\n' "$f"; done)
nonblank() { xargs -r cat | grep -c -v -E '^[[:space:]]*$' || true; }
code=$(printf '%s\n' "$files" |
  grep -E '^(base|cli|packages|provenance|sbom|streebog)/' |
  grep -v -E '_test\.cc$|tables' | nonblank)
tests=$(printf '%s\n' "$files" | grep -E '_test\.cc$|^(testutil|e2e|fuzz)/' |
  nonblank)
awk -v c="$code" -v t="$tests" 'BEGIN {
  printf "product code %d lines, tests %d lines, ratio %.2f\n", c, t, t / c }'
