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
import socket
import statistics
import subprocess
import sys
import tempfile
import time

from peer_common import START_TIMEOUT_S, Receiver, TcpClientReach, cpu_seconds, data_line, peak_mib

MIB = 1 << 20
BLOCK = 64 * 1024
DRAIN_TIMEOUT_S = 600

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
            pieces.append(data_line(number, lines))
            size += 80
            number += 1
        block = b"".join(pieces)[:min(BLOCK, total - sent)]
        sent += len(block)
        yield block


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
    reach = TcpClientReach()
    receiver = Receiver(kind, reach.command(kind, args.program), workdir, args.icons, stamped)
    try:
        end = reach.open(receiver)
        time.sleep(1.0)
        pid = receiver.pid
        cpu_before = cpu_seconds(pid)
        total = args.mib * MIB
        start, longest_wait = flood(end.connection, total, lines)
        deadline = time.monotonic() + DRAIN_TIMEOUT_S
        # Read by the receiver: nothing left in either socket.
        while end.unsent() > 0:
            if time.monotonic() > deadline:
                raise RuntimeError("the receiver stopped reading")
            time.sleep(0.002)
        seconds = time.monotonic() - start
        cpu = cpu_seconds(pid) - cpu_before
        result = {"intake": args.mib / seconds, "wait": longest_wait, "cpu": cpu / args.mib,
                  "peak": peak_mib(pid)}
        if not receiver.alive():
            raise RuntimeError("%s ended during the flood" % kind)
        end.close()
        return result
    finally:
        receiver.stop()
        reach.close()
        shutil.rmtree(workdir, ignore_errors=True)


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
