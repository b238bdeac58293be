#!/usr/bin/env python3
"""Writes N small packages whose manifests hold millions of empty license
strings (the licence bomb: 6 KB on disk, 66 MB of manifest each).

usage: bench/licence_bomb.py OUT_DIR [--packages N] [--licenses M]

OUT_DIR/All/bombK.pkg, K from 1 to N: a zstd-compressed tar whose only
member is a JSON +MANIFEST with one executable file and M licenses "".
Measure a run with farm-bench, e.g.

    bench/licence_bomb.py /tmp/bomb4 --packages 4
    farm-bench -n 3 -- build/zelkor-pkg-sign /tmp/bomb4 -j 4 \
        --sbom-spdx /dev/null -o /dev/null
"""
import argparse
import os
import subprocess
import tarfile
import io


def manifest(k, middle):
    head = ('{"name":"bomb%d","origin":"misc/bomb%d","version":"1.0",'
            '"comment":"licence bomb","maintainer":"ports@example.org",'
            '"www":"https://example.org/","abi":"FreeBSD:14:amd64",'
            '"arch":"freebsd:14:x86:64","prefix":"/usr/local","flatsize":1,'
            '"licenselogic":"multi","licenses":[' % (k, k))
    tail = ('],"files":{"/usr/local/bin/bomb%d":{"sum":"1$%s","perm":"0755"}}}'
            % (k, "%064x" % k))
    return head.encode() + middle + tail.encode()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out_dir")
    parser.add_argument("--packages", type=int, default=4)
    parser.add_argument("--licenses", type=int, default=22_000_000)
    args = parser.parse_args()
    all_dir = os.path.join(args.out_dir, "All")
    os.makedirs(all_dir, exist_ok=True)
    middle = b",".join([b'""'] * args.licenses)
    for k in range(1, args.packages + 1):
        text = manifest(k, middle)
        raw = io.BytesIO()
        with tarfile.open(fileobj=raw, mode="w", format=tarfile.PAX_FORMAT) as tar:
            info = tarfile.TarInfo("+MANIFEST")
            info.size = len(text)
            info.mode = 0o644
            tar.addfile(info, io.BytesIO(text))
        packed = subprocess.run(["zstd", "-19", "-q", "-c"], input=raw.getvalue(),
                                stdout=subprocess.PIPE, check=True).stdout
        with open(os.path.join(all_dir, "bomb%d.pkg" % k), "wb") as f:
            f.write(packed)


if __name__ == "__main__":
    main()
