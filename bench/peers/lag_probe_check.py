#!/usr/bin/python3
"""Measures the lag probe itself: a plain toolkit text view takes a module
line every 7 ms, each insertion timed as it is made, while lag_probe.py
watches; prints the time from each insertion to the probe's report of it
(median, p99, max). What this shows is in every lag the steady benchmark
reports, so it has to stay well under the frame.

Usage (on a display and accessibility bus, as run.sh gives):
  lag_probe_check.py [--seconds S]
"""
import argparse
import os
import sys
import time

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from peer_common import data_line  # noqa: E402
from peer_steady import LagProbe, lags_ms, percentile  # noqa: E402

LINE_EVERY_S = 0.007
INSERT_EVERY_MS = 5


def insert_lines(seconds):
    """Shows numbered lines in a text view at a steady pace; returns when
    each went in, by number."""
    window = Gtk.Window(title="lag probe check")
    scrolled = Gtk.ScrolledWindow()
    view = Gtk.TextView()
    scrolled.add(view)
    window.add(scrolled)
    window.set_default_size(640, 480)
    window.show_all()
    buffer = view.get_buffer()
    inserted_at = []
    start = time.monotonic()

    def tick():
        due = min(int((time.monotonic() - start) / LINE_EVERY_S), int(seconds / LINE_EVERY_S))
        if due > len(inserted_at):
            text = b"".join(data_line(n) for n in range(len(inserted_at), due)).decode("ascii")
            buffer.insert(buffer.get_end_iter(), text)
            now = time.monotonic()
            inserted_at.extend([now] * (due - len(inserted_at)))
        if time.monotonic() - start < seconds:
            return True
        Gtk.main_quit()
        return False

    GLib.timeout_add(INSERT_EVERY_MS, tick)
    Gtk.main()
    window.destroy()
    return inserted_at


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seconds", type=float, default=12.0)
    args = parser.parse_args()
    probe = LagProbe(args.seconds + 30)
    try:
        inserted_at = insert_lines(args.seconds)
        deadline = time.monotonic() + 5
        while probe.newest() < len(inserted_at) - 1 and time.monotonic() < deadline:
            time.sleep(0.05)
    finally:
        shown = probe.stop()
    lags, unseen = lags_ms(inserted_at, shown)
    print("lag probe's own delay, insertion to report: median %.1f ms, p99 %.1f ms, max %.1f ms over %d lines%s" % (
        percentile(lags, 0.5), percentile(lags, 0.99), percentile(lags, 1.0), len(lags),
        ", %d NEVER SEEN" % unseen if unseen else ""))
    return 1 if unseen or not lags else 0


if __name__ == "__main__":
    sys.exit(main())
