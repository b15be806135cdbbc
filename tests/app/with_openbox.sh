#!/bin/sh
# Runs a command under openbox on the current X display (a virtual one of
# xvfb-run): users always have a window manager, bare Xvfb has none, and some
# faults (stacking, the room decorations take) show only with one.
# Usage: with_openbox.sh COMMAND [ARGS...]
set -u
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# Ready once it has named itself on the root window; at most 20 s.
tries=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    tries=$((tries + 1))
    if [ "$tries" -gt 200 ] || ! kill -0 "$wm" 2>/dev/null; then
        echo "with_openbox.sh: openbox did not start" >&2
        kill "$wm" 2>/dev/null
        exit 1
    fi
    sleep 0.1
done
"$@"
status=$?
kill "$wm"
wait "$wm" 2>/dev/null
exit "$status"
