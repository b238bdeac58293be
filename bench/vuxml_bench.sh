#!/bin/sh
# Times --vuxml: the cost of loading a VuXML file (a repository of one
# package that no advisory names, with and without --vuxml) and the added
# time per matched package (a repository of 2,000 packages, firefox
# 120.0,2, that each match twelve advisories of the 2024 file, with and
# without --vuxml). Wall time and
# peak memory from /usr/bin/time -v, best of five.
#
# usage: bench/vuxml_bench.sh TOOL VUXML [DIR]   (DIR default /tmp/zps-vuxml-bench)
set -eu
tool=$(realpath "$1")
vuxml=$(realpath "$2")
dir=${3:-/tmp/zps-vuxml-bench}
if [ ! -d "$dir/many" ]; then
  mkdir -p "$dir/one" "$dir/many"
  python3 - "$dir" <<'PY'
import io, sys, tarfile
def write(path, name, version):
    manifest = ('{"name":"%s","version":"%s","files":{}}' % (name, version)).encode()
    with tarfile.open(path, 'w') as tar:
        info = tarfile.TarInfo('+MANIFEST')
        info.size = len(manifest)
        tar.addfile(info, io.BytesIO(manifest))
d = sys.argv[1]
write(d + '/one/curl.pkg', 'curl', '8.9.1')
for i in range(2000):
    write('%s/many/firefox-%04d.pkg' % (d, i), 'firefox', '120.0,2')
PY
fi
best() {  # best() NAME COMMAND...: the best of five wall times, and its peak
  name=$1; shift
  b=; peak=
  for _ in 1 2 3 4 5; do
    /usr/bin/time -v "$@" > /dev/null 2> "$dir/time.txt" || true
    t=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): 0:\([0-9.]*\)$/\1/p' "$dir/time.txt")
    k=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/time.txt")
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; peak=$k; fi
  done
  printf '%-28s %6.3f s  %6d KiB peak\n' "$name" "$b" "$peak"
}
best "1 package" "$tool" "$dir/one" -j 1
best "1 package, --vuxml" "$tool" "$dir/one" -j 1 --vuxml "$vuxml"
best "2000 packages" "$tool" "$dir/many" -j 1
best "2000 packages, --vuxml" "$tool" "$dir/many" -j 1 --vuxml "$vuxml"
