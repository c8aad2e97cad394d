"""The private headless Wayland session the Wayland benchmarks run in.

lumbex_wayland_runner (tests/support) starts it and prints what its clients need; the session
lasts until its standard input closes. When run as root, the session and every client run as
"nobody" (sway refuses root).
"""
import os
import subprocess


def as_session_user(args):
    if os.geteuid() != 0:
        return args
    return ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"] + args


def programs(build, *paths):
    """The absolute paths of programs built in `build`; exits when one is missing."""
    found = [os.path.abspath(os.path.join(build, path)) for path in paths]
    for program in found:
        if not os.access(program, os.X_OK):
            raise SystemExit(f"build {os.path.basename(program)} in {build} first")
    return found


def start_session(build, width, height):
    """Starts a session with one output of that size: (its process, its clients' environment)."""
    runner = programs(build, "tests/support/lumbex_wayland_runner")[0]
    session = subprocess.Popen([runner, width, height], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    env = {"PATH": "/usr/local/bin:/usr/bin:/bin", "LANG": "C.UTF-8"}
    for line in session.stdout:
        line = line.strip()
        if line == "ready":
            return session, env
        name, _, value = line.partition("=")
        env[name] = value
    raise SystemExit("the Wayland session did not start: " + session.stderr.read())


def end_session(session):
    session.stdin.close()
    session.wait()
