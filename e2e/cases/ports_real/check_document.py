#!/usr/bin/env python3
"""Checks a CycloneDX document of packages built from a real ports tree.

usage: check_document.py DOCUMENT PORTS_TREE

- Every source-distribution URL is the first URL the ports framework would
  fetch that file from: the first line of `make fetch-url-list` in the port
  that ends in the file's name, lines on the project's cache left out.
- Every component has exactly one GOST:attack_surface and one
  GOST:security_function property, and either a vcs reference or at least
  one source distribution with a STREEBOG-256 digest of 64 hex digits.
- The metadata component has a name, a version and a manufacturer name.
Prints each problem and exits 1 when there is any.
"""
import json
import os
import re
import subprocess
import sys


def make(port_dir, *args):
    return subprocess.run(["make", "-C", port_dir, *args], check=True,
                          capture_output=True, text=True).stdout.splitlines()


def first_urls(tree):
    """The first non-cache fetch URL of every distfile of every port."""
    firsts = set()
    for category in sorted(os.listdir(tree)):
        for port in sorted(os.listdir(os.path.join(tree, category))):
            port_dir = os.path.join(tree, category, port)
            distinfo = os.path.join(port_dir, "distinfo")
            if not os.path.isfile(distinfo):
                continue
            subdir = make(port_dir, "-V", "DIST_SUBDIR")[0]
            urls = [u for u in make(port_dir, "fetch-url-list")
                    if "distcache.freebsd.org" not in u.lower()]
            for name in re.findall(r"^SHA256 \((.*)\) =", open(distinfo).read(),
                                   re.M):
                if subdir and name.startswith(subdir + "/"):
                    name = name[len(subdir) + 1:]
                matching = [u for u in urls if u.endswith("/" + name)]
                if matching:
                    firsts.add(matching[0])
    return firsts


def main():
    document, tree = sys.argv[1], sys.argv[2]
    bom = json.load(open(document))
    problems = []
    meta = bom["metadata"]["component"]
    if not (meta.get("name") and meta.get("version")
            and meta.get("manufacturer", {}).get("name")):
        problems.append("the metadata component lacks a name, version or "
                        "manufacturer name")
    firsts = first_urls(tree)
    for c in bom["components"]:
        names = [p["name"] for p in c.get("properties", [])]
        for wanted in ("GOST:attack_surface", "GOST:security_function"):
            if names.count(wanted) != 1:
                problems.append(f"{c['name']}: {names.count(wanted)} {wanted}")
        refs = c.get("externalReferences", [])
        dists = [r for r in refs if r["type"] == "source-distribution"]
        for d in dists:
            if d["url"] not in firsts:
                problems.append(f"{c['name']}: {d['url']} is not the first "
                                "URL the framework fetches the file from")
            if not any(h["alg"] == "STREEBOG-256"
                       and re.fullmatch("[0-9a-f]{64}", h["content"])
                       for h in d.get("hashes", [])):
                problems.append(f"{c['name']}: {d['url']} has no Streebog digest")
        if not dists and not any(r["type"] == "vcs" for r in refs):
            problems.append(f"{c['name']}: neither a vcs reference nor a "
                            "source distribution")
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)


main()
