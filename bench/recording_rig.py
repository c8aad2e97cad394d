"""A private X screen (Xvfb + openbox) with the recording test animation, for the recording
benchmarks. Stops exactly the processes it started."""
import os
import resource
import subprocess
import time


def child_cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


class PrivateScreen:
    def __init__(self, build, work, size="1920x1080"):
        self.build = build
        self.work = work
        self.size = size
        self.processes = []

    def __enter__(self):
        read, write = os.pipe()
        server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-nolisten", "tcp",
                                   "-noreset", "-screen", "0", self.size + "x24"],
                                  pass_fds=[write], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        os.close(write)
        self.processes.append(server)
        with os.fdopen(read) as numbers:
            self.display = ":" + numbers.readline().strip()
        self.env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                        HOME=self.work, XDG_DATA_HOME=os.path.join(self.work, "data"),
                        XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                        XDG_RUNTIME_DIR=self.work)
        ready = os.path.join(self.work, "openbox-ready")
        self.processes.append(subprocess.Popen(["openbox", "--startup", "touch " + ready],
                                               env=self.env, stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL))
        for _ in range(100):
            if os.path.exists(ready):
                break
            time.sleep(0.1)
        return self

    def start_animation(self, fps=30):
        width, height = self.size.split("x")
        animation = subprocess.Popen(
            [os.path.join(self.build, "tests/support/lumbex_test_animation"), "0", "0", width,
             height, str(fps)], env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            text=True)
        self.processes.append(animation)
        animation.stdout.readline()  # its window id, once painted

    def __exit__(self, *exc):
        for process in reversed(self.processes):
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
