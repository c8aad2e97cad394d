#!/usr/bin/env python3
"""Reading quality and speed of `lumbex recognize` against the plain `tesseract` command.

Renders screenshots of real Qt UI text at scale 1 under Xvfb (bench/recognition_screens), reads
each with both tools in the same run (alternating, median of --runs wall times, OMP_THREAD_LIMIT=1
for both), and reports per screen the character accuracy of each tool and the wall-time ratio (the CPU-time
ratio beside it is steadier on a shared machine).

Accuracy is measured window by window, so that the order in which a tool visits side-by-side
windows does not count: the lines a tool reports are assigned to the window holding their centre,
put in reading order (rows from the top, left to right), and compared with the window's text by
edit distance after collapsing white space. `tesseract` runs with its tsv output so that its line
boxes are known; the recognition work is that of `tesseract IMAGE - -l eng`.

The 3840 x 2160 screen is also read with the full pass alone (`--full-pass-only` of
recognition_tile_gain) to count the words the tile pass adds.

usage: bench/recognition_quality.py BUILD_DIR [--runs N] [--keep DIR] [--only SCREEN...]
"""
import argparse
import json
import os
import re
import resource
import statistics
import subprocess
import sys
import tempfile
import time


SCREENS = ["dialogs", "terminal-dark", "terminal-light", "code", "small-text-4k"]


def edit_distance(a, b):
    if len(a) < len(b):
        a, b = b, a
    previous = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        current = [i]
        for j, cb in enumerate(b, 1):
            current.append(min(previous[j] + 1, current[j - 1] + 1,
                               previous[j - 1] + (ca != cb)))
        previous = current
    return previous[-1]


def squeezed(text):
    return re.sub(r"\s+", " ", text).strip()


def reading_order(lines):
    """Lines as (text, x, y, w, h): rows by vertical centre, then left to right."""
    lines = sorted(lines, key=lambda l: l[2] + l[4] / 2)
    rows = []
    for line in lines:
        if rows:
            first = rows[-1][0]
            if abs((first[2] + first[4] / 2) - (line[2] + line[4] / 2)) < \
                    min(first[4], line[4]) * 0.45:
                rows[-1].append(line)
                continue
        rows.append([line])
    return "\n".join(" ".join(l[0] for l in sorted(row, key=lambda l: l[1])) for row in rows)


def accuracy(windows, lines):
    """Character accuracy over all windows, weighted by their text length."""
    errors = total = 0
    for window in windows:
        x, y, w, h = window["rect"]
        inside = [l for l in lines if x <= l[1] + l[3] / 2 < x + w and y <= l[2] + l[4] / 2 < y + h]
        truth = squeezed(window["text"])
        errors += min(len(truth), edit_distance(truth, squeezed(reading_order(inside))))
        total += len(truth)
    return 1 - errors / total


def timed(command, env):
    """Wall and CPU seconds of one run, and its output."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    result = subprocess.run(command, env=env, capture_output=True, text=True, check=True)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
    return (wall, cpu), result.stdout


def lumbex_lines(output, size):
    width, height = size
    lines = []
    for line in json.loads(output)["lines"]:
        (x, y), (w, h) = line["bounds"]
        lines.append((line["text"], x * width, y * height, w * width, h * height))
    return lines


def tesseract_lines(tsv):
    grouped = {}
    for row in tsv.splitlines()[1:]:
        cells = row.split("\t")
        if len(cells) < 12 or cells[0] != "5" or not cells[11].strip():
            continue
        key = tuple(cells[1:5])
        left, top, w, h = map(int, cells[6:10])
        words = grouped.setdefault(key, [])
        words.append((cells[11], left, top, left + w, top + h))
    lines = []
    for words in grouped.values():
        x0 = min(w[1] for w in words)
        y0 = min(w[2] for w in words)
        lines.append((" ".join(w[0] for w in words), x0, y0,
                      max(w[3] for w in words) - x0, max(w[4] for w in words) - y0))
    return lines


def png_size(path):
    with open(path, "rb") as f:
        header = f.read(24)
    return int.from_bytes(header[16:20], "big"), int.from_bytes(header[20:24], "big")


def render_screens(build, folder, env):
    display = ":%d" % (90 + os.getpid() % 100)
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "3840x2160x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(1)
        subprocess.run([os.path.join(build, "bench", "recognition_screens"), folder],
                       env=dict(env, DISPLAY=display, QT_QPA_PLATFORM="xcb"), check=True,
                       stderr=subprocess.DEVNULL)
    finally:
        xvfb.terminate()
        xvfb.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--keep", help="render into and keep this folder")
    parser.add_argument("--only", nargs="*", help="read only these screens")
    args = parser.parse_args()
    env = dict(os.environ, OMP_THREAD_LIMIT="1")
    folder = args.keep or tempfile.mkdtemp(prefix="lumbex-recognition-")
    os.makedirs(folder, exist_ok=True)
    render_screens(args.build, folder, env)
    lumbex = os.path.join(args.build, "lumbex")

    print("%-16s %9s %9s %9s %9s %6s %8s %8s %6s" % (
        "screen", "lumbex", "tesseract", "lumbex s", "tess. s", "ratio", "lumbex", "tess.",
        "ratio"))
    print("%-16s %9s %9s %9s %9s %6s %8s %8s %6s" % (
        "", "accuracy", "accuracy", "wall", "wall", "wall", "cpu s", "cpu s", "cpu"))
    worst_accuracy, worst_ratio = 1.0, 0.0
    for name in args.only or SCREENS:
        image = os.path.join(folder, name + ".png")
        windows = json.load(open(os.path.join(folder, name + ".json")))["windows"]
        ours, theirs = [], []
        for _ in range(args.runs):
            seconds, our_output = timed([lumbex, "recognize", image, "--json"], env)
            ours.append(seconds)
            seconds, their_output = timed(["tesseract", image, "-", "-l", "eng", "tsv"], env)
            theirs.append(seconds)
        our_accuracy = accuracy(windows, lumbex_lines(our_output, png_size(image)))
        their_accuracy = accuracy(windows, tesseract_lines(their_output))
        wall = [statistics.median(t[0] for t in times) for times in (ours, theirs)]
        cpu = [statistics.median(t[1] for t in times) for times in (ours, theirs)]
        worst_accuracy = min(worst_accuracy, our_accuracy)
        worst_ratio = max(worst_ratio, wall[0] / wall[1])
        print("%-16s %8.1f%% %8.1f%% %9.2f %9.2f %6.2f %8.2f %8.2f %6.2f" % (
            name, 100 * our_accuracy, 100 * their_accuracy, wall[0], wall[1], wall[0] / wall[1],
            cpu[0], cpu[1], cpu[0] / cpu[1]))

    if args.only:
        return 0
    gain = subprocess.run([os.path.join(args.build, "bench", "recognition_tile_gain"),
                           os.path.join(folder, "small-text-4k.png"),
                           os.path.join(folder, "small-text-4k.json")],
                          env=env, capture_output=True, text=True, check=True).stdout.strip()
    print(gain)
    print("targets: accuracy >= 95%%, ratio <= 0.5; worst accuracy %.1f%%, worst ratio %.2f" %
          (100 * worst_accuracy, worst_ratio))
    return 0 if worst_accuracy >= 0.95 and worst_ratio <= 0.5 else 1


if __name__ == "__main__":
    sys.exit(main())
