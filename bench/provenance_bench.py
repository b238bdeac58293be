#!/usr/bin/env python3
"""Measures what the ports-tree provenance adds per package.

usage: bench/provenance_bench.py [--build DIR] [--rounds N]
                                  [--repo DIR --ports DIR --bin DIR]

Runs the release tool on a repository (examples/repo unless --repo) with a
ports tree (examples/ports unless --ports) and a CycloneDX document, once
with --ports-tree and once without, best of N rounds each, and prints the
time per package that the ports-tree queries (one make per package whose
origin is a port, one git per run) and the distfile hashing add. It also
times the bare `make -V` query of the variables the tool asks for, on each
port of the tree, for comparison. `make` is the one in --bin
(examples/bin, which runs bmake, unless given); for the real ports slice,
--ports ../shared/fixtures/ports-real/ports --bin ../shared/fixtures/ports-real/bin
with a repository of packages whose origins are its ports.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def best_time(cmd, env, rounds):
    best = None
    for _ in range(rounds):
        start = time.perf_counter()
        subprocess.run(cmd, env=env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        t = time.perf_counter() - start
        best = t if best is None else min(best, t)
    return best


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build-bench"))
    ap.add_argument("--rounds", type=int, default=10)
    ap.add_argument("--repo", default=os.path.join(ROOT, "examples", "repo"))
    ap.add_argument("--ports", default=os.path.join(ROOT, "examples", "ports"))
    ap.add_argument("--bin", default=os.path.join(ROOT, "examples", "bin"))
    ap.add_argument("--vars", default="USE_GITHUB GH_ACCOUNT GH_PROJECT "
                    "GH_TAGNAME USE_GITLAB GL_SITE GL_ACCOUNT GL_PROJECT "
                    "GL_COMMIT GL_TAGNAME MASTER_SITES DISTVERSION PORTVERSION "
                    "DISTINFO_FILE DIST_SUBDIR DISTFILES PATCHFILES "
                    "_MASTER_SITES_ENV _PATCH_SITES_ENV _MASTER_SITE_OVERRIDE "
                    "MASTER_SORT_REGEX",
                    help="the variables of the bare query")
    args = ap.parse_args()
    tool = os.path.join(args.build, "zelkor-pkg-sign")
    if not os.path.exists(tool):
        sys.exit(f"build the tool first: {tool} is missing")
    env = dict(os.environ)
    env["PATH"] = os.path.abspath(args.bin) + ":" + env["PATH"]
    repo = os.path.abspath(args.repo)
    ports = os.path.abspath(args.ports)
    scan = os.path.join(repo, "All") if os.path.isdir(
        os.path.join(repo, "All")) else repo
    packages = len([n for n in os.listdir(scan) if n.endswith(".pkg")])
    port_dirs = [os.path.join(ports, c, p) for c in sorted(os.listdir(ports))
                 if os.path.isdir(os.path.join(ports, c))
                 for p in sorted(os.listdir(os.path.join(ports, c)))
                 if os.path.isfile(os.path.join(ports, c, p, "Makefile"))]
    query = 0.0
    for port_dir in port_dirs:
        query += best_time(["make", "-C", port_dir, "PORTSDIR=" + ports] +
                           [w for v in args.vars.split() for w in ("-V", v)],
                           env, args.rounds)
    with tempfile.TemporaryDirectory() as tmp:
        cdx = os.path.join(tmp, "c.json")
        base = [tool, repo, "-o", os.devnull, "--sbom-cyclonedx", cdx]
        without = best_time(base, env, args.rounds)
        with_tree = best_time(
            base + ["--ports-tree", ports,
                    "--internal-vcs-url", "https://git.example.com/ports"],
            env, args.rounds)
        with_git = best_time(
            base + ["--ports-tree", ports],
            env, args.rounds)
    print(f"packages: {packages}")
    print(f"without ports tree:        {without * 1000:8.2f} ms")
    print(f"with ports tree:           {with_tree * 1000:8.2f} ms")
    print(f"with ports tree and git:   {with_git * 1000:8.2f} ms")
    print(f"added per package:         "
          f"{(with_tree - without) / packages * 1000:8.2f} ms")
    print(f"git remote look-up (once): {(with_git - with_tree) * 1000:8.2f} ms")
    if port_dirs:
        print(f"bare make -V query:        "
              f"{query / len(port_dirs) * 1000:8.2f} ms per port "
              f"({len(port_dirs)} ports)")


if __name__ == "__main__":
    main()
