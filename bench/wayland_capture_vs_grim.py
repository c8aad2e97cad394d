#!/usr/bin/env python3
"""Full-screen capture on Wayland against grim, in the same run.

A private headless sway session (build/release/tests/support/lumbex_wayland_runner: its own
D-Bus bus, PipeWire, the desktop portal with its wlroots backend) shows a realistic desktop
(bench_desktop_window, full screen). Then, alternately, each a new process every time:

  grim      `grim out.png`: the compositor's own screenshot tool writing a PNG of the output
  lumbex    `lumbex capture --display 0 -o out.png`: the output copied straight from the
            compositor (wlr-screencopy, as grim reads it), then Lumbex's own PNG

Prints the median and minimum wall time of each and the file sizes; the goal is lumbex no slower
than grim. Also prints the startup cost of `lumbex --version`, which any lumbex command pays.

    bench/wayland_capture_vs_grim.py [--build build/release] [--runs 15] [--size 1920x1080]

When run as root, the session and every client run as "nobody" (sway refuses root).
"""
import argparse
import glob
import os
import statistics
import subprocess
import sys
import time

from wayland_bench_session import as_session_user, end_session, programs, start_session


def timed(args, env, cwd, out):
    if out and os.path.exists(out):
        os.remove(out)
    start = time.monotonic()
    result = subprocess.run(as_session_user(args), env=env, cwd=cwd, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, check=False)
    elapsed = time.monotonic() - start
    if result.returncode != 0 or (out and not os.path.exists(out)):
        raise SystemExit(f"{args[0]} failed ({result.returncode}): {result.stderr.decode()}")
    return elapsed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--size", default="1920x1080")
    options = parser.parse_args()
    width, height = options.size.split("x")
    lumbex, desktop = programs(options.build, "lumbex", "bench/bench_desktop_window")
    session, env = start_session(options.build, width, height)
    folder = env["XDG_RUNTIME_DIR"]
    window = None
    try:
        window = subprocess.Popen(as_session_user([desktop]), env=dict(env, QT_QPA_PLATFORM="wayland"),
                                  cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                  text=True)
        if window.stdout.readline().strip() != "ready":
            raise SystemExit("the desktop window did not appear")
        sockets = glob.glob(os.path.join(folder, "sway-ipc.*.sock"))
        subprocess.run(as_session_user(["swaymsg", "-s", sockets[0], "fullscreen", "enable"]),
                       env=env, stdout=subprocess.DEVNULL, check=True)
        time.sleep(0.5)

        out = os.path.join(folder, "out.png")
        commands = {
            "grim": ["grim", out],
            "lumbex": [lumbex, "capture", "--display", "0", "-o", out],
            "lumbex --version": [lumbex, "--version"],
        }
        times = {name: [] for name in commands}
        sizes = {}
        for name, args in commands.items():  # warm-up: page cache, portal backends started
            timed(args, env, folder, out if "-o" in args or name == "grim" else None)
        for _ in range(options.runs):
            for name, args in commands.items():
                writes = name != "lumbex --version"
                times[name].append(timed(args, env, folder, out if writes else None))
                if writes:
                    sizes[name] = os.path.getsize(out)

        print(f"{width} × {height} headless sway output, {options.runs} runs each, alternating")
        for name, values in times.items():
            size = f"{sizes[name]:>10,} bytes" if name in sizes else ""
            print(f"{name:<18} median {statistics.median(values) * 1000:7.1f} ms   "
                  f"min {min(values) * 1000:7.1f} ms   {size}")
        ratio = statistics.median(times["lumbex"]) / statistics.median(times["grim"])
        print(f"lumbex / grim: {ratio:.2f}×  (goal: at most 1.00×)")
    finally:
        if window:
            window.terminate()
            window.wait()
        end_session(session)


if __name__ == "__main__":
    sys.exit(main())
