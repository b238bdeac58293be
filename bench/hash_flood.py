#!/usr/bin/env python3
"""Writes two packages of N executable paths of one length for a hash-flood
benchmark of the path set that removes repeated paths.

usage: bench/hash_flood.py OUT_DIR [--paths N]

OUT_DIR/flood/flood.pkg: paths whose hash under the path set's former,
unkeyed hash (kept below) is one value, so every insert probed past all
earlier ones. OUT_DIR/control/control.pkg: as many random paths of the same
length. Time the tool on each directory (e.g. with /usr/bin/time): with a
per-run key in the hash, both take about as long.
"""
import argparse
import io
import json
import os
import random
import tarfile

M64 = (1 << 64) - 1
GOLD = 0x9E3779B97F4A7C15
C1, C2 = 0xFF51AFD7ED558CCD, 0xC4CEB9FE1A85EC53


def mix(x):
    x ^= x >> 33
    x = (x * C1) & M64
    x ^= x >> 33
    x = (x * C2) & M64
    return x ^ (x >> 33)


def unmix(x):
    def unshift(v):  # inverts v ^= v >> 33
        return v ^ (v >> 33)
    x = unshift(x)
    x = (x * pow(C2, -1, 1 << 64)) & M64
    x = unshift(x)
    x = (x * pow(C1, -1, 1 << 64)) & M64
    return unshift(x)


def encoded(path):
    # Every byte %-encoded: the manifest decodes it, and no byte can be a
    # control byte, which the tool leaves out.
    return "".join("%%%02x" % b for b in path)


def clean(word):
    return all(b >= 0x20 and b != 0x7F for b in word)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--paths", type=int, default=100000)
    args = ap.parse_args()
    rng = random.Random(1)
    prefix = b"/usr/x/"  # with a final byte, the first 8-byte word
    target = 0x0123456789ABCDEF  # the state after the second word
    flood = []
    while len(flood) < args.paths:
        w1 = prefix + bytes([rng.randrange(0x21, 0x7F)])
        first = int.from_bytes(w1, "little")
        w1_bytes = first.to_bytes(8, "little")
        rest = rng.randrange(1 << 48).to_bytes(6, "little")
        # Two 8-byte words after a varying middle word: the second word is
        # chosen to bring the state to `target` whatever came before.
        middle = int.from_bytes(rest + b"zz", "little")
        h = GOLD ^ 24
        h = (mix(h ^ first) + GOLD) & M64
        h = (mix(h ^ middle) + GOLD) & M64
        last = (unmix((target - GOLD) & M64) ^ h).to_bytes(8, "little")
        path = w1_bytes + (rest + b"zz") + last
        if clean(path):
            flood.append(path)
    control = [b"/usr/x/" + bytes(rng.randrange(0x21, 0x7F) for _ in range(17))
               for _ in range(args.paths)]
    for name, paths in (("flood", flood), ("control", control)):
        manifest = {"name": name, "files": {encoded(p): "1$00" for p in paths}}
        data = json.dumps(manifest).encode()
        os.makedirs(os.path.join(args.out, name), exist_ok=True)
        with tarfile.open(os.path.join(args.out, name, name + ".pkg"), "w") as t:
            info = tarfile.TarInfo("+MANIFEST")
            info.size = len(data)
            t.addfile(info, io.BytesIO(data))
    print(f"{len(flood)} flood paths and {len(control)} control paths of 24 bytes")


main()
