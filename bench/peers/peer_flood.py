#!/usr/bin/python3
"""Floods the real orv-terminal and PuTTY (raw mode) alternately with the same
data from a loopback module, and prints per receiver and scenario: the intake
(MiB/s from the first byte sent until the receiver has read the last one), the
longest time the sender could not send, the receiver's CPU time per MiB, its
peak memory, and the ratios of orv-terminal to PuTTY. Then streams a media
file with orv-terminal (Extra > Stream media File, play) and with `socat -u`
alternately into the same loopback receiver and prints both rates.

Usage: peer_flood.py [--mib N] [--media-mib N] [--rounds N] [--program PATH]
                     [--icons DIR] [--scenario TEXT]
Runs on the display in $DISPLAY (bench/peers/run.sh gives it one of its own).
Every connection is on 127.0.0.1.
"""
import argparse
import hashlib
import os
import select
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 1 << 20
SEND_BUFFER = 64 * 1024
BLOCK = 64 * 1024
START_TIMEOUT_S = 30
DRAIN_TIMEOUT_S = 600
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")

# name, whether the data has line breaks, whether orv-terminal shows it with
# "Write Timestamp" and "Wrap packets" (PuTTY has neither and runs as always).
SCENARIOS = (
    ("80-byte lines", True, False),
    ("no line breaks", False, False),
    ("80-byte lines, timestamps and wrapping", True, True),
)


def data_blocks(total, lines):
    """The flood in blocks of BLOCK bytes: numbered 80-byte lines ending in CR
    LF, or the same characters without any line break."""
    sent = 0
    number = 0
    while sent < total:
        pieces = []
        size = 0
        while size < BLOCK:
            line = "%08d The quick brown fox jumps over the lazy dog 0123456789 abcdefghijklmn" % number
            line = line[:78] + ("\r\n" if lines else "..")
            pieces.append(line)
            size += 80
            number += 1
        block = "".join(pieces).encode("ascii")[:min(BLOCK, total - sent)]
        sent += len(block)
        yield block


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stream:
        fields = stream.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def peak_mib(pid):
    with open("/proc/%d/status" % pid) as stream:
        for line in stream:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return 0.0


def unread_bytes(local_port, remote_port):
    """Bytes the receiver's socket (local_port to remote_port) holds unread."""
    with open("/proc/net/tcp") as stream:
        next(stream)
        for line in stream:
            fields = line.split()
            local, remote = fields[1].split(":")[1], fields[2].split(":")[1]
            if int(local, 16) == local_port and int(remote, 16) == remote_port:
                return int(fields[4].split(":")[1], 16)
    return 0


def xdotool(*args, check=True):
    return subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True, timeout=30,
                          check=check).stdout


def wait_for_window(pid, name=None):
    """The id of a visible window of the process (with the name, if given)."""
    deadline = time.monotonic() + START_TIMEOUT_S
    while time.monotonic() < deadline:
        args = ["search", "--onlyvisible", "--pid", pid] + (["--name", name] if name else [])
        found = xdotool(*args, check=False).split()
        if found:
            return found[0]
        time.sleep(0.1)
    raise RuntimeError("no window %s of process %d" % (name or "", pid))


class Receiver:
    """One run of a receiving program connected to `port`."""

    def __init__(self, kind, port, args, workdir):
        self.kind = kind
        env = dict(os.environ, HOME=workdir, XDG_CONFIG_HOME=os.path.join(workdir, "config"))
        if kind == "orv-terminal":
            os.symlink(args.icons, os.path.join(workdir, "icons"))
            command = [args.program, "--uart", "127.0.0.1:%d" % port, "--connect"]
        else:
            command = ["putty", "-raw", "-P", str(port), "127.0.0.1"]
        self.process = subprocess.Popen(command, cwd=workdir, env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    def settle(self, stamped):
        """Waits until the receiver is ready for the flood, as a user would
        see it: orv-terminal's "Connection successful" box is answered."""
        if self.kind == "orv-terminal":
            box = wait_for_window(self.process.pid, "^Connected$")
            xdotool("windowfocus", "--sync", box)
            xdotool("key", "--window", box, "Return")
            deadline = time.monotonic() + START_TIMEOUT_S
            while xdotool("search", "--onlyvisible", "--name", "^Connected$", check=False).split():
                if time.monotonic() > deadline:
                    raise RuntimeError("the connection box stays open")
                time.sleep(0.05)
            if stamped:
                self.check_timestamp_and_wrap()
        else:
            wait_for_window(self.process.pid)
        time.sleep(1.0)

    def check_timestamp_and_wrap(self):
        # The two check boxes through the keyboard: from the panel's first
        # control, Tab walks the controls in creation order.
        import pyatspi  # only this scenario needs the accessibility bus
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.get_process_id() == self.process.pid:
                break
        else:
            raise RuntimeError("orv-terminal is not on the accessibility bus")
        wanted = {"Write Timestamp", "Wrap packets"}
        stack = [app]
        while stack:
            node = stack.pop()
            try:
                if node.getRoleName() == "check box" and node.name in wanted:
                    node.queryAction().doAction(0)
                    wanted.discard(node.name)
                stack.extend(node[i] for i in range(node.childCount))
            except Exception:  # a window that came or went meanwhile
                continue
        if wanted:
            raise RuntimeError("check boxes not found: %s" % ", ".join(sorted(wanted)))

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
        self.process.wait(timeout=30)


def flood(connection, total, lines):
    """Sends `total` bytes; returns the seconds it took and the longest time
    a send had to wait for room."""
    connection.setblocking(False)
    longest_wait = 0.0
    start = time.monotonic()
    for block in data_blocks(total, lines):
        view = memoryview(block)
        while view:
            try:
                view = view[connection.send(view):]
            except BlockingIOError:
                waited = time.monotonic()
                select.select([], [connection], [], DRAIN_TIMEOUT_S)
                longest_wait = max(longest_wait, time.monotonic() - waited)
    return start, longest_wait


def run_once(kind, scenario, args):
    name, lines, stamped = scenario
    workdir = tempfile.mkdtemp(prefix="peer-flood-")
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    listener.settimeout(START_TIMEOUT_S)
    port = listener.getsockname()[1]
    receiver = Receiver(kind, port, args, workdir)
    try:
        connection, peer = listener.accept()
        connection.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, SEND_BUFFER)
        connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        receiver.settle(stamped and kind == "orv-terminal")
        pid = receiver.process.pid
        cpu_before = cpu_seconds(pid)
        total = args.mib * MIB
        start, longest_wait = flood(connection, total, lines)
        deadline = time.monotonic() + DRAIN_TIMEOUT_S
        # Read by the receiver: nothing left in either socket.
        while unread_bytes(peer[1], port) > 0 or sending_queue(connection) > 0:
            if time.monotonic() > deadline:
                raise RuntimeError("the receiver stopped reading")
            time.sleep(0.002)
        seconds = time.monotonic() - start
        cpu = cpu_seconds(pid) - cpu_before
        result = {"intake": args.mib / seconds, "wait": longest_wait, "cpu": cpu / args.mib,
                  "peak": peak_mib(pid)}
        if receiver.process.poll() is not None:
            raise RuntimeError("%s ended during the flood" % kind)
        connection.close()
        return result
    finally:
        receiver.stop()
        listener.close()
        shutil.rmtree(workdir, ignore_errors=True)


def sending_queue(connection):
    import fcntl
    import struct
    import termios
    return struct.unpack("i", fcntl.ioctl(connection.fileno(), termios.TIOCOUTQ, b"\0\0\0\0"))[0]


def media_receiver(listener, total):
    """Reads `total` bytes from the first connection; returns the seconds from
    its first byte to its last and whether the bytes were the file's."""
    connection, _ = listener.accept()
    buffer = bytearray(1 << 20)
    got = 0
    start = None
    digest = hashlib.sha256()
    deadline = time.monotonic() + DRAIN_TIMEOUT_S
    while got < total and time.monotonic() < deadline:
        count = connection.recv_into(buffer)
        if count == 0:
            break
        if start is None:
            start = time.monotonic()
        digest.update(memoryview(buffer)[:count])
        got += count
    seconds = time.monotonic() - start if start is not None else float("inf")
    connection.close()
    return seconds, got, digest.hexdigest()


def stream_once(kind, path, size, args):
    """MiB/s of one stream of the file at `path` into a loopback receiver."""
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    listener.settimeout(START_TIMEOUT_S)
    port = listener.getsockname()[1]
    with open(path, "rb") as stream:
        expected = hashlib.sha256(stream.read()).hexdigest()
    program = None
    try:
        if kind == "socat":
            sender = subprocess.Popen(["socat", "-u", "FILE:" + path, "TCP:127.0.0.1:%d" % port])
            seconds, got, digest = media_receiver(listener, size)
            sender.wait(timeout=60)
        else:
            import driver
            import screens
            driver.PROGRAM = args.program
            driver.ICONS = args.icons
            workdir = tempfile.mkdtemp(prefix="peer-media-run-")
            os.symlink(path, os.path.join(workdir, os.path.basename(path)))
            program = driver.Program(workdir=workdir, args=["--uart", "127.0.0.1:%d" % port, "--connect"])
            terminal = screens.UartTerminal(program)
            connection_box = program.answer_box(timeout=START_TIMEOUT_S)
            assert connection_box.message == "Connection successful", connection_box
            program.menu("Extra", "Stream media File")
            program.choose_file("Choose a file", os.path.basename(path), "Open")
            terminal.press("play")
            seconds, got, digest = media_receiver(listener, size)
        if got != size or digest != expected:
            raise RuntimeError("%s: the receiver got %d bytes, not the file's %d" % (kind, got, size))
        return args.media_mib / seconds
    finally:
        if program is not None:
            program.stop()
            shutil.rmtree(program.workdir, ignore_errors=True)
        listener.close()


def media(args):
    workdir = tempfile.mkdtemp(prefix="peer-media-")
    try:
        path = os.path.join(workdir, "clip.mp4")
        size = args.media_mib * MIB
        with open(path, "wb") as stream:
            stream.write(os.urandom(size))
        rates = {"orv-terminal": [], "socat": []}
        for _ in range(args.rounds):
            for kind in rates:
                rates[kind].append(stream_once(kind, path, size, args))
        print("\n%d MiB media file into a loopback receiver:" % args.media_mib)
        for kind, values in rates.items():
            print("  %-12s %s" % (kind, spread(values, " MiB/s", 0)))
        ratios = [a / b for a, b in zip(rates["orv-terminal"], rates["socat"])]
        print("  ratio orv-terminal/socat: %s per round, median %.2f, worst %.2f" % (
            ", ".join("%.2f" % r for r in ratios), statistics.median(ratios), min(ratios)), flush=True)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


def spread(values, unit, digits=2):
    text = "%.*f%s" % (digits, statistics.median(values), unit)
    if len(values) > 1:
        text += " (%.*f-%.*f)" % (digits, min(values), digits, max(values))
    return text


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--mib", type=int, default=64)
    parser.add_argument("--media-mib", type=int, default=50)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--program", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build",
                                                          "orv-terminal"))
    parser.add_argument("--icons", default=os.path.join(os.path.dirname(__file__), "..", "..", "icons"))
    parser.add_argument("--scenario", action="append", help="run only the scenarios whose names contain this")
    args = parser.parse_args()
    args.program = os.path.abspath(args.program)
    args.icons = os.path.abspath(args.icons)
    if shutil.which("putty") is None:
        sys.exit("peer_flood: putty is not installed (bench/peers/run.sh installs it)")
    scenarios = [s for s in SCENARIOS if not args.scenario or any(part in s[0] for part in args.scenario)]
    print("%d MiB floods, %d rounds, receivers alternating; median (range)" % (args.mib, args.rounds), flush=True)
    for scenario in scenarios:
        results = {"orv-terminal": [], "putty": []}
        for _ in range(args.rounds):
            for kind in ("orv-terminal", "putty"):
                results[kind].append(run_once(kind, scenario, args))
        print("\n%s:" % scenario[0])
        for kind, runs in results.items():
            print("  %-12s intake %s, longest sender wait %s, CPU %s per MiB, peak %s" % (
                kind, spread([r["intake"] for r in runs], " MiB/s"), spread([r["wait"] for r in runs], " s"),
                spread([r["cpu"] for r in runs], " s", 3), spread([r["peak"] for r in runs], " MiB", 0)))
        ours = [r["intake"] for r in results["orv-terminal"]]
        theirs = [r["intake"] for r in results["putty"]]
        ratios = [a / b for a, b in zip(ours, theirs)]
        print("  intake ratio orv-terminal/putty: %s per round, median %.2f, worst %.2f" % (
            ", ".join("%.2f" % r for r in ratios), statistics.median(ratios), min(ratios)), flush=True)
    if not args.scenario or any("media" in part for part in args.scenario):
        media(args)


if __name__ == "__main__":
    main()
