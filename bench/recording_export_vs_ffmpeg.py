#!/usr/bin/env python3
"""Recording export figures against ffmpeg in the same run. A 60 s recording of the test
animation on a private 1920 × 1080 Xvfb screen, trimmed to 5–55 s and cropped to 1600 × 900 at
(160, 90), is exported:

  mp4   `lumbex recording export` scaled to 1280 against `ffmpeg -ss … -t … -vf crop,scale
        -c:v libx264 -preset veryfast`: wall time, peak memory and size.
  gif   `lumbex recording export` at 10 fps, 960 wide, against ffmpeg's two passes
        (palettegen, then paletteuse): wall time, peak memory and size.

    bench/recording_export_vs_ffmpeg.py [--build build/release] [--seconds 60]

Needs Xvfb and ffmpeg (scripts/install-deps --bench installs the peer).
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from recording_rig import PrivateScreen  # noqa: E402

TRIM = (5.0, 55.0)
CROP = (160, 90, 1600, 900)


def timed(args, env=None):
    """Wall seconds and peak resident memory (MB) of one child, failing on a non-zero exit."""
    started = time.monotonic()
    process = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    seconds = time.monotonic() - started
    if process.returncode != 0:
        raise SystemExit(" ".join(args) + " failed: " + process.stderr.read().decode())
    return seconds, usage.ru_maxrss / 1024


def record(build, screen, seconds, note):
    process = subprocess.Popen([os.path.join(build, "lumbex"), "record", "--display", "0",
                                "--note", note], env=screen.env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
    first = process.stderr.readline()
    if not first.startswith("recording "):
        raise SystemExit("lumbex record did not start: " + first + process.stderr.read())
    time.sleep(seconds)
    process.send_signal(signal.SIGINT)
    _, err = process.communicate(timeout=300)
    if process.returncode != 0:
        raise SystemExit("lumbex record failed: " + err)


def segment_list(note, work):
    """An ffmpeg concat list of the note's segment files, in recording order."""
    segments = os.path.join(note, "video")
    names = sorted(os.listdir(segments), key=lambda n: os.path.getmtime(os.path.join(segments, n)))
    listing = os.path.join(work, "segments.txt")
    with open(listing, "w") as out:
        for name in names:
            out.write(f"file '{os.path.join(segments, name)}'\n")
    return listing


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--seconds", type=float, default=60)
    options = parser.parse_args()
    if not shutil.which("ffmpeg"):
        raise SystemExit("ffmpeg is not installed: scripts/install-deps --bench")
    lumbex = os.path.join(options.build, "lumbex")
    with tempfile.TemporaryDirectory() as work:
        note = os.path.join(work, "bench.capturenote")
        with PrivateScreen(options.build, work) as screen:
            screen.start_animation()
            record(options.build, screen, options.seconds, note)
        x, y, w, h = CROP
        subprocess.run([lumbex, "recording", "edit", note, "--trim", f"{TRIM[0]},{TRIM[1]}",
                        "--crop", f"{x},{y},{w},{h}"], check=True, stdout=subprocess.DEVNULL)
        source = ["-f", "concat", "-safe", "0", "-ss", str(TRIM[0]), "-t",
                  str(TRIM[1] - TRIM[0]), "-i", segment_list(note, work)]
        crop = f"crop={w}:{h}:{x}:{y}"
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")

        results = {}
        out = os.path.join(work, "lumbex.mp4")
        results["mp4 lumbex"] = timed([lumbex, "recording", "export", note, "-o", out,
                                       "--longest-side", "1280"], env) + (os.path.getsize(out),)
        out = os.path.join(work, "ffmpeg.mp4")
        results["mp4 ffmpeg"] = timed(["ffmpeg", "-loglevel", "error", "-y", *source, "-vf",
                                       crop + ",scale=1280:-2", "-c:v", "libx264", "-preset",
                                       "veryfast", "-c:a", "aac", out]) + (os.path.getsize(out),)

        out = os.path.join(work, "lumbex.gif")
        results["gif lumbex"] = timed([lumbex, "recording", "export", note, "-o", out, "--fps",
                                       "10", "--longest-side", "960"], env) + (
                                           os.path.getsize(out),)
        palette = os.path.join(work, "palette.png")
        out = os.path.join(work, "ffmpeg.gif")
        gif_filter = crop + ",fps=10,scale=960:-1"
        first = timed(["ffmpeg", "-loglevel", "error", "-y", *source, "-vf",
                       gif_filter + ",palettegen", palette])
        second = timed(["ffmpeg", "-loglevel", "error", "-y", *source, "-i", palette, "-lavfi",
                        f"{gif_filter}[x];[x][1:v]paletteuse", out])
        results["gif ffmpeg"] = (first[0] + second[0], max(first[1], second[1]),
                                 os.path.getsize(out))

    print(f"{options.seconds:.0f} s 1920x1080 recording, trim {TRIM[0]:.0f}–{TRIM[1]:.0f} s, "
          f"crop {w}x{h}:")
    for name, (seconds, peak, size) in results.items():
        print(f"  {name:11} {seconds:6.2f} s  peak {peak:6.0f} MB  {size / 1e6:7.2f} MB")
    for kind in ("mp4", "gif"):
        ratio = results[kind + " lumbex"][0] / results[kind + " ffmpeg"][0]
        print(f"  {kind} time ratio lumbex/ffmpeg {ratio:.2f}")


if __name__ == "__main__":
    main()
