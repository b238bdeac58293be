#!/bin/sh
# Times --verify against sha256sum over the same tree: 2,000 files of
# 512 KiB of random bytes (1 GiB), the page cache warm, best of three each.
#
# usage: bench/verify_bench.sh TOOL [DIR]   (DIR default /tmp/zps-verify-bench)
set -eu
tool=$(realpath "$1")
dir=${2:-/tmp/zps-verify-bench}
if [ ! -f "$dir/list.txt" ]; then
  mkdir -p "$dir/root"
  i=0
  while [ $i -lt 2000 ]; do
    mkdir -p "$dir/root/d$((i % 40))"
    head -c 524288 /dev/urandom > "$dir/root/d$((i % 40))/f$i"
    i=$((i + 1))
  done
  (cd "$dir/root" && find . -type f | LC_ALL=C sort > ../files.txt &&
   xargs -a ../files.txt sha256sum |
   sed -E 's#^([0-9a-f]{64})  \./(.*)$#/\2 sha256=\1#' > ../list.txt)
fi
cd "$dir"
cat root/*/* > /dev/null
best() {  # best() NAME COMMAND...: the best of three wall-clock times
  name=$1; shift
  b=
  for _ in 1 2 3; do
    s=$(date +%s.%N); "$@" > /dev/null 2>&1 || true; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  printf '%-14s %6.3f s  %6.0f MiB/s\n' "$name" "$b" "$(echo "1000 / $b" | bc -l)"
}
best sha256sum sh -c 'cd root && xargs -a ../files.txt sha256sum'
best "verify -j 1" "$tool" --verify list.txt --root root -j 1
best "verify -j 2" "$tool" --verify list.txt --root root -j 2
