#!/bin/sh
# Floods the real orv-terminal and PuTTY alternately (peer_flood.py) on a
# display and accessibility bus of their own. Installs PuTTY for this
# benchmark only (the test command never needs it) and builds the terminal
# into build/ first. Arguments go to peer_flood.py (--mib, --rounds,
# --scenario).
set -eu
root="$(cd "$(dirname "$0")/../.." && pwd)"
if ! command -v putty >/dev/null 2>&1; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends putty
fi
cmake --build "$root/build" --target orv-terminal >/dev/null
exec /usr/bin/python3 "$root/tests/e2e/session.py" /usr/bin/python3 "$root/bench/peers/peer_flood.py" "$@"
