#!/usr/bin/python3
"""Watches text going into the views of the programs on the accessibility bus
and prints, each time a newer whole module line has gone in, the monotonic
time and the line's number: "SECONDS NUMBER". Ends on SIGTERM or after
--seconds.

Each insertion reaches the bus with its text, so nothing is asked of the
program; it only sends the events while someone listens, which is why the
steady benchmark runs this probe in runs of its own, apart from the runs that
measure CPU. The time is when the text went into the toolkit's view; the
view paints it at its next frame.
"""
import argparse
import re
import signal
import sys
import time

import pyatspi
from gi.repository import GLib

# A whole line as the module sends it (peer_common.data_line).
LINE = re.compile(r"(\d{8}) The quick brown fox jumps over the lazy dog 0123456789 abcdefghijklmn")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=float, default=120)
    args = parser.parse_args()
    newest = [-1]

    def on_insert(event):
        now = time.monotonic()
        found = LINE.findall(event.any_data or "")
        if found:
            number = max(int(n) for n in found)
            if number > newest[0]:
                newest[0] = number
                sys.stdout.write("%.6f %d\n" % (now, number))
                sys.stdout.flush()

    pyatspi.Registry.registerEventListener(on_insert, "object:text-changed:insert")
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, lambda: pyatspi.Registry.stop())
    GLib.timeout_add(int(args.seconds * 1000), lambda: pyatspi.Registry.stop())
    sys.stdout.write("READY\n")
    sys.stdout.flush()
    # By default the registry's loop sleeps 10 ms whenever it is idle, to
    # let other Python threads run; the probe has none, and those sleeps
    # would hold each event back by 10-21 ms.
    pyatspi.Registry.start(gil=False)


if __name__ == "__main__":
    main()
