#!/usr/bin/env python3
"""Screen recording figures against `ffmpeg -f x11grab` in the same run, on a private
1920 × 1080 Xvfb screen:

  moving   lumbex record and ffmpeg (libx264 ultrafast) recording a full-screen animation for
           the same time: CPU time of each, lumbex's dropped frames.
  still    lumbex record of a still screen: CPU share of one core.
  stop     SIGINT after a recording of that length to the saved note: wall time.

    bench/recording_vs_ffmpeg.py [--build build/release] [--seconds 60]

Needs Xvfb and ffmpeg (scripts/install-deps --bench installs the peer).
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from recording_rig import PrivateScreen, child_cpu_seconds  # noqa: E402


def record_lumbex(build, screen, seconds, work, name, note):
    folder = os.path.join(work, name)
    args = [os.path.join(build, "lumbex"), "record", "--display", "0"]
    args += ["--note", os.path.join(work, name + ".capturenote")] if note else ["--folder", folder]
    before = child_cpu_seconds()
    process = subprocess.Popen(args, env=screen.env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
    first = process.stderr.readline()
    if not first.startswith("recording "):
        raise SystemExit("lumbex record did not start: " + first + process.stderr.read())
    time.sleep(seconds)
    stopped = time.monotonic()
    process.send_signal(signal.SIGINT)
    out, err = process.communicate(timeout=120)
    stop_seconds = time.monotonic() - stopped
    if process.returncode != 0:
        raise SystemExit("lumbex record failed: " + err)
    dropped = [tuple(map(int, m)) for m in re.findall(r"dropped=(\d+)/(\d+)", err)]
    return child_cpu_seconds() - before, dropped, stop_seconds, out.strip()


def record_ffmpeg(screen, seconds, work):
    before = child_cpu_seconds()
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "x11grab", "-framerate", "30",
                    "-video_size", "1920x1080", "-i", screen.display, "-t", str(seconds),
                    "-c:v", "libx264", "-preset", "ultrafast", os.path.join(work, "peer.mp4")],
                   env=screen.env, check=True)
    return child_cpu_seconds() - before


def video_packets(path):
    """How many pictures a movie holds, counted by ffprobe."""
    result = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0",
                             "-count_packets", "-show_entries", "stream=nb_read_packets",
                             "-of", "csv=p=0", path], capture_output=True, text=True, check=True)
    return int(result.stdout.strip())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--seconds", type=float, default=60)
    options = parser.parse_args()
    if not shutil.which("ffmpeg"):
        raise SystemExit("ffmpeg is not installed: scripts/install-deps --bench")
    seconds = options.seconds
    with tempfile.TemporaryDirectory() as work, PrivateScreen(options.build, work) as screen:
        still_cpu, still_dropped, _, _ = record_lumbex(options.build, screen, seconds, work,
                                                       "still", note=False)
        screen.start_animation()
        cpu, dropped, stop, note = record_lumbex(options.build, screen, seconds, work, "moving",
                                                 note=True)
        peer = record_ffmpeg(screen, seconds, work)
        segments = os.path.join(note, "video")
        pictures = sum(video_packets(os.path.join(segments, name))
                       for name in os.listdir(segments))
        peer_pictures = video_packets(os.path.join(work, "peer.mp4"))

    print(f"moving 1920x1080 for {seconds:.0f} s:")
    print(f"  lumbex CPU {cpu:.1f} s ({100 * cpu / seconds:.0f} % of a core), "
          f"dropped video/audio {sum(d[0] for d in dropped)}/{sum(d[1] for d in dropped)}, "
          f"{pictures} pictures")
    print(f"  ffmpeg CPU {peer:.1f} s ({100 * peer / seconds:.0f} % of a core), "
          f"{peer_pictures} pictures")
    print(f"  ratio lumbex/ffmpeg {cpu / peer:.2f}")
    print(f"still screen for {seconds:.0f} s: lumbex CPU {100 * still_cpu / seconds:.1f} % of a "
          f"core, dropped {sum(d[0] for d in still_dropped)}")
    print(f"stop to saved note: {stop:.2f} s ({note})")


if __name__ == "__main__":
    main()
