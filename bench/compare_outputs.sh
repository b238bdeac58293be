#!/bin/sh
# Checks that two builds of the tool give the same bytes on the same
# repositories: bench/compare_outputs.sh OLD NEW DIR... runs each binary
# with -v, -o, --sbom-spdx and --sbom-cyclonedx (SOURCE_DATE_EPOCH set, so
# the documents are reproducible) at -j 1 and -j 2, in the working
# directory's old/ and new/, and compares the list, standard output and
# error, the status and both documents. Exits 1 when anything differs.
# An optimisation that must not change the output is checked so against
# the commit before it, on e2e/data, the fixtures and the repositories of
# e2e/cases/parallel/make_repos.py.
set -e
OLD=$(realpath "$1")
NEW=$(realpath "$2")
shift 2
dirs=""
for d in "$@"; do
  dirs="$dirs $(realpath "$d")"
done
export SOURCE_DATE_EPOCH=1700000000
fail=0
for j in 1 2; do
  for b in old new; do
    mkdir -p $b
    if [ $b = old ]; then bin=$OLD; else bin=$NEW; fi
    s=0
    (cd $b && exec "$bin" $dirs -j $j -v -o list --sbom-spdx spdx \
        --sbom-cyclonedx cdx > out 2> err) || s=$?
    echo $s > $b/status
  done
  for f in list err out status spdx cdx; do
    if ! cmp -s old/$f new/$f; then
      echo "-j $j: $f differs"
      fail=1
    fi
  done
  echo "-j $j: $(wc -l < new/list) lines, $(wc -l < new/err) messages," \
       "status $(cat new/status), documents of $(wc -c < new/spdx) and" \
       "$(wc -c < new/cdx) bytes"
done
[ $fail = 0 ] && echo "identical"
exit $fail
