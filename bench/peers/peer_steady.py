#!/usr/bin/python3
"""Feeds the real orv-terminal and PuTTY (raw mode) alternately from a
loopback module that sends 80-byte lines at the steady rates serial lines
deliver, and prints per scenario each program's own CPU seconds over the
measured span (utime + stime of its process), the ratio of orv-terminal to
PuTTY per round (median and worst), and orv-terminal's receive-to-screen lag.

Each run: the program starts and is made ready (the connection box
answered, the scenario's options ticked); 3 s after its start the module
sends for 15 s, and the CPU the program spent in those 15 s is its figure.
"idle" sends nothing. The lag is measured from outside, in runs of its own
(the probe makes the program send every insertion to the accessibility
bus): from the moment the module's socket took a line to the moment the
line went into the shown view. PuTTY draws its text itself and exposes none,
so it has no lag figure.

Usage: peer_steady.py [--rounds N] [--scenario TEXT]... [--seconds S]
                      [--startup S] [--programs A,B] [--no-lag]
                      [--no-accessibility] [--tick-ms MS] [--perf DIR]
                      [--count-calls F,G] [--count-syscalls]
                      [--program PATH] [--icons DIR]
Runs on the display in $DISPLAY (bench/peers/run.sh gives it one of its own).
Every connection is on 127.0.0.1.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

from peer_common import (LINE_BYTES, REACHES, Receiver, cpu_seconds, data_line, load_average)

HERE = os.path.dirname(os.path.abspath(__file__))
# How often the module looks at the clock: it never runs ahead of the rate,
# so it sends what fell due since its last look.
TICK_S = 0.003
# How long the lag probe waits for the last line to be shown.
CATCH_UP_S = 10.0

# name, link mode, bytes a second (0: nothing sent), whether orv-terminal
# shows the data with "Write Timestamp" and "Wrap packets" (PuTTY has neither
# and runs as always). The rates are those of 115200, 921600 and 3000000 baud.
RATES = (("11.5 KB/s", 11520), ("92 KB/s", 92160), ("300 KB/s", 300000))
SCENARIOS = ((("idle", "tcp-client", 0, False),) +
             tuple((name, "tcp-client", rate, False) for name, rate in RATES) +
             tuple((name + ", timestamps and wrapping", "tcp-client", rate, True) for name, rate in RATES) +
             # The other link modes at the middle rate, the terminal alone.
             (("92 KB/s, the terminal as TCP server", "tcp-server", 92160, False),
              ("92 KB/s over UDP", "udp", 92160, False)))


class SteadySender:
    """The module: numbered 80-byte lines, so that the bytes taken by the
    link never run ahead of rate x elapsed time. Notes when each line's last
    byte was taken."""

    def __init__(self, end, rate, tick):
        self.end = end
        self.rate = rate
        self.tick = tick
        self.sent_at = []
        self.taken = 0
        self.most_behind = 0
        self.pending = b""
        self.queued_lines = 0

    def run(self, seconds):
        start = time.monotonic()
        deadline = start + seconds
        while True:
            now = time.monotonic()
            if now >= deadline:
                break
            if self.rate > 0:
                due_lines = int(self.rate * (now - start)) // LINE_BYTES
                if due_lines > self.queued_lines:
                    self.pending += b"".join(data_line(n) for n in range(self.queued_lines, due_lines))
                    self.queued_lines = due_lines
                if self.pending:
                    count = self.end.send(self.pending)
                    self.pending = self.pending[count:]
                    self.taken += count
                    now = time.monotonic()
                    while (len(self.sent_at) + 1) * LINE_BYTES <= self.taken:
                        self.sent_at.append(now)
                self.most_behind = max(self.most_behind, len(self.pending))
            time.sleep(min(self.tick, max(0.0, deadline - time.monotonic())))
        return time.monotonic() - start

    def send_closing_lines(self, count):
        """Lines after the measured ones, neither timed nor counted."""
        first = self.queued_lines
        data = self.pending + b"".join(data_line(n) for n in range(first, first + count))
        deadline = time.monotonic() + CATCH_UP_S
        while data and time.monotonic() < deadline:
            data = data[self.end.send(data):]
            time.sleep(TICK_S)


class CallCounter:
    """Calls of some functions of a running program, counted by breakpoints
    that never stop it (gdb ignore counts), or its system calls (strace -c).
    Each hit costs a round trip through the debugger: the program's pace, and
    so the counts of what it does per frame, shift somewhat."""

    def __init__(self, pid, functions=None):
        self.functions = functions
        if functions:
            command = ["gdb", "-p", str(pid), "-batch", "-ex", "set pagination off"]
            command += [item for f in functions for item in ("-ex", "break " + f)]
            command += [item for n in range(1, len(functions) + 1) for item in ("-ex", "ignore %d 1000000000" % n)]
            command += ["-ex", "python import time; t0 = time.monotonic()", "-ex", "continue",
                        "-ex", "python print('window %.3f' % (time.monotonic() - t0))", "-ex", "info breakpoints"]
        else:
            command = ["strace", "-c", "-f", "-p", str(pid)]
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.lines = []
        self.ready = threading.Event()
        self.reader = threading.Thread(target=self._collect, daemon=True)
        self.reader.start()
        # gdb reads the symbols of every library before the breakpoints hold;
        # strace says so of each thread it has attached to.
        if not self.ready.wait(120):
            raise RuntimeError("the call counter did not start")
        time.sleep(0.2)
        self.started = time.monotonic()

    def _collect(self):
        for line in self.process.stdout:
            self.lines.append(line)
            if line.startswith("Continuing.") or (not self.functions and "attached" in line):
                self.ready.set()

    def stop(self):
        """Calls per second by function or system call."""
        seconds = time.monotonic() - self.started
        self.process.send_signal(2)
        self.process.wait(timeout=120)
        self.reader.join(timeout=30)
        out = "".join(self.lines)
        counts = {}
        if self.functions:
            number = None
            for line in out.split("\n"):
                fields = line.split()
                if line.startswith("window "):
                    seconds = float(fields[1])
                elif fields and fields[0].isdigit() and len(fields) > 1 and fields[1] == "breakpoint":
                    number = int(fields[0])
                elif "already hit" in line and number is not None:
                    counts[self.functions[number - 1]] = int(fields[3])
            counts = {f: counts.get(f, 0) for f in self.functions}
        else:
            for line in out.split("\n"):
                fields = line.split()
                if len(fields) >= 5 and fields[0][0].isdigit() and fields[-1] != "total":
                    counts[fields[-1]] = int(fields[3])
        return {name: count / seconds for name, count in counts.items()}


class LagProbe:
    """lag_probe.py beside a run: when each newer line went into a view,
    collected on a thread as the probe tells it."""

    def __init__(self, seconds):
        self.process = subprocess.Popen([sys.executable, os.path.join(HERE, "lag_probe.py"), "--seconds",
                                         str(seconds)], stdout=subprocess.PIPE, text=True)
        if self.process.stdout.readline().strip() != "READY":
            raise RuntimeError("the lag probe did not start")
        self.shown = []
        self.reader = threading.Thread(target=self._collect, daemon=True)
        self.reader.start()

    def _collect(self):
        for line in self.process.stdout:
            at, number = line.split()
            self.shown.append((float(at), int(number)))

    def newest(self):
        return self.shown[-1][1] if self.shown else -1

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=30)
        self.reader.join(timeout=30)
        return self.shown


def lags_ms(sent_at, shown):
    """Per line: from its send to the first insertion of it or a newer line;
    and how many lines were never shown."""
    lags = []
    index = 0
    for number, sent in enumerate(sent_at):
        while index < len(shown) and shown[index][1] < number:
            index += 1
        if index == len(shown):
            return lags, len(sent_at) - number
        lags.append(max(0.0, shown[index][0] - sent) * 1000)
    return lags, 0


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))] if ordered else float("nan")


def run_once(kind, scenario, args, probe_lag=False, perf_path=None):
    name, mode, rate, stamped = scenario
    workdir = tempfile.mkdtemp(prefix="peer-steady-")
    reach = REACHES[mode]()
    receiver = Receiver(kind, reach.command(kind, args.program), workdir, args.icons, stamped,
                        accessible=probe_lag or not args.no_accessibility)
    probe = perf = None
    try:
        end = reach.open(receiver)
        if probe_lag:
            probe = LagProbe(args.startup + args.seconds + CATCH_UP_S + 60)
        time.sleep(max(0.5, receiver.started + args.startup - time.monotonic()))
        if perf_path:
            perf = subprocess.Popen(["perf", "record", "-q", "-e", "cpu-clock", "-F", "997", "--call-graph",
                                     "dwarf,16384", "-p", str(receiver.pid), "-o", perf_path],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(0.5)
        counter = None
        if kind == "orv-terminal" and (args.count_calls or args.count_syscalls):
            counter = CallCounter(receiver.pid, args.count_calls.split(",") if args.count_calls else None)
        sender = SteadySender(end, rate, args.tick_ms / 1000)
        cpu_before = cpu_seconds(receiver.pid)
        seconds = sender.run(args.seconds)
        cpu = cpu_seconds(receiver.pid) - cpu_before
        result = {"cpu": cpu, "seconds": seconds, "rate": sender.taken / seconds, "behind": sender.most_behind,
                  "unread": end.unsent(), "load": load_average()}
        if counter:
            result["calls"] = counter.stop()
        if perf:
            perf.send_signal(2)
            perf.wait(timeout=120)
        if probe:
            # A line cut between two chunks is whole in no insertion when
            # wrapping: the newer lines after it tell that it went in.
            sender.send_closing_lines(3)
            deadline = time.monotonic() + CATCH_UP_S
            while probe.newest() < len(sender.sent_at) - 1 and time.monotonic() < deadline:
                time.sleep(0.05)
            shown = probe.stop()
            probe = None
            result["lags"], result["unshown"] = lags_ms(sender.sent_at, shown)
        if not receiver.alive():
            raise RuntimeError("%s ended during the run" % kind)
        end.close()
        return result
    finally:
        if probe:
            probe.stop()
        if perf and perf.poll() is None:
            perf.kill()
            perf.wait(timeout=30)
        receiver.stop()
        reach.close()
        shutil.rmtree(workdir, ignore_errors=True)


def spread(values, unit, digits=2):
    text = "%.*f%s" % (digits, statistics.median(values), unit)
    if len(values) > 1:
        text += " (%.*f-%.*f)" % (digits, min(values), digits, max(values))
    return text


def report(scenario, results, lag_runs, args):
    name, mode, rate, _ = scenario
    loads = [r["load"] for runs in results.values() for r in runs]
    print("\n%s (%s), %.0f s after a %.0f s start-up; load average %.1f-%.1f:" % (
        name, mode, args.seconds, args.startup, min(loads), max(loads)))
    for kind, runs in results.items():
        cpu = [r["cpu"] for r in runs]
        line = "  %-12s CPU %s = %.1f %% of a core" % (kind, spread(cpu, " s"), 100 * statistics.median(cpu) /
                                                        args.seconds)
        if rate:
            line += "; sent %s, most held up %d B, unread at the end %d B" % (
                spread([r["rate"] / 1000 for r in runs], " KB/s", 1), max(r["behind"] for r in runs),
                max(r["unread"] for r in runs))
        print(line)
    if "orv-terminal" in results and "putty" in results:
        pairs = list(zip(results["orv-terminal"], results["putty"]))
        ratios = [a["cpu"] / b["cpu"] for a, b in pairs if b["cpu"] > 0]
        if len(ratios) < len(pairs):
            print("  CPU ratio orv-terminal/putty: none where PuTTY took less than a clock tick")
        else:
            print("  CPU ratio orv-terminal/putty: %s per round, median %.2f, worst %.2f" % (
                ", ".join("%.2f" % r for r in ratios), statistics.median(ratios), max(ratios)))
    counted = [r["calls"] for runs in results.values() for r in runs if "calls" in r]
    if counted:
        print("  calls a second in orv-terminal (its CPU above includes the counting's stops):")
        for name in counted[0]:
            print("    %8.0f  %s" % (statistics.median(c.get(name, 0) for c in counted), name))
    if lag_runs:
        lags = [lag for r in lag_runs for lag in r["lags"]]
        unshown = sum(r["unshown"] for r in lag_runs)
        print("  orv-terminal lag receive-to-view (probe runs): median %.0f ms, p99 %.0f ms, max %.0f ms over %d "
              "lines%s; CPU with the probe %s" % (
                  percentile(lags, 0.5), percentile(lags, 0.99), percentile(lags, 1.0), len(lags),
                  ", %d NEVER SHOWN" % unshown if unshown else "", spread([r["cpu"] for r in lag_runs], " s")))
    sys.stdout.flush()


def chosen(part, name):
    """A scenario's whole name picks it alone; a part of names picks each
    name that holds it."""
    if any(part == s[0] for s in SCENARIOS):
        return part == name
    return part in name


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--scenario", action="append",
                        help="run only the scenarios whose names contain this, or the one so named (%s)" % "; ".join(
                            s[0] for s in SCENARIOS))
    parser.add_argument("--seconds", type=float, default=15.0)
    parser.add_argument("--startup", type=float, default=3.0)
    parser.add_argument("--programs", default="orv-terminal,putty")
    parser.add_argument("--no-lag", action="store_true", help="no runs with the lag probe")
    parser.add_argument("--no-accessibility", action="store_true",
                        help="the measured programs off the accessibility bus (the lag probe's runs stay on it)")
    parser.add_argument("--tick-ms", type=float, default=TICK_S * 1000,
                        help="how often the module sends what fell due (%(default)s)")
    parser.add_argument("--perf", metavar="DIR", help="record the measured runs with perf into DIR")
    parser.add_argument("--count-calls", metavar="F,G", default="",
                        help="count calls of these functions in orv-terminal's runs (gdb)")
    parser.add_argument("--count-syscalls", action="store_true",
                        help="count orv-terminal's system calls, every thread (strace)")
    parser.add_argument("--program", default=os.path.join(HERE, "..", "..", "build", "orv-terminal"))
    parser.add_argument("--icons", default=os.path.join(HERE, "..", "..", "icons"))
    args = parser.parse_args()
    args.program = os.path.abspath(args.program)
    args.icons = os.path.abspath(args.icons)
    programs = [p for p in args.programs.split(",") if p]
    if "putty" in programs and shutil.which("putty") is None:
        sys.exit("peer_steady: putty is not installed (bench/peers/run.sh installs it)")
    if args.perf:
        os.makedirs(args.perf, exist_ok=True)
    scenarios = [s for s in SCENARIOS if not args.scenario or any(chosen(part, s[0]) for part in args.scenario)]
    print("steady 80-byte lines, %d rounds, programs alternating; median (range); load average now %.1f" % (
        args.rounds, load_average()), flush=True)
    for scenario in scenarios:
        results = {kind: [] for kind in programs}
        lag_runs = []
        for round_number in range(args.rounds):
            for kind in programs:
                if kind not in REACHES[scenario[1]].programs:
                    continue
                perf_path = None
                if args.perf:
                    perf_path = os.path.join(args.perf, "%s-%s-%d.data" % (
                        kind, scenario[0].replace(" ", "_").replace("/", "").replace(",", ""), round_number + 1))
                results[kind].append(run_once(kind, scenario, args, perf_path=perf_path))
            if "orv-terminal" in programs and scenario[2] and not args.no_lag:
                lag_runs.append(run_once("orv-terminal", scenario, args, probe_lag=True))
        report(scenario, {k: v for k, v in results.items() if v}, lag_runs, args)


if __name__ == "__main__":
    main()
