#!/bin/sh
# Installs what is missing, builds and starts the terminal where it finds its
# images (icons/ under the project's root).
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$root"
exec "$root/build/orv-terminal"
