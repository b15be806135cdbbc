#!/bin/sh
# Installs what building and running need (when missing), builds only the
# terminal and starts it where it finds its images (icons/ under the
# project's root), passing on its arguments (see orv-terminal --help).
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" --target orv-terminal -- -DORV_BUILD_TESTS=OFF -DORV_BUILD_BENCHMARKS=OFF
cd "$root"
exec "$root/build/orv-terminal" "$@"
