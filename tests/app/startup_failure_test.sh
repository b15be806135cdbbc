#!/bin/sh
# Runs a program whose socket library fails to start: it must end at once with
# a failure status, saying why, without ever entering its event loop.
program="$1"
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
timeout 20 "$program" 2>"$errors"
status=$?
if [ "$status" -eq 0 ] || [ "$status" -eq 124 ]; then
    echo "expected a failure status, got $status"; cat "$errors"; exit 1
fi
grep -q "winsock init failure" "$errors" || { echo "no reason given:"; cat "$errors"; exit 1; }
echo "ended with status $status:"; cat "$errors"
