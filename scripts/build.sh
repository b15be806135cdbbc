#!/bin/sh
# Configures and builds into build/ (extra arguments go to CMake).
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$root/build" --parallel "$(nproc)"
