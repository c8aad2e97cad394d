#!/usr/bin/env python3
"""Screen recording on Wayland through the desktop portal and PipeWire: figures of one run.

A private headless sway session (build/release/tests/support/lumbex_wayland_runner: its own
D-Bus bus, PipeWire, the desktop portal with its wlroots backend) shows the test animation
(lumbex_test_animation at 30 pictures a second) over the whole output. Then

  lumbex record --display 0 --seconds S --folder DIR

records it, and the script prints lumbex's CPU time (user + system, as a share of one core),
the segment's duration, its frame count and rate (read with ffprobe when installed) and the
dropped-frame counts lumbex reports. The goal is 30 pictures a second with none dropped.

    bench/wayland_recording.py [--build build/release] [--seconds 10] [--size 1280x800]

When run as root, the session and every client run as "nobody" (sway refuses root).
"""
import argparse
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile

from wayland_bench_session import as_session_user, end_session, programs, start_session



def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def frame_count(movie):
    if not shutil.which("ffprobe"):
        return None
    result = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                             "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", movie],
                            capture_output=True, text=True, check=False)
    return int(result.stdout.strip()) if result.stdout.strip().isdigit() else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--size", default="1280x800")
    options = parser.parse_args()
    width, height = options.size.split("x")
    lumbex, animation = programs(options.build, "lumbex", "tests/support/lumbex_test_animation")
    session, env = start_session(options.build, width, height)
    folder = env["XDG_RUNTIME_DIR"]
    window = None
    try:
        window = subprocess.Popen(
            as_session_user([animation, "0", "0", width, height, "30"]),
            env=dict(env, QT_QPA_PLATFORM="wayland"), cwd=folder, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, text=True)
        if not window.stdout.readline().strip():
            raise SystemExit("the animation did not appear")

        target = tempfile.mkdtemp(prefix="rec-", dir=folder)
        os.rmdir(target)
        before = children_cpu()
        result = subprocess.run(
            as_session_user([lumbex, "record", "--display", "0", "--seconds",
                             str(options.seconds), "--folder", target]),
            env=env, cwd=folder, capture_output=True, text=True, check=False)
        cpu = children_cpu() - before
        if result.returncode != 0:
            raise SystemExit("lumbex record failed: " + result.stderr)
        segment = re.search(r"segment (\S+) duration=(\d+) dropped=(\d+)/(\d+)", result.stderr)
        if not segment:
            raise SystemExit("no segment line: " + result.stderr)
        duration = int(segment.group(2)) / 1e6
        frames = frame_count(os.path.join(target, segment.group(1) + ".mov"))
        print(f"{width} × {height} headless sway output, the test animation at 30 pictures/s, "
              f"{options.seconds:g} s")
        print(f"segment duration   {duration:.3f} s")
        if frames is not None:
            print(f"frames             {frames}  ({frames / duration:.1f} per second)")
        else:
            print("frames             (install ffmpeg for ffprobe to count them)")
        print(f"dropped            video {segment.group(3)}, audio {segment.group(4)}")
        print(f"lumbex CPU         {cpu:.2f} s  ({cpu / duration * 100:.0f} % of one core)")
    finally:
        if window:
            window.terminate()
            window.wait()
        end_session(session)


if __name__ == "__main__":
    sys.exit(main())
