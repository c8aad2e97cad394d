#!/usr/bin/env python3
"""Kills `lumbex record` with SIGKILL at random moments of real recordings (while a segment is
written, while paused, while a pause or the stop is being written) and checks that every folder
recovers: the recovered duration is at least the recorded time minus one fragment (2 s), and
every recovered segment file matches its size and digest.

    bench/recording_kill.py [--build build/release] [--runs 50] [--seed N]
"""
import argparse
import hashlib
import json
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from recording_rig import PrivateScreen  # noqa: E402

FRAGMENT_US = 2_000_000


def one_run(build, screen, work, index, rng):
    """Records with a random plan of pauses, kills it, recovers. Returns (recorded_us,
    recovered_us, moment) or raises AssertionError."""
    folder = os.path.join(work, f"run{index}")
    process = subprocess.Popen([os.path.join(build, "lumbex"), "record", "--display", "0",
                                "--folder", folder], env=screen.env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, text=True)
    line = process.stderr.readline()
    assert line.startswith("recording "), line + process.stderr.read()
    started = time.monotonic()
    paused_total = 0.0
    paused_at = None
    moment = "recording"
    for _ in range(rng.randint(0, 3)):
        time.sleep(rng.uniform(0.3, 2.5))
        process.send_signal(signal.SIGUSR1)
        now = time.monotonic()
        if paused_at is None:
            paused_at = now
        else:
            paused_total += now - paused_at
            paused_at = None
    choice = rng.random()
    if choice < 0.15:
        # Right after a pause or resume was asked for: the segment is being closed or opened.
        time.sleep(rng.uniform(0, 0.2))
        process.send_signal(signal.SIGUSR1)
        time.sleep(rng.uniform(0, 0.15))
        moment = "during pause/resume"
        now = time.monotonic()
        if paused_at is None:
            paused_at = now
        else:
            paused_total += now - paused_at
            paused_at = None
    elif choice < 0.3:
        time.sleep(rng.uniform(0.5, 3))
        process.send_signal(signal.SIGINT)
        time.sleep(rng.uniform(0, 0.1))
        moment = "during stop"
    else:
        time.sleep(rng.uniform(0.2, 6))
        moment = "paused" if paused_at is not None else "recording"
    killed = time.monotonic()
    process.kill()
    process.wait()
    if paused_at is not None:
        paused_total += killed - paused_at
    recorded_us = int((killed - started - paused_total) * 1e6)

    result = subprocess.run([os.path.join(build, "lumbex"), "recording", "recover", folder,
                             "--json"], env=screen.env, capture_output=True, text=True)
    assert result.returncode == 0, f"{moment}: recovery failed: {result.stderr}"
    journal = json.loads(result.stdout)
    segments = journal["recording"]["segments"]
    recovered_us = sum(s["duration"] for s in segments)
    for segment in segments:
        path = os.path.join(folder, segment["id"] + ".mov")
        with open(path, "rb") as movie:
            data = movie.read()
        assert len(data) == segment["byteCount"], f"{moment}: size of {path}"
        assert hashlib.sha256(data).hexdigest() == segment["sha256"], f"{moment}: digest"
    assert recovered_us >= recorded_us - FRAGMENT_US, (
        f"{moment}: recovered {recovered_us} µs of {recorded_us} µs recorded")
    return recorded_us, recovered_us, moment


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--runs", type=int, default=50)
    parser.add_argument("--seed", type=int, default=int(time.time()))
    options = parser.parse_args()
    rng = random.Random(options.seed)
    failures = 0
    with tempfile.TemporaryDirectory() as work, PrivateScreen(options.build, work,
                                                              "1280x720") as screen:
        screen.start_animation()
        for index in range(options.runs):
            try:
                recorded, recovered, moment = one_run(options.build, screen, work, index, rng)
                print(f"{index:2d} {moment:20s} recorded {recorded / 1e6:6.2f} s, "
                      f"recovered {recovered / 1e6:6.2f} s")
            except AssertionError as error:
                failures += 1
                print(f"{index:2d} FAILED {error}")
    print(f"seed {options.seed}: {options.runs - failures} of {options.runs} recovered")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
