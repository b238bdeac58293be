#!/usr/bin/env python3
"""Times the checksum run against a floor and a shell loop, in one run.

usage: bench/checksum_bench.py [--packages N] [--repo DIR] [--build DIR]
                               [--sums hex|mixed] [--other-tool PATH]
                               [--jobs N]

Builds a release tree (unless --build names one), writes a synthetic
repository of N packages with make-bench-repo (kept in --repo and reused when
it already holds N packages), warms the page cache, then times on the same
files:
  tool    zelkor-pkg-sign REPO -j 1 -o OUT (the checksum list, one thread)
  jobs    the same with -j N (--jobs, default 2)
  sbom    the same as tool with --sbom-spdx and --sbom-cyclonedx
  floor   manifest-floor: opens each package and reads +MANIFEST, nothing else
  bsdtar  a shell loop running `bsdtar -xOqf PKG +MANIFEST` per package
and prints packages per second of each, the ratios, and the tool's peak
resident memory. --sums mixed gives every other package pkg 2.8's BLAKE2b
sums (whose lines need the SHA-256 of the archive members); --other-tool
times a second build of the tool (an older commit, say) on the same files.
"""
import argparse
import glob
import os
import resource
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def timed(cmd, **kwargs):
    """Runs cmd, returns (seconds, peak RSS in KiB of that child)."""
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, **kwargs)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {cmd[:3]}... status {status}")
    return elapsed, usage.ru_maxrss


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--packages", type=int, default=2000)
    ap.add_argument("--repo", default="/tmp/zps-bench-repo")
    ap.add_argument("--build", default="")
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--sums", default="hex", choices=["hex", "mixed"])
    ap.add_argument("--other-tool", default="")
    ap.add_argument("--jobs", type=int, default=2)
    args = ap.parse_args()

    build = args.build or os.path.join(ROOT, "build-bench")
    if not args.build:
        subprocess.run(["cmake", "-S", ROOT, "-B", build, "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=Release", "-DZPS_BUILD_TESTS=OFF"],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", build], check=True,
                       stdout=subprocess.DEVNULL)
    tool = os.path.join(build, "zelkor-pkg-sign")
    floor = os.path.join(build, "bench", "manifest-floor")
    maker = os.path.join(build, "bench", "make-bench-repo")

    packages = sorted(glob.glob(os.path.join(args.repo, "*.pkg")))
    if len(packages) != args.packages:
        subprocess.run(["rm", "-rf", args.repo], check=True)
        print(f"writing {args.packages} packages to {args.repo} ...",
              file=sys.stderr)
        subprocess.run([maker, args.repo, str(args.packages), "1", args.sums],
                       check=True)
        packages = sorted(glob.glob(os.path.join(args.repo, "*.pkg")))
    size = sum(os.path.getsize(p) for p in packages)
    print(f"repository: {len(packages)} packages, {size / 2**20:.0f} MiB")

    for p in packages:  # warm the page cache
        with open(p, "rb") as f:
            while f.read(1 << 20):
                pass

    out = os.path.join(args.repo, "..", "zps-bench-sums.txt")
    best = {"tool": None, "jobs": None, "sbom": None, "floor": None,
            "bsdtar": None, "other": None}
    peak = 0
    peak_jobs = 0
    peak_sbom = 0
    spdx = os.path.join(args.repo, "..", "zps-bench.spdx.json")
    cdx = os.path.join(args.repo, "..", "zps-bench.cdx.json")
    loop = ('for p in "$@"; do bsdtar -xOqf "$p" +MANIFEST > /dev/null; '
            'done')
    for _ in range(args.rounds):
        t, rss = timed([tool, args.repo, "-j", "1", "-o", out],
                       stderr=subprocess.DEVNULL)
        best["tool"] = min(best["tool"] or t, t)
        peak = max(peak, rss)
        t, rss = timed([tool, args.repo, "-j", str(args.jobs), "-o", out],
                       stderr=subprocess.DEVNULL)
        best["jobs"] = min(best["jobs"] or t, t)
        peak_jobs = max(peak_jobs, rss)
        t, _ = timed([floor] + packages, stdout=subprocess.DEVNULL)
        best["floor"] = min(best["floor"] or t, t)
        if args.other_tool:
            t, _ = timed([args.other_tool, args.repo, "-o", out],
                         stderr=subprocess.DEVNULL)
            best["other"] = min(best["other"] or t, t)
        t, rss = timed([tool, args.repo, "-j", "1", "-o", out, "--sbom-spdx", spdx,
                        "--sbom-cyclonedx", cdx], stderr=subprocess.DEVNULL)
        best["sbom"] = min(best["sbom"] or t, t)
        peak_sbom = max(peak_sbom, rss)
    # The shell loop is slow; one round on a tenth of the packages (at least
    # 100) gives its rate.
    sample = packages[:max(100, len(packages) // 10)]
    t, _ = timed(["sh", "-c", loop, "sh"] + sample)
    best["bsdtar"] = t * len(packages) / len(sample)

    with open(out, "rb") as f:
        lines = sum(1 for _ in f)
    n = len(packages)
    for name in ("tool", "jobs", "sbom", "floor", "bsdtar"):
        print(f"{name:7s} {best[name]:8.3f} s  {n / best[name]:10.0f} packages/s")
    print(f"tool / floor time:  {best['tool'] / best['floor']:.2f}")
    print(f"-j {args.jobs} / floor time: {best['jobs'] / best['floor']:.2f}")
    print(f"-j 1 / -j {args.jobs} time:  {best['tool'] / best['jobs']:.2f}")
    print(f"sbom / tool time:   {best['sbom'] / best['tool']:.2f}")
    if args.other_tool:
        print(f"other   {best['other']:8.3f} s  {n / best['other']:10.0f} "
              f"packages/s ({args.other_tool})")
        print(f"tool / other time:  {best['tool'] / best['other']:.2f}")
    print(f"bsdtar / tool time: {best['bsdtar'] / best['tool']:.1f}")
    print(f"tool peak RSS: {peak / 1024:.1f} MiB for {lines} lines written")
    print(f"-j {args.jobs} peak RSS: {peak_jobs / 1024:.1f} MiB")
    print(f"sbom peak RSS: {peak_sbom / 1024:.1f} MiB for {n} records")


if __name__ == "__main__":
    main()
