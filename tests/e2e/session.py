#!/usr/bin/python3
"""Runs one command on a display and accessibility bus of its own.

Usage: session.py COMMAND [ARGS...]

Starts Xvfb on a free display (the server picks it, so parallel sessions
never race for one), a private D-Bus session and the accessibility bus with
its registry, runs the command there and returns its exit status.
Everything started here ends with it.
"""
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

SCREEN = "1280x1024x24"
START_TIMEOUT_S = 20


def start_xvfb():
    """Starts Xvfb on the first free display; returns it with its name."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN, "-nolisten", "tcp"],
                              pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + START_TIMEOUT_S
    try:
        # The server writes the display's number once it accepts clients.
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([read_end], [], [], left)[0]:
                raise RuntimeError("Xvfb did not start within %d s" % START_TIMEOUT_S)
            piece = os.read(read_end, 16)
            if not piece:
                raise RuntimeError("Xvfb ended before it named its display")
            number += piece
    except RuntimeError:
        server.kill()
        raise
    finally:
        os.close(read_end)
    return server, ":" + number.decode().strip()


# The exit status of a session whose accessibility bus did not come up.
BUS_FAILED = 212
SESSION_ATTEMPTS = 3


def run_session(command):
    """Runs the command in a session of its own; BUS_FAILED when the
    session's accessibility bus did not come up, so nothing of the command
    ran."""
    server, display = start_xvfb()
    # A runtime folder of its own keeps the accessibility bus's socket apart
    # from every other session's. The toolkit's and the system's texts (button
    # labels, error messages) are the untranslated ones the tests look for.
    runtime = tempfile.mkdtemp(prefix="orv-session-")
    # The settings of the programs run in this session live in a folder of
    # its own, which starts empty: the first start shows the defaults.
    config = tempfile.mkdtemp(prefix="orv-session-config-")
    env = dict(os.environ, DISPLAY=display, XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=config, NO_AT_BRIDGE="0", GTK_A11Y="atspi",
               PYTHONDONTWRITEBYTECODE="1", LC_ALL="C.UTF-8", LANGUAGE="")
    env.pop("WAYLAND_DISPLAY", None)
    # Asking for the accessibility bus starts it (D-Bus activation) and
    # answers once it runs; a call to the registry on it starts that too.
    # Only then does the command start, so no program misses the bus.
    script = ('address=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus '
              'org.a11y.Bus.GetAddress | tr -d " ") && '
              'dbus-send --bus="$address" --print-reply --dest=org.a11y.atspi.Registry /org/a11y/atspi/registry '
              'org.a11y.atspi.Registry.GetRegisteredEvents >/dev/null || exit %d; exec "$@"' % BUS_FAILED)
    try:
        return subprocess.call(["dbus-run-session", "--", "sh", "-c", script, "session"] + command, env=env)
    finally:
        server.terminate()
        server.wait(timeout=10)
        shutil.rmtree(runtime, ignore_errors=True)
        shutil.rmtree(config, ignore_errors=True)


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: session.py COMMAND [ARGS...]")
    # On a busy machine the registry now and then fails to reach a display
    # that has just come up; a new session is then started, the command not
    # having run.
    for attempt in range(1, SESSION_ATTEMPTS + 1):
        status = run_session(sys.argv[1:])
        if status != BUS_FAILED:
            break
        print("session.py: the accessibility bus did not come up (attempt %d of %d)" % (attempt, SESSION_ATTEMPTS),
              file=sys.stderr)
    sys.exit(status)


if __name__ == "__main__":
    main()
