#!/bin/sh
# Installs what is missing, builds, and runs every test (GUI tests each on
# their own virtual display), then the wx-free and threaded UART tests again
# under AddressSanitizer + UndefinedBehaviorSanitizer and ThreadSanitizer.
# Exits non-zero on any failure.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" --test
"$root/scripts/build.sh" -- -DORV_BUILD_TESTS=ON -DORV_BUILD_BENCHMARKS=ON
(cd "$root/build" && ctest --output-on-failure --parallel "$(nproc)" --timeout 900)
"$root/scripts/sanitized-tests.sh" asan
"$root/scripts/sanitized-tests.sh" tsan
