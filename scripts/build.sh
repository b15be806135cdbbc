#!/bin/sh
# Configures and builds into build/.
# Usage: build.sh [--target TARGET] [-- CMAKE_OPTION...]
# Without a target everything is built; CMake options after -- are passed to
# the configuration (tests and benchmarks are on unless switched off).
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
target=""
if [ "${1:-}" = "--target" ]; then
    target=$2
    shift 2
fi
[ "${1:-}" != "--" ] || shift
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$root/build" --parallel "$(nproc)" ${target:+--target "$target"}
