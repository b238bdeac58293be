#!/usr/bin/env python3
"""Measures what the ports-tree provenance adds per package.

usage: bench/provenance_bench.py [--build DIR] [--rounds N]

Runs the release tool on the example repository (examples/repo) with the
example ports tree (examples/ports) and a CycloneDX document, once with
--ports-tree and once without, best of N rounds each, and prints the time
per package that the ports-tree queries (one make per package whose origin
is a port, one git per run) and the distfile hashing add. On Linux the
`make` that runs is examples/bin/make (bmake).
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
    args = ap.parse_args()
    tool = os.path.join(args.build, "zelkor-pkg-sign")
    if not os.path.exists(tool):
        sys.exit(f"build the tool first: {tool} is missing")
    env = dict(os.environ)
    env["PATH"] = os.path.join(ROOT, "examples", "bin") + ":" + env["PATH"]
    repo = os.path.join(ROOT, "examples", "repo")
    packages = len(os.listdir(os.path.join(repo, "All")))
    with tempfile.TemporaryDirectory() as tmp:
        cdx = os.path.join(tmp, "c.json")
        base = [tool, repo, "-o", os.devnull, "--sbom-cyclonedx", cdx]
        without = best_time(base, env, args.rounds)
        with_tree = best_time(
            base + ["--ports-tree", os.path.join(ROOT, "examples", "ports"),
                    "--internal-vcs-url", "https://git.example.com/ports"],
            env, args.rounds)
        with_git = best_time(
            base + ["--ports-tree", os.path.join(ROOT, "examples", "ports")],
            env, args.rounds)
    print(f"packages: {packages}")
    print(f"without ports tree:        {without * 1000:8.2f} ms")
    print(f"with ports tree:           {with_tree * 1000:8.2f} ms")
    print(f"with ports tree and git:   {with_git * 1000:8.2f} ms")
    print(f"added per package:         "
          f"{(with_tree - without) / packages * 1000:8.2f} ms")
    print(f"git remote look-up (once): {(with_git - with_tree) * 1000:8.2f} ms")


if __name__ == "__main__":
    main()
