#!/usr/bin/env python3
"""Times the checksum run against a floor and a shell loop, in one run.

usage: bench/checksum_bench.py [--packages N] [--repo DIR] [--build DIR]
                               [--sums hex|mixed|pkg28] [--exec-percent P]
                               [--other-tool PATH] [--jobs N] [--rounds N]

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
sums (whose lines need the SHA-256 of the archive members); --sums pkg28
writes every package as pkg 2.8 does (BLAKE2b sums only, a third of the
files executable, members in path order, payloads cut from real programs),
and the floor then reads every member and computes the SHA-256 of the
executable ones (manifest-floor --members). --exec-percent sets the share
of executable files of the other kinds (20 by default; 68 gives 2,000
packages with 73 MB of manifests and about 280,000 lines). --other-tool
times a second build of the tool (an older commit, say) on the same files.
The commands run in turn, round after round, so a machine that others
share slows them alike; each time is given as the min and the median over
the rounds, and each ratio as the min and median of its rounds' ratios.
"""
import argparse
import glob
import statistics
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
    ap.add_argument("--sums", default="hex", choices=["hex", "mixed", "pkg28"])
    ap.add_argument("--exec-percent", type=int, default=20)
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
    stamp = os.path.join(args.repo, "..",
                         os.path.basename(args.repo) + ".made-with")
    made_with = f"{args.packages} {args.sums} {args.exec_percent}"
    if len(packages) != args.packages or not os.path.exists(stamp) or \
            open(stamp).read() != made_with:
        subprocess.run(["rm", "-rf", args.repo], check=True)
        print(f"writing {args.packages} packages to {args.repo} ...",
              file=sys.stderr)
        subprocess.run([maker, args.repo, str(args.packages), "1", args.sums,
                        str(args.exec_percent)], check=True)
        with open(stamp, "w") as f:
            f.write(made_with)
        packages = sorted(glob.glob(os.path.join(args.repo, "*.pkg")))
    size = sum(os.path.getsize(p) for p in packages)
    print(f"repository: {len(packages)} packages, {size / 2**20:.0f} MiB")

    for p in packages:  # warm the page cache
        with open(p, "rb") as f:
            while f.read(1 << 20):
                pass

    out = os.path.join(args.repo, "..", "zps-bench-sums.txt")
    times = {"tool": [], "jobs": [], "sbom": [], "floor": [], "other": []}
    peak = 0
    peak_jobs = 0
    peak_sbom = 0
    spdx = os.path.join(args.repo, "..", "zps-bench.spdx.json")
    cdx = os.path.join(args.repo, "..", "zps-bench.cdx.json")
    floor_cmd = [floor] + (["--members"] if args.sums == "pkg28" else [])
    loop = ('for p in "$@"; do bsdtar -xOqf "$p" +MANIFEST > /dev/null; '
            'done')
    for _ in range(args.rounds):
        t, rss = timed([tool, args.repo, "-j", "1", "-o", out],
                       stderr=subprocess.DEVNULL)
        times["tool"].append(t)
        peak = max(peak, rss)
        t, _ = timed(floor_cmd + packages, stdout=subprocess.DEVNULL)
        times["floor"].append(t)
        t, rss = timed([tool, args.repo, "-j", str(args.jobs), "-o", out],
                       stderr=subprocess.DEVNULL)
        times["jobs"].append(t)
        peak_jobs = max(peak_jobs, rss)
        if args.other_tool:
            t, _ = timed([args.other_tool, args.repo, "-j", "1", "-o", out],
                         stderr=subprocess.DEVNULL)
            times["other"].append(t)
        t, rss = timed([tool, args.repo, "-j", "1", "-o", out, "--sbom-spdx", spdx,
                        "--sbom-cyclonedx", cdx], stderr=subprocess.DEVNULL)
        times["sbom"].append(t)
        peak_sbom = max(peak_sbom, rss)
    # The shell loop is slow; one round on a tenth of the packages (at least
    # 100) gives its rate.
    sample = packages[:max(100, len(packages) // 10)]
    t, _ = timed(["sh", "-c", loop, "sh"] + sample)
    times["bsdtar"] = [t * len(packages) / len(sample)]

    with open(out, "rb") as f:
        lines = sum(1 for _ in f)
    n = len(packages)

    def ratio(a, b):
        """min and median of the rounds' ratios of a to b."""
        r = [x / y for x, y in zip(times[a], times[b])]
        return f"{min(r):.2f} (median {statistics.median(r):.2f})"

    for name in ("tool", "jobs", "sbom", "floor", "bsdtar"):
        best = min(times[name])
        print(f"{name:7s} {best:8.3f} s (median "
              f"{statistics.median(times[name]):.3f})  {n / best:10.0f} "
              "packages/s")
    print(f"tool / floor time:  {ratio('tool', 'floor')}")
    print(f"-j {args.jobs} / floor time: {ratio('jobs', 'floor')}")
    print(f"-j 1 / -j {args.jobs} time:  {ratio('tool', 'jobs')}")
    print(f"sbom / tool time:   {ratio('sbom', 'tool')}")
    if args.other_tool:
        best = min(times["other"])
        print(f"other   {best:8.3f} s  {n / best:10.0f} "
              f"packages/s ({args.other_tool})")
        print(f"tool / other time:  {ratio('tool', 'other')}")
    print(f"bsdtar / tool time: {times['bsdtar'][0] / min(times['tool']):.1f}")
    print(f"tool peak RSS: {peak / 1024:.1f} MiB for {lines} lines written")
    print(f"-j {args.jobs} peak RSS: {peak_jobs / 1024:.1f} MiB")
    print(f"sbom peak RSS: {peak_sbom / 1024:.1f} MiB for {n} records")


if __name__ == "__main__":
    main()
