#!/usr/bin/python3
"""Splits a perf recording of orv-terminal (made by `run.sh steady --perf
DIR`, with DWARF call graphs) by what caused the work and what it went on.

Each sample's stack (its root part is missing where the stack was deeper than
the recorded copy of it) is read from the root to the leaf; the labels of the
frames that match the table below, in that order, make its path ("receive
flush > text view insert > text shaping"). Printed: the share of the
samples per thread, per first label and per path (to the given depth), and
the share of samples whose stack holds each label anywhere.

Usage: perf_breakdown.py FILE.data [--depth N] [--limit PERCENT]
"""
import argparse
import collections
import re
import subprocess

# label, pattern of function names (the library's exported names; static
# functions of the toolkit show as addresses and match nothing).
LABELS = (
    ("receive flush timer", r"^TerminalPanel::OnRxFlush$"),
    ("status timer", r"^TerminalPanel::OnStatusTimer$"),
    ("paging timer", r"^TerminalPanel::OnRxPaging$"),
    ("wake-up event", r"^TerminalPanel::OnWorkerEvent$"),
    ("wx idle", r"^wxApp::DoIdle$"),
    ("render four notations", r"^AppendChunkToViews$"),
    ("scrollback", r"^RxScrollback::"),
    ("wxTextCtrl append", r"^wxTextCtrl::(AppendText|WriteText|DoWriteText)$"),
    ("wxTextCtrl remove", r"^wxTextCtrl::Remove$"),
    ("scroll to newest", r"^TerminalPanel::ScrollRxViewToNewest$"),
    ("status text", r"^TerminalPanel::ShowLinkStatus$"),
    ("text attributes", r"^wxTextCtrlBase::SetDefaultStyle$"),
    ("move the cursor", r"^wxTextCtrl::SetInsertionPoint"),
    ("scroll lines", r"::ScrollLines$"),
    ("wx idle walk", r"^wxWindowBase::SendIdleEvents$"),
    ("size allocation", r"^(gtk_widget_size_allocate|gtk_widget_get_preferred|gtk_widget_queue_resize)"),
    ("text view insert", r"^gtk_text_buffer_(insert|insert_with_tags|insert_range|insert_interactive)"),
    ("text view delete", r"^gtk_text_buffer_delete"),
    ("text layout", r"^gtk_text_layout_(validate|validate_yrange|get_line_display|get_size)$"),
    ("drawing", r"^(gtk_container_propagate_draw|gtk_widget_draw|gdk_window_process_updates|"
                r"gdk_window_process_all_updates)$"),
    ("wx paint handlers", r"^wxWindow::GTKSendPaintEvents$"),
    ("accessibility", r"^(atk_|spi_|atspi_)"),
    ("text shaping", r"^(pango_shape|pango_itemize|hb_)"),
    ("cairo", r"^(cairo_|_cairo)"),
    ("allocation", r"^(malloc|free|_int_malloc|_int_free|cfree|g_slice_|g_malloc|g_free|operator new|"
                   r"operator delete|realloc|calloc)"),
    ("system call", r"^entry_SYSCALL_64"),
    ("main loop poll", r"^(g_main_context_iterate|g_main_context_poll|g_main_context_check|"
                       r"g_main_context_prepare|__poll|poll)$"),
)
COMPILED = [(label, re.compile(pattern)) for label, pattern in LABELS]


def samples(path):
    """(tid, [function names from the root to the leaf]) per sample."""
    script = subprocess.run(["perf", "script", "-i", path, "-F", "pid,tid,ip,sym"], capture_output=True, text=True,
                            check=True).stdout
    tid, frames = None, []
    for line in script.split("\n"):
        if line.startswith("\t"):
            parts = line.split(None, 1)
            frames.append(parts[1].strip() if len(parts) > 1 else "[unknown]")
        elif line.strip():
            if tid is not None:
                yield tid, list(reversed(frames))
            pid, tid = (int(n) for n in line.split()[0].split("/"))
            tid, frames = (tid, tid == pid), []
    if tid is not None:
        yield tid, list(reversed(frames))


def label_path(frames):
    path = []
    for name in frames:
        for label, pattern in COMPILED:
            if pattern.search(name) and (not path or path[-1] != label):
                path.append(label)
                break
    return path


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("data")
    parser.add_argument("--depth", type=int, default=3)
    parser.add_argument("--limit", type=float, default=0.5)
    args = parser.parse_args()
    threads = collections.Counter()
    paths = collections.Counter()
    anywhere = collections.Counter()
    total = 0
    for (tid, gui), frames in samples(args.data):
        total += 1
        threads["main (GUI)" if gui else "tid %d" % tid] += 1
        path = label_path(frames)
        if not gui:
            path = ["other thread"] + path
        for depth in range(1, min(args.depth, len(path)) + 1):
            paths[tuple(path[:depth])] += 1
        if not path:
            paths[("unlabelled",)] += 1
        for label in set(path):
            anywhere[label] += 1
    print("%d samples" % total)
    print("== threads")
    for tid, count in threads.most_common():
        print("  %5.1f %%  %s" % (100 * count / total, tid))
    print("== paths (root first)")
    for path, count in sorted(paths.items(), key=lambda item: (item[0][:1] != ("unlabelled",), item[0])):
        share = 100 * count / total
        if share >= args.limit:
            print("  %5.1f %%  %s%s" % (share, "    " * (len(path) - 1), path[-1]))
    print("== anywhere in the stack")
    for label, count in anywhere.most_common():
        if 100 * count / total >= args.limit:
            print("  %5.1f %%  %s" % (100 * count / total, label))


if __name__ == "__main__":
    main()
