#!/usr/bin/env python3
"""Live dictation latency: from the moment speech starts in the microphone's stream to the first
volatile words in the note's text, goal at most 1 s.

Starts a private PulseAudio server (a null sink whose monitor is remapped as the default
microphone), then runs build/bench/voice_first_words, which dictates into a fresh note through the
real session, audio writer and pocketsphinx recogniser while it plays pocketsphinx's own
"go forward ten meters" recording into the sink. The onset is the write to the server that holds
the first loud 10 ms of the recording, so the figure includes the server's buffering, the
capture fragments, the writer's queue, the recogniser's partial-result spacing and the hop to the
GUI thread.

usage: bench/voice_first_words.py BUILD_DIR [--runs N]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SPEECH = "/usr/share/pocketsphinx/test/data/goforward.raw"
GOAL = 1.0


def start_server(folder):
    run = os.path.join(folder, "run")
    os.makedirs(run, mode=0o700)
    socket = os.path.join(folder, "s")
    env = dict(os.environ, HOME=folder, XDG_RUNTIME_DIR=run,
               XDG_CONFIG_HOME=os.path.join(folder, "config"))
    env.pop("PULSE_SERVER", None)
    server = subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm",
         "--log-level=error",
         "-L", f"module-native-protocol-unix socket={socket} auth-anonymous=1",
         "-L", "module-null-sink sink_name=v",
         "-L", "module-remap-source source_name=mic master=v.monitor"],
        env=env)
    address = "unix:" + socket
    client = dict(os.environ, PULSE_SERVER=address)
    deadline = time.time() + 10
    while subprocess.run(["pactl", "info"], env=client, capture_output=True).returncode != 0:
        if time.time() > deadline:
            server.terminate()
            sys.exit("the private PulseAudio server did not start")
        time.sleep(0.05)
    subprocess.run(["pactl", "set-default-source", "mic"], env=client, check=True)
    subprocess.run(["pactl", "set-default-sink", "v"], env=client, check=True)
    return server, address


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()
    binary = os.path.join(args.build, "bench", "voice_first_words")
    for needed in ("pulseaudio", "pactl"):
        if not shutil.which(needed):
            sys.exit(f"{needed} is not installed")
    folder = tempfile.mkdtemp(prefix="lumbex-first-words-")
    server, address = start_server(folder)
    try:
        home = os.path.join(folder, "home")
        os.makedirs(home)
        env = dict(os.environ, PULSE_SERVER=address, HOME=home, QT_QPA_PLATFORM="offscreen",
                   XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"))
        out = subprocess.run([binary, SPEECH, str(args.runs)], env=env, capture_output=True,
                             text=True, timeout=60 * args.runs + 60)
        latencies, missed, audio = [], 0, None
        for line in out.stdout.splitlines():
            if line.startswith("latency "):
                latencies.append(float(line.split()[1]))
            elif line.startswith("audio "):
                audio = float(line.split()[1])
            elif line == "missed":
                missed += 1
        sys.stderr.write(out.stderr)
        if out.returncode != 0 or not latencies:
            sys.stderr.write(out.stderr)
            sys.exit(f"voice_first_words failed (exit {out.returncode})")
    finally:
        server.terminate()
        server.wait(5)
        shutil.rmtree(folder, ignore_errors=True)
    median = statistics.median(latencies)
    print(f"speech onset to first words in the note, {len(latencies)} runs"
          f"{f', {missed} without words' if missed else ''}:")
    print("  each (s): " + " ".join(f"{x:.3f}" for x in latencies))
    print(f"  median {median:.3f} s, min {min(latencies):.3f} s, max {max(latencies):.3f} s"
          f" (goal ≤ {GOAL:.1f} s: {'met' if median <= GOAL else 'NOT met'} by the median,"
          f" {'met' if max(latencies) <= GOAL else 'not met'} by the slowest)")
    if audio is not None:
        print(f"  of which audio the recogniser needs after the onset before its first words:"
              f" {audio:.3f} s")
    load = os.getloadavg()
    print(f"  load average during the run: {load[0]:.1f} on {os.cpu_count()} processors")


if __name__ == "__main__":
    main()
