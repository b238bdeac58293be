#!/usr/bin/env python3
"""Measures what the ports-tree provenance adds per package.

usage: bench/provenance_bench.py [--build DIR] [--rounds N]
                                  [--repo DIR --ports DIR --bin DIR]
                                  [--packages N] [--jobs N]

Runs the release tool on a repository (examples/repo unless --repo) with a
ports tree (examples/ports unless --ports) and a CycloneDX document, once
with --ports-tree and once without, best of N rounds each, and prints the
time per package that the ports-tree queries (one make per package whose
origin is a port, one git per run) and the distfile hashing add. It also
times the bare `make -V` query of the variables the tool asks for, on each
port of the tree, for comparison. `make` is the one in --bin
(examples/bin, which runs bmake, unless given); for the real ports slice,
--ports ../shared/fixtures/ports-real/ports --bin ../shared/fixtures/ports-real/bin
with a repository of packages whose origins are its ports: --packages N
writes one of N packages with distinct names, the origins taking the ports
of the tree in turn. --jobs N also times the run with the ports tree on N
threads (-j N) against one (-j 1).
"""
import io
import tarfile
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


def write_port_packages(directory, ports, count):
    """Writes `count` packages (plain tar) into directory/repo whose origins
    take the ports of the tree in turn; returns the repository."""
    origins = sorted(c + "/" + p for c in os.listdir(ports)
                     if os.path.isdir(os.path.join(ports, c)) and c != "Mk"
                     for p in os.listdir(os.path.join(ports, c))
                     if os.path.isfile(os.path.join(ports, c, p, "Makefile")))
    repo = os.path.join(directory, "repo")
    os.makedirs(repo)
    for i in range(count):
        origin = origins[i % len(origins)]
        manifest = ('{"name":"%s-%04d","origin":"%s","version":"1.0",'
                    '"files":{}}' % (origin.replace("/", "-"), i, origin)).encode()
        with tarfile.open(os.path.join(repo, "p%04d.pkg" % i), "w") as tar:
            info = tarfile.TarInfo("+MANIFEST")
            info.size = len(manifest)
            tar.addfile(info, io.BytesIO(manifest))
    return repo


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build-bench"))
    ap.add_argument("--rounds", type=int, default=10)
    ap.add_argument("--repo", default=os.path.join(ROOT, "examples", "repo"))
    ap.add_argument("--ports", default=os.path.join(ROOT, "examples", "ports"))
    ap.add_argument("--bin", default=os.path.join(ROOT, "examples", "bin"))
    ap.add_argument("--packages", type=int, default=0)
    ap.add_argument("--jobs", type=int, default=0)
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
    ports = os.path.abspath(args.ports)
    generated = tempfile.TemporaryDirectory()
    repo = os.path.abspath(args.repo)
    if args.packages:
        repo = write_port_packages(generated.name, ports, args.packages)
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
        base = [tool, repo, "-j", "1", "-o", os.devnull,
                "--sbom-cyclonedx", cdx]
        without = best_time(base, env, args.rounds)
        with_tree = best_time(
            base + ["--ports-tree", ports,
                    "--internal-vcs-url", "https://git.example.com/ports"],
            env, args.rounds)
        with_git = best_time(
            base + ["--ports-tree", ports],
            env, args.rounds)
        with_jobs = best_time(
            base + ["--ports-tree", ports,
                    "--internal-vcs-url", "https://git.example.com/ports",
                    "-j", str(args.jobs)],
            env, args.rounds) if args.jobs else None
    print(f"packages: {packages}")
    print(f"without ports tree:        {without * 1000:8.2f} ms")
    print(f"with ports tree:           {with_tree * 1000:8.2f} ms")
    print(f"with ports tree and git:   {with_git * 1000:8.2f} ms")
    print(f"added per package:         "
          f"{(with_tree - without) / packages * 1000:8.2f} ms")
    print(f"git remote look-up (once): {(with_git - with_tree) * 1000:8.2f} ms")
    if with_jobs is not None:
        print(f"with ports tree, -j {args.jobs}:    {with_jobs * 1000:8.2f} ms")
        print(f"-j 1 / -j {args.jobs} time:           {with_tree / with_jobs:8.2f}")
    if port_dirs:
        print(f"bare make -V query:        "
              f"{query / len(port_dirs) * 1000:8.2f} ms per port "
              f"({len(port_dirs)} ports)")


if __name__ == "__main__":
    main()
