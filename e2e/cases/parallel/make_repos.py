#!/usr/bin/env python3
"""Writes two repositories of generated packages for the parallel-run case.

usage: make_repos.py DIR1 DIR2

About 1,200 packages in each, seeded so every run writes the same bytes:
packages whose files share paths (within a repository and across the two),
SHA-256 sums and BLAKE2-style sums (the tool then hashes the members),
members missing for such sums, entries with control bytes, manifests in
the configuration syntax, duplicate names, a record over its bounds, and
damaged files (truncated, garbage, empty, without +MANIFEST, unparsable),
compressed with gzip, bzip2, xz or nothing.
"""
import hashlib
import io
import json
import os
import random
import sys
import tarfile

COMPRESSIONS = ["gz", "bz2", "xz", ""]


def tar_bytes(members, compression):
    buf = io.BytesIO()
    mode = "w:" + compression if compression else "w"
    with tarfile.open(fileobj=buf, mode=mode, format=tarfile.PAX_FORMAT) as tar:
        for name, data, mode_bits in members:
            info = tarfile.TarInfo(name)
            info.size = len(data)
            info.mode = mode_bits
            info.mtime = 1735689600
            tar.addfile(info, io.BytesIO(data))
    return buf.getvalue()


def package(rng, index, repo):
    name = "p%d-%04d" % (repo, index)
    if index % 97 == 5:
        name = "dup%d" % (index % 3)  # the same name in several packages
    files = {}
    members = []
    for f in range(rng.randrange(1, 9)):
        shared = rng.random() < 0.3
        path = ("/usr/local/bin/shared%02d" % rng.randrange(40) if shared
                else "/usr/local/%s/%s-%d" % (rng.choice(["bin", "lib", "share"]), name, f))
        data = ("%s %d %d\n" % (name, f, rng.randrange(10**6))).encode() * rng.randrange(1, 50)
        perm = rng.choice(["0755", "0644", "04755", "0555"])
        if index % 5 == 1:  # sums the tool must compute from the members
            files[path] = {"sum": "2$" + hashlib.blake2b(data).hexdigest()[:40], "perm": perm}
            if rng.random() < 0.9:
                members.append((path, data, int(perm, 8)))
        else:
            files[path] = {"sum": "1$" + hashlib.sha256(data).hexdigest(), "perm": perm}
            members.append((path, data, int(perm, 8)))
    if index % 41 == 7:
        files["/usr/local/bin/forged\r/bin/sh sha256=00"] = "1$" + "ab" * 32
    manifest = {"name": name, "origin": "devel/" + name, "version": "1.%d" % index,
                "comment": "generated", "www": "https://example.org/" + name,
                "maintainer": "ports@example.org", "licenses": ["MIT", "BSD2CLAUSE"],
                "deps": {"p%d-%04d" % (repo, (index * 7) % 1000): {"origin": "x", "version": "1"}},
                "desc": "Package %d of repository %d." % (index, repo), "files": files}
    if index % 131 == 9:
        manifest["licenses"] = ["L%d" % i for i in range(70)]
    text = json.dumps(manifest, separators=(",", ":")).encode()
    if index % 23 == 3:  # the configuration syntax
        lines = ['name = "%s";' % name, 'version = "1.%d";' % index, "files {"]
        for path, value in files.items():
            if "\r" not in path:
                lines.append('    "%s" { sum = "%s"; perm = "%s"; }' % (path, value["sum"], value["perm"]))
        lines.append("}")
        text = ("\n".join(lines) + "\n").encode()
    if index % 59 == 11:
        text = b'name = "broken";\n.include "/etc/passwd"\n'
    compression = COMPRESSIONS[index % len(COMPRESSIONS)]
    data = tar_bytes([("+COMPACT_MANIFEST", b"{}", 0o644), ("+MANIFEST", text, 0o644)] + members,
                     compression)
    damage = index % 53
    if damage == 13:
        data = data[: len(data) // 2]
    elif damage == 17:
        data = bytes(rng.randrange(256) for _ in range(300))
    elif damage == 19:
        data = b""
    elif damage == 29:
        data = tar_bytes(members, compression)  # no +MANIFEST
    return "%s-%04d.pkg" % (name, index), data


def main():
    rng = random.Random(20261207)
    for repo, directory in enumerate(sys.argv[1:3], start=1):
        os.makedirs(directory, exist_ok=True)
        for index in range(1200):
            file_name, data = package(rng, index, repo)
            with open(os.path.join(directory, file_name), "wb") as out:
                out.write(data)


if __name__ == "__main__":
    main()
