#!/usr/bin/env python3
"""Runs the tool under injected faults and checks that each run ends cleanly.

    fault_injection.py TOOL PROJECT_DIR

libfiu's fiu-run makes reads, writes and opens fail at random, and
allocations too in a second set, with a fixed set of seeds (FIU_PRNG_SEED)
so that a run can be repeated (on two threads, their order still varies),
over the example repository alone and with its ports tree, on one thread
and on two. Every run must end with status 0 or 1 (but see TOLERATED):
with 0 its list is the clean run's, less only lines of packages it
reported; with 1 it says why on a line beginning "Error:"; otherwise it
leaves the earlier output files as they were. No run may leave a
temporary file. Exits 77 (skipped) without fiu-run.
"""

import os
import shutil
import subprocess
import sys
import tempfile

# Faults per call: rare enough that most runs get far, frequent enough that
# every kind fails somewhere.
IO_FAULTS = [
    "enable_random name=posix/io/rw/*,probability=0.03",
    "enable_random name=posix/io/oc/open,probability=0.05",
]
FAULT_SETS = {
    "io": IO_FAULTS,
    "io+alloc": IO_FAULTS + ["enable_random name=libc/mm/*,probability=0.002"],
}
SEEDS = range(1, 21)
# libarchive 3.6's xz and zstd filters write through a null pointer when
# an allocation of theirs fails (a filter's state, its close after a failed
# start), which no caller can prevent: under allocation faults a run may
# end by SIGSEGV, and must still leave no temporary file and every earlier
# output as it was. Without allocation faults it never may.
TOLERATED = {"io": (), "io+alloc": (-11,)}
EARLIER = b"earlier output\n"


def run(argv, cwd, env):
    return subprocess.run(argv, cwd=cwd, env=env, capture_output=True,
                          timeout=120)


def reported_labels(err):
    """The packages a run's messages say were skipped or cut."""
    labels = set()
    for line in err.decode("utf-8", "replace").splitlines():
        for start, end in (("  skip (", None), ("  warning: no +MANIFEST in \"", "\""),
                           ("  UCL parse error (", ")"), ("  warning: ", ":")):
            if not line.startswith(start):
                continue
            rest = line[len(start):]
            if start == "  skip (":
                rest = rest.split("): ", 1)[-1].split(":", 1)[0]
            elif end is not None:
                rest = rest.split(end, 1)[0]
            labels.add(rest.removesuffix(".pkg"))
    return labels


def main():
    tool, project = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if shutil.which("fiu-run") is None:
        print("skipped: fiu-run is missing (Debian package fiu-utils)")
        return 77
    repo = os.path.join(project, "examples", "repo")
    env = dict(os.environ)
    env["PATH"] = os.path.join(project, "examples", "bin") + ":" + env["PATH"]
    setups = {
        "repo": ["--sbom-spdx", "s.json"],
        "ports": ["--sbom-cyclonedx", "c.json", "--ports-tree",
                  os.path.join(project, "examples", "ports")],
    }
    outputs = ("out.txt", "s.json", "c.json")
    failures = []
    figures = {}
    with tempfile.TemporaryDirectory() as work:
        # Which lines each package gives alone: a line a faulty run lacks
        # must belong to a package that run reported.
        packages = sorted(n for n in os.listdir(os.path.join(repo, "All"))
                          if n.endswith(".pkg"))
        lines_of = {}
        for name in packages:
            one = os.path.join(work, "one", "All")
            shutil.rmtree(os.path.dirname(one), ignore_errors=True)
            os.makedirs(one)
            shutil.copy(os.path.join(repo, "All", name), one)
            alone = run([tool, os.path.dirname(one)], work, env)
            lines_of[name.removesuffix(".pkg")] = set(alone.stdout.splitlines())
        for setup, extra in setups.items():
            for jobs in ("1", "2"):
                argv = [tool, repo, "-j", jobs, "-o", "out.txt"] + extra
                clean = run(argv, work, env)
                if clean.returncode != 0:
                    failures.append("%s -j %s: the clean run failed: %s" %
                                    (setup, jobs, clean.stderr.decode()))
                    continue
                with open(os.path.join(work, "out.txt"), "rb") as f:
                    want = f.read().splitlines()
                for (faults, seed) in [(f, n) for f in FAULT_SETS for n in SEEDS]:
                    where = "%s -j %s %s seed %d" % (setup, jobs, faults, seed)
                    for name in outputs:
                        with open(os.path.join(work, name), "wb") as f:
                            f.write(EARLIER)
                    fiu = ["fiu-run", "-x"]
                    for fault in FAULT_SETS[faults]:
                        fiu += ["-c", fault]
                    got = run(fiu + argv, work,
                              dict(env, FIU_PRNG_SEED=str(seed)))
                    err = got.stderr.decode("utf-8", "replace")
                    kind = "%s: status %d" % (faults, got.returncode)
                    if got.returncode == 1:
                        kind += ": " + next((l for l in err.splitlines()
                                             if l.startswith("Error:")), "")
                    elif got.returncode == 0 and reported_labels(got.stderr):
                        kind += ", packages reported"
                    figures[kind] = figures.get(kind, 0) + 1
                    left = [n for n in os.listdir(work) if ".tmp-" in n]
                    if left:
                        failures.append("%s: left %s" % (where, left))
                        for n in left:
                            os.unlink(os.path.join(work, n))
                    if got.returncode == 1 or got.returncode in TOLERATED[faults]:
                        if got.returncode == 1 and not any(l.startswith("Error:") for l in err.splitlines()):
                            failures.append("%s: status 1 without Error:\n%s" %
                                            (where, err))
                        for name in outputs:
                            with open(os.path.join(work, name), "rb") as f:
                                if f.read() != EARLIER:
                                    failures.append("%s: %s changed" % (where, name))
                        continue
                    if got.returncode != 0:
                        failures.append("%s: status %d\n%s" %
                                        (where, got.returncode, err))
                        continue
                    with open(os.path.join(work, "out.txt"), "rb") as f:
                        have = f.read().splitlines()
                    reported = reported_labels(got.stderr)
                    excused = set()
                    for label in reported:
                        excused |= lines_of.get(label, set())
                    kept = [l for l in want if l in have]
                    missing = [l for l in want if l not in have and l not in excused]
                    if have != kept or missing:
                        failures.append("%s: the list differs (missing %s)\n%s" %
                                        (where, missing, err))
    total = sum(figures.values())
    print("%d runs under injected faults:" % total)
    for kind, count in sorted(figures.items()):
        print("  %4d  %s" % (count, kind))
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
