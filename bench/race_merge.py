#!/usr/bin/env python3
"""Races merges against a second process that plays the game, free-running,
and checks every target afterwards byte for byte.

    python3 bench/race_merge.py [BUILD_DIR] [--merges N] [--writer KIND ...] [--seed N] [--settle MS]

For each merge a fresh target (a header and three old records) is made, a
game process is started that, at a random moment within the first SPREAD
milliseconds (about the length of a merge and a half), appends one to three
records of its own with short random pauses, and `galaxy_bench merge TARGET
SOURCE` runs with a source of 8,192 generated records. Once both have ended
the target is checked. The target must then hold its old records
unchanged, every game record whole, once and on the record grid, and the
records the merge appended whole and in source order; a merge that reported
success must have appended all of them.

The kinds of game writer:
  plain         takes the file's end (lseek) and writes there, whole records
  plain-pieces  takes the file's end once, then writes the record in 2 or 3 pieces
  append-pieces appends (O_APPEND) each record in 2 or 3 pieces

Prints per writer the merges, how many reported success, how many of those
were over damage, and the failures by error number; exits 1 when a merge
reported success over damage. Also runs the source that shrinks during the
merge (8,000 records counted, cut to 1,000), which must fail with 20004.
POSIX only.
"""
import argparse
import os
import random
import struct
import subprocess
import sys
import tempfile
import time

RECORD = 492
HEADER = 4
OLD_SYSTEMS = (0, 1, 2)


def record(system, fill):
    body = bytearray([fill]) * RECORD
    body[0:2] = struct.pack("<h", system)
    return bytes(body)


def game_record(sequence):
    # System 0, which the target already holds, so the merge never depends on
    # whether it saw the game's records; "GM" and the sequence number in bytes
    # the merge does not interpret.
    body = bytearray(record(0, 0x5A))
    body[2:8] = b"GM" + struct.pack("<I", sequence)
    return bytes(body)


def pieces_of(data, rng):
    count = rng.choice((2, 3))
    cuts = sorted(rng.sample(range(1, len(data)), count - 1))
    bounds = [0] + cuts + [len(data)]
    return [data[bounds[i]:bounds[i + 1]] for i in range(count)]


def write_all_at_position(fd, data):
    while data:
        n = os.write(fd, data)
        data = data[n:]


def play(path, kind, seed, spread, stop_fd, report_fd):
    """The game: after a random wait, appends one to three records; then
    waits to be told to stop and reports how many it wrote."""
    rng = random.Random(seed)
    flags = os.O_WRONLY | (os.O_APPEND if kind == "append-pieces" else 0)
    fd = os.open(path, flags)
    time.sleep(rng.uniform(0, spread))
    records = rng.randint(1, 3)
    for sequence in range(1, records + 1):
        data = game_record(sequence)
        if kind == "plain":
            os.lseek(fd, 0, os.SEEK_END)
            write_all_at_position(fd, data)
        else:
            if kind == "plain-pieces":
                os.lseek(fd, 0, os.SEEK_END)
            for piece in pieces_of(data, rng):
                write_all_at_position(fd, piece)
                if rng.random() < 0.3:
                    time.sleep(0.0001)
        time.sleep(rng.choice((0, 0.0002, 0.001)))
    os.close(fd)
    os.read(stop_fd, 1)
    os.write(report_fd, struct.pack("<I", records))
    os._exit(0)


def check(target, old, expected, game_records, merge_ok):
    """None when the target is sound, else what is wrong."""
    if not target.startswith(old):
        return "old records changed"
    if (len(target) - HEADER) % RECORD != 0:
        return f"off the record grid: {len(target)} bytes"
    next_game = 1
    merged = 0
    for at in range(len(old), len(target), RECORD):
        rec = target[at:at + RECORD]
        if merged < len(expected) and rec == expected[merged]:
            merged += 1
        elif rec == game_record(next_game):
            next_game += 1
        else:
            return f"record at {at} is neither the next merged record nor the next game record"
    if next_game - 1 != game_records:
        return f"{next_game - 1} of the game's {game_records} records are whole in the target"
    if merge_ok and merged != len(expected):
        return f"success, but {merged} of {len(expected)} records appended"
    return None


def race(tool, work, source, expected, old, kind, merges, rng, extra, spread):
    counts = {"merges": 0, "success": 0, "success_damaged": 0, "failed": {}, "failed_damaged": 0}
    target = os.path.join(work, "target.gxy")
    for m in range(merges):
        with open(target, "wb") as f:
            f.write(old)
        stop_r, stop_w = os.pipe()
        report_r, report_w = os.pipe()
        pid = os.fork()
        if pid == 0:
            os.close(stop_w)
            os.close(report_r)
            try:
                play(target, kind, rng.randrange(1 << 30) + m, spread, stop_r, report_w)
            finally:
                os._exit(3)
        os.close(stop_r)
        os.close(report_w)
        result = subprocess.run([tool, "merge", target, source] + extra, stdout=subprocess.PIPE, text=True)
        os.write(stop_w, b"s")  # the game ends once its records are out
        os.close(stop_w)
        reported = os.read(report_r, 4)
        os.close(report_r)
        _, status = os.waitpid(pid, 0)
        if os.waitstatus_to_exitcode(status) != 0 or len(reported) != 4:
            sys.exit("the game process failed")
        game_records = struct.unpack("<I", reported)[0]
        with open(target, "rb") as f:
            content = f.read()
        ok = result.returncode == 0
        problem = check(content, old, expected, game_records, ok)
        counts["merges"] += 1
        if ok:
            counts["success"] += 1
            if problem:
                counts["success_damaged"] += 1
                print(f"  SUCCESS OVER DAMAGE ({kind}, merge {m}): {problem}")
        else:
            number = result.stdout.split(":")[0].replace("error ", "").strip()
            counts["failed"][number] = counts["failed"].get(number, 0) + 1
            if problem:
                counts["failed_damaged"] += 1
    return counts


def shrink(tool, work):
    """8,000 records counted, the source cut to 1,000 while the merge reads it."""
    source = os.path.join(work, "shrink-source.gxy")
    target = os.path.join(work, "shrink-target.gxy")
    # A FIFO tells when the merge has begun; the cut comes from here as soon
    # as the merge's first block is in (the target has grown).
    subprocess.run([tool, "generate", source, "8000", "--seed", "7"], check=True)
    with open(source, "rb") as f:
        original = f.read()
    outcomes = {}
    for _ in range(20):
        with open(source, "wb") as f:
            f.write(original)
        if os.path.exists(target):
            os.remove(target)
        process = subprocess.Popen([tool, "merge", target, source, "--records-per-write", "1"],
                                   stdout=subprocess.PIPE, text=True)
        while not (os.path.exists(target) and os.path.getsize(target) > HEADER) and process.poll() is None:
            time.sleep(0.0002)
        os.truncate(source, HEADER + RECORD * 1000)
        out, _ = process.communicate()
        number = out.split(":")[0].replace("error ", "").strip() if process.returncode else "success"
        outcomes[number] = outcomes.get(number, 0) + 1
    return outcomes


def main():
    parser = argparse.ArgumentParser(description="Free-running races of the merge against a game process.")
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--merges", type=int, default=300, help="merges per writer (default 300)")
    parser.add_argument("--writer", action="append", choices=("plain", "plain-pieces", "append-pieces"))
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--spread", type=float, default=60,
                        help="the game begins at a random moment within this many ms of the merge's start")
    parser.add_argument("--settle", type=int, help="the merge's wait before its last read-back, in ms")
    options = parser.parse_args()
    tool = os.path.join(options.build, "bench", "galaxy_bench")
    if not os.access(tool, os.X_OK):
        sys.exit(f"{tool} not found: build the project first")
    rng = random.Random(options.seed)
    kinds = options.writer or ["plain", "plain-pieces", "append-pieces"]
    bad = 0
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "source.gxy")
        subprocess.run([tool, "generate", source, "8192", "--seed", "3"], check=True)
        with open(source, "rb") as f:
            data = f.read()
        old = b"HDR1" + b"".join(record(n, 0x11) for n in OLD_SYSTEMS)
        expected = []
        for at in range(HEADER, len(data) - RECORD + 1, RECORD):
            rec = data[at:at + RECORD]
            if struct.unpack("<h", rec[0:2])[0] not in OLD_SYSTEMS:
                expected.append(rec)
        for kind in kinds:
            start = time.time()
            extra = [] if options.settle is None else ["--settle", str(options.settle)]
            c = race(tool, work, source, expected, old, kind, options.merges, rng, extra, options.spread / 1000)
            bad += c["success_damaged"]
            failed = ", ".join(f"{n}: {k}" for n, k in sorted(c["failed"].items()))
            print(f"{kind}: {c['merges']} merges, {c['success']} reported "
                  f"success, {c['success_damaged']} of them over damage; failed {failed or 'none'} "
                  f"({c['failed_damaged']} of the failures over damage); {time.time() - start:.0f} s")
        print(f"source cut from 8,000 to 1,000 records during the merge: {shrink(tool, work)}")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
