#!/bin/sh
# Installs what is missing, builds, and runs every test (GUI tests each on
# their own virtual display). Exits non-zero on any failure.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 900
