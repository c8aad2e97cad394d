#!/usr/bin/env python3
"""Reading time of the running application (warm engines) against the plain `tesseract` command.

Renders the five screens of bench/recognition_quality.py under a private Xvfb, starts the desktop
application there with its own settings and data folders, and hands each screen to it over the
single-instance socket, exactly as `lumbex recognize` does when an application is running. The
time measured is the application's side of a reading: from sending the bitmap to holding the
lines, which is the reading behind Extract Text without drawing the window. Beside it, in the
same run and alternating with it, the wall time of `tesseract IMAGE - -l eng` (OMP_THREAD_LIMIT=1
for both, as in recognition_quality.py).

The same screens are then read as a person would: Extract Text chosen in an editor window, until
the recognition window shows its lines (bench/extract_text_timing, a first reading in a new process
for each screen, then warm readings after the engines have loaded).

Reported per screen: the first reading after start-up (a new application each time, the request
sent as soon as its socket answers, before the warm-up), the median warm reading, tesseract's
median, and the ratio warm / tesseract, with the CPU time of both beside (steadier on a shared
machine); and the application's resident memory before and after the engines have loaded (VmRSS
of /proc/PID/status).

usage: bench/warm_recognition.py BUILD_DIR [--runs N] [--only SCREEN...]
"""
import argparse
import hashlib
import os
import shutil
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import recognition_quality as quality  # noqa: E402

READING_WORD = "--read-bitmap"
FORMAT_RGB32 = 4
WARM_UP_WAIT_S = 5


def qstring(text):
    data = text.encode("utf-16-be")
    return struct.pack(">I", len(data)) + data


def reading_request(pixels, width, height):
    body = struct.pack(">?iiiI", False, width, height, FORMAT_RGB32, 0)
    body += struct.pack(">I", len(pixels)) + pixels
    return struct.pack(">I", 1) + qstring(READING_WORD) + struct.pack(">q", len(body)) + body


class Answer:
    """Parses the application's answer; raises IndexError while it is incomplete."""

    def __init__(self, data):
        self.data, self.at = data, 0
        if not self.take(">?")[0]:
            raise RuntimeError("the application could not read: " + self.text())
        self.lines = []
        for _ in range(self.take(">I")[0]):
            text = self.text()
            self.lines.append((text,) + self.take(">dddd"))
        self.codes = [self.text() for _ in range(self.take(">I")[0])]

    def take(self, layout):
        size = struct.calcsize(layout)
        if self.at + size > len(self.data):
            raise IndexError
        values = struct.unpack_from(layout, self.data, self.at)
        self.at += size
        return values

    def text(self):
        (size,) = self.take(">I")
        if size == 0xFFFFFFFF:
            return ""
        if self.at + size > len(self.data):
            raise IndexError
        text = self.data[self.at:self.at + size].decode("utf-16-be")
        self.at += size
        return text


def socket_path(config_home, display):
    identity = "%s|%s|%d" % (config_home, display, os.getuid())
    name = "lumbex-" + hashlib.sha256(identity.encode()).hexdigest()[:16]
    return os.path.join(tempfile.gettempdir(), name)


def connect(path, deadline_s=30):
    deadline = time.monotonic() + deadline_s
    while True:
        try:
            client = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            client.connect(path)
            return client
        except OSError:
            client.close()
            if time.monotonic() > deadline:
                raise
            time.sleep(0.02)


def read_in_app(path, request):
    """Seconds from sending the bitmap to holding the whole answer, and the answer."""
    client = connect(path)
    try:
        start = time.monotonic()
        client.sendall(request)
        data = b""
        while True:
            chunk = client.recv(1 << 16)
            if not chunk:
                raise RuntimeError("the application closed the connection")
            data += chunk
            try:
                answer = Answer(data)
                return time.monotonic() - start, answer
            except IndexError:
                continue
    finally:
        client.close()


def cpu_seconds(pid):
    """User and system time the process has used so far."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class App:
    """The desktop application on `display` with folders of its own."""

    def __init__(self, build, display, env):
        self.home = tempfile.mkdtemp(prefix="lumbex-warm-app-")
        config = os.path.join(self.home, "config")
        self.env = dict(env, DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=config,
                        XDG_DATA_HOME=os.path.join(self.home, "data"))
        self.path = socket_path(config, display)
        self.process = subprocess.Popen([os.path.join(build, "lumbex")], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        connect(self.path).close()

    def close(self):
        self.process.terminate()
        self.process.wait()
        shutil.rmtree(self.home, ignore_errors=True)


def raw_pixels(png):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", png, "-f", "rawvideo", "-pix_fmt",
                           "bgra", "-"], capture_output=True, check=True).stdout


def window_readings(build, display, env, pngs, runs, warm_up):
    """Seconds of each Extract Text in an editor window, per screen, from extract_text_timing."""
    command = [os.path.join(build, "bench", "extract_text_timing"), "--runs", str(runs)]
    if warm_up:
        command.append("--warm-up")
    home = tempfile.mkdtemp(prefix="lumbex-warm-window-")
    try:
        output = subprocess.run(
            command + pngs, check=True, capture_output=True, text=True,
            env=dict(env, DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=home,
                     XDG_DATA_HOME=home, TMPDIR=home)).stdout
    finally:
        # Saved notes leave read-only files behind.
        subprocess.run(["chmod", "-R", "u+w", home], check=False)
        shutil.rmtree(home, ignore_errors=True)
    return {line.split()[0]: [float(x) for x in line.split()[1:]] for line in output.splitlines()}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--only", nargs="*", help="read only these screens")
    args = parser.parse_args()
    env = dict(os.environ, OMP_THREAD_LIMIT="1")
    folder = tempfile.mkdtemp(prefix="lumbex-warm-screens-")
    quality.render_screens(args.build, folder, env)

    display = ":%d" % (190 + os.getpid() % 100)
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    try:
        screens = args.only or quality.SCREENS
        requests = {}
        for name in screens:
            png = os.path.join(folder, name + ".png")
            width, height = quality.png_size(png)
            requests[name] = (png, (width, height),
                              reading_request(raw_pixels(png), width, height))

        first = {}
        for name in screens:
            app = App(args.build, display, env)
            try:
                first[name] = read_in_app(app.path, requests[name][2])[0]
            finally:
                app.close()

        app = App(args.build, display, env)
        try:
            before = rss_kib(app.process.pid)
            time.sleep(WARM_UP_WAIT_S)
            warmed = rss_kib(app.process.pid)
            print("application RSS: %d MiB before warm-up, %d MiB with warm engines (+%d MiB)" %
                  (before / 1024, warmed / 1024, (warmed - before) / 1024))
            print("%-16s %9s %9s %9s %6s %6s %8s %8s %6s %9s" % (
                "screen", "first s", "warm s", "tess. s", "warm/t", "1st/t", "warm cpu",
                "tess cpu", "cpu/t", "accuracy"))
            worst = 0.0
            for name in screens:
                png, size, request = requests[name]
                windows = quality.json.load(open(os.path.join(folder, name + ".json")))["windows"]
                ours, theirs, our_cpu, their_cpu = [], [], [], []
                for _ in range(args.runs):
                    cpu_before = cpu_seconds(app.process.pid)
                    seconds, answer = read_in_app(app.path, request)
                    our_cpu.append(cpu_seconds(app.process.pid) - cpu_before)
                    ours.append(seconds)
                    (wall, cpu), _ = quality.timed(["tesseract", png, "-", "-l", "eng"], env)
                    theirs.append(wall)
                    their_cpu.append(cpu)
                lines = [(text, x * size[0], y * size[1], w * size[0], h * size[1])
                         for text, x, y, w, h in answer.lines]
                warm, peer = statistics.median(ours), statistics.median(theirs)
                cpu, peer_cpu = statistics.median(our_cpu), statistics.median(their_cpu)
                worst = max(worst, warm / peer)
                print("%-16s %9.3f %9.3f %9.3f %6.2f %6.2f %8.2f %8.2f %6.2f %8.1f%%" % (
                    name, first[name], warm, peer, warm / peer, first[name] / peer, cpu,
                    peer_cpu, cpu / peer_cpu, 100 * quality.accuracy(windows, lines)))
            print("after the readings: %d MiB" % (rss_kib(app.process.pid) / 1024))
        finally:
            app.close()

        # The same readings chosen as Extract Text in an editor window, until its lines show;
        # tesseract again right after each screen's readings.
        print("Extract Text in an editor window:")
        print("%-16s %9s %9s %9s %6s %6s" % ("screen", "first s", "warm s", "tess. s", "warm/t",
                                              "1st/t"))
        for name in screens:
            png = requests[name][0]
            first_s = window_readings(args.build, display, env, [png], 1, False)[name][0]
            warm = statistics.median(
                window_readings(args.build, display, env, [png], args.runs, True)[name])
            peer = statistics.median(
                quality.timed(["tesseract", png, "-", "-l", "eng"], env)[0][0]
                for _ in range(args.runs))
            worst = max(worst, warm / peer)
            print("%-16s %9.3f %9.3f %9.3f %6.2f %6.2f" % (
                name, first_s, warm, peer, warm / peer, first_s / peer))
        print("target: warm/tesseract <= 0.5 on every screen; worst %.2f" % worst)
        return 0 if worst <= 0.5 else 1
    finally:
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
