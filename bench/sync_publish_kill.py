#!/usr/bin/env python3
"""Kills `lumbex sync now` with SIGKILL at random moments while it publishes a changing note into
a sync folder (after a random number of files are placed, or after a random delay), and checks
after every kill that the folder's current pointer names a revision whose manifest and every
listed file are complete, then that the next `sync now` finishes.

    bench/sync_publish_kill.py [--build build/release] [--runs 40] [--seed N]
"""
import argparse
import hashlib
import json
import os
import random
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib


def png(width, height, seed):
    """A PNG of noisy rows, so that each image has its own bytes."""
    rng = random.Random(seed)
    rows = b"".join(b"\x00" + bytes(rng.randrange(256) for _ in range(width * 3))
                    for _ in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
            + chunk(b"IEND", b""))


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def check_pointer(sync):
    """The pointer, when present, equals the metadata of a revision that is complete."""
    notes = os.path.join(sync, "Notes")
    if not os.path.isdir(notes):
        return
    for package in os.listdir(notes):
        pointer = os.path.join(notes, package, "note.json")
        if not os.path.exists(pointer):
            continue
        digest = sha256(pointer)
        revisions = os.path.join(notes, package, "revisions")
        complete = False
        for name in os.listdir(revisions):
            if not name.endswith(".json") or name.endswith(".note.json"):
                continue
            manifest = json.load(open(os.path.join(revisions, name)))
            meta = [f for f in manifest["files"] if f["path"] == manifest["metadata"]]
            if not meta or meta[0]["sha256"] != digest:
                continue
            for f in manifest["files"]:
                path = os.path.join(sync, f["path"])
                assert os.path.isfile(path), f"pointer names a revision missing {f['path']}"
                assert os.path.getsize(path) == f["bytes"] and sha256(path) == f["sha256"], \
                    f"pointer names a revision with a damaged {f['path']}"
            complete = True
        assert complete, "the pointer names no complete revision"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--runs", type=int, default=40)
    parser.add_argument("--seed", type=int, default=int(time.time()))
    args = parser.parse_args()
    rng = random.Random(args.seed)
    lumbex = os.path.abspath(os.path.join(args.build, "lumbex"))
    with tempfile.TemporaryDirectory() as work:
        env = dict(os.environ, HOME=os.path.join(work, "home"),
                   XDG_DATA_HOME=os.path.join(work, "data"),
                   XDG_CONFIG_HOME=os.path.join(work, "config"), QT_QPA_PLATFORM="offscreen")
        env.pop("LUMBEX_KILL_AFTER_PLACED", None)
        sync = os.path.join(work, "Sync")
        os.makedirs(os.path.join(sync, ".stfolder"))
        images = []
        for i in range(3):
            path = os.path.join(work, f"shot{i}.png")
            with open(path, "wb") as f:
                f.write(png(640, 400, args.seed + i))
            images.append(path)
        package = os.path.join(work, "note.capturenote")

        def run(*words, extra=None):
            return subprocess.run([lumbex, *words], env=dict(env, **(extra or {})),
                                  capture_output=True, text=True)
        assert run("note", "create", *images, "-o", package).returncode == 0
        assert run("sync", "connect", package, "--folder", sync).returncode == 0
        kills = 0
        for index in range(args.runs):
            assert run("note", "set", package, "--general", f"edit {index}").returncode == 0
            if rng.random() < 0.5:
                result = run("sync", "now", package,
                             extra={"LUMBEX_KILL_AFTER_PLACED": str(rng.randint(1, 9))})
                kills += result.returncode < 0
            else:
                process = subprocess.Popen([lumbex, "sync", "now", package], env=env,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(rng.uniform(0.0, 0.6))
                if process.poll() is None:
                    process.send_signal(signal.SIGKILL)
                    kills += 1
                process.wait()
            check_pointer(sync)
            if rng.random() < 0.3:
                done = run("sync", "now", package)
                assert done.returncode == 0, done.stderr
                check_pointer(sync)
        done = run("sync", "now", package)
        assert done.returncode == 0, done.stderr
        check_pointer(sync)
        print(f"{args.runs} runs, {kills} killed publications, seed {args.seed}: the pointer "
              f"always named a complete revision; the last sync published {done.stdout.strip()}")


if __name__ == "__main__":
    main()
