#!/bin/sh
# Runs a peer benchmark on a display and accessibility bus of its own, with
# the real orv-terminal and PuTTY alternately:
#   run.sh [ARGS]         floods (peer_flood.py: --mib, --rounds, --scenario)
#   run.sh steady [ARGS]  steady module rates (peer_steady.py: --rounds,
#                         --scenario, --seconds, --programs, --no-lag, --perf,
#                         --count-calls, --count-syscalls)
#   run.sh probe-check    the lag probe's own delay (lag_probe_check.py)
# Installs PuTTY for these benchmarks only (the test command never needs it),
# and perf, gdb or strace when a steady run is to be profiled with them;
# builds the terminal into build/ first.
set -eu
root="$(cd "$(dirname "$0")/../.." && pwd)"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
install() {
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"
}
if [ "${1:-}" = probe-check ]; then
    shift
    exec /usr/bin/python3 "$root/tests/e2e/session.py" /usr/bin/python3 "$root/bench/peers/lag_probe_check.py" "$@"
fi
command -v putty >/dev/null 2>&1 || install putty
script=peer_flood.py
if [ "${1:-}" = steady ]; then
    shift
    script=peer_steady.py
    case " $* " in *" --perf"*) command -v perf >/dev/null 2>&1 || install linux-perf ;; esac
    case " $* " in *" --count-calls"*) command -v gdb >/dev/null 2>&1 || install gdb ;; esac
    case " $* " in *" --count-syscalls"*) command -v strace >/dev/null 2>&1 || install strace ;; esac
fi
cmake --build "$root/build" --target orv-terminal >/dev/null
exec /usr/bin/python3 "$root/tests/e2e/session.py" /usr/bin/python3 "$root/bench/peers/$script" "$@"
