#!/usr/bin/env python3
"""Speed and memory of the galaxy core, each measured against a baseline in
the same run: the planet report against the plain stdio writer and against
reading the file once, its peak memory on a small and a large galaxy, and the
merge against copying a file.

    python3 bench/run_benchmarks.py [BUILD_DIR] [--runs N]

Prints one line per comparison with the figures and whether the goal is met;
exits 1 when a goal is missed.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time


def run(command, stdout=subprocess.DEVNULL):
    """Runs a command; returns (seconds, peak resident memory in KiB)."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=stdout)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"failed: {' '.join(command)}")
    return elapsed, usage.ru_maxrss


def best(runs, command, prepare=None, stdout=subprocess.DEVNULL):
    times = []
    for _ in range(runs):
        if prepare:
            prepare()
        times.append(run(command, stdout)[0])
    return min(times)


def main():
    parser = argparse.ArgumentParser(description="Benchmarks of the galaxy core against their baselines.")
    parser.add_argument("build", nargs="?", default="build", help="the build folder (default: build)")
    parser.add_argument("--runs", type=int, default=5, help="runs per measurement; the best counts")
    options = parser.parse_args()
    build, runs = options.build, options.runs
    tool = os.path.join(build, "bench", "galaxy_bench")
    if not os.access(tool, os.X_OK):
        sys.exit(f"{tool} not found: build the project first")

    failures = 0

    def verdict(ok):
        nonlocal failures
        failures += 0 if ok else 1
        return "met" if ok else "MISSED"

    with tempfile.TemporaryDirectory() as work:
        big = os.path.join(work, "big.gxy")
        small = os.path.join(work, "small.gxy")
        report = os.path.join(work, "dump.txt")
        run([tool, "generate", big, "200000", "--seed", "1"])
        run([tool, "generate", small, "2000", "--seed", "2"])
        print(f"galaxy of 200,000 records: {os.path.getsize(big) / 1e6:.1f} MB; runs: best of {runs}")

        # Warm the page cache so both sides read from memory.
        run(["cat", big])

        ours = best(runs, [tool, "dump", big, report, "0", "0", "--rating"])
        baseline = best(runs, [tool, "baseline-dump", big, report, "0", "0", "--rating"])
        ratio = baseline / ours
        print(f"report, thresholds 0 and 0, rating: {ours * 1000:.0f} ms, baseline {baseline * 1000:.0f} ms, "
              f"{ratio:.1f} times as fast (goal: at least 4) - {verdict(ratio >= 4)}")

        none = best(runs, [tool, "dump", big, report, "100", "100"])
        with open(os.devnull, "wb") as devnull:
            cat = best(runs, ["cat", big], stdout=devnull)
        ratio = none / cat
        print(f"report, no planet qualifies: {none * 1000:.0f} ms, reading the file once {cat * 1000:.0f} ms, "
              f"{ratio:.2f} times as long (goal: at most 2.5) - {verdict(ratio <= 2.5)}")

        _, peak_small = run([tool, "dump", small, report, "0", "0", "--rating"])
        _, peak_big = run([tool, "dump", big, report, "0", "0", "--rating"])
        growth = (peak_big - peak_small) / 1024
        print(f"peak memory: {peak_small / 1024:.1f} MiB for {os.path.getsize(small) / 1e6:.1f} MB, "
              f"{peak_big / 1024:.1f} MiB for {os.path.getsize(big) / 1e6:.1f} MB, difference {growth:.2f} MiB "
              f"(goal: within 2 MiB) - {verdict(abs(growth) <= 2)}")

        target = os.path.join(work, "target.gxy")
        target_copy = os.path.join(work, "target-copy.gxy")
        source = os.path.join(work, "source.gxy")
        # A target of 32,767 records has no room for another, so the source is
        # the same galaxy again: the merge reads both whole, looks up every
        # source system and appends nothing (a galaxy of another seed would
        # hold a system or two that the target lacks, and the merge would
        # stop there with the overflow failure).
        run([tool, "generate", target, "32767", "--seed", "3"])
        run([tool, "generate", source, "32767", "--seed", "3"])
        shutil.copyfile(target, target_copy)

        def restore():
            shutil.copyfile(target_copy, target)

        merge = best(runs, [tool, "merge", target, source], prepare=restore)
        copy = best(runs, ["cp", source, os.path.join(work, "copied.gxy")])
        ratio = merge / copy
        print(f"merge of two 32,767-record galaxies: {merge * 1000:.1f} ms, copying one {copy * 1000:.1f} ms, "
              f"{ratio:.2f} times as long (goal: at most 3) - {verdict(ratio <= 3)}")

        # Every source record appended: the target does not exist yet.
        fresh = os.path.join(work, "fresh.gxy")

        def remove_fresh():
            if os.path.exists(fresh):
                os.remove(fresh)

        merge = best(runs, [tool, "merge", fresh, source], prepare=remove_fresh)
        ratio = merge / copy
        print(f"merge of a 32,767-record galaxy into a new file (every record appended): {merge * 1000:.1f} ms, "
              f"copying one {copy * 1000:.1f} ms, {ratio:.2f} times as long (goal: at most 3) - {verdict(ratio <= 3)}")

    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
