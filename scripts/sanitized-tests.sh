#!/bin/sh
# Builds the wx-free tests, the Modbus session's and the UART link's tests
# and the threaded UART panel tests with a sanitizer and runs them; any
# report fails the run.
# Usage: sanitized-tests.sh asan|tsan
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
kind="$1"
case "$kind" in
    asan) option=ORV_ENABLE_ASAN ;;
    tsan) option=ORV_ENABLE_TSAN ;;
    *) echo "usage: $0 asan|tsan" >&2; exit 2 ;;
esac
build="$root/build-$kind"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -D$option=ON -DORV_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target net_tests modbus_tests modbus_session_tests core_tests uart_link_tests uart_tests

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp:second_deadlock_stack=1"

cd "$build"
status=0
for test in tests/net/net_tests tests/modbus/modbus_tests tests/modbus_session/modbus_session_tests tests/core_tests \
    tests/uart/uart_link_tests; do
    echo "== $kind: $test"
    "./$test" --gtest_brief=1 || status=1
done
echo "== $kind: tests/uart/uart_tests"
xvfb-run -a -s "-screen 0 1280x1024x24" ./tests/uart/uart_tests --gtest_brief=1 || status=1
exit $status
