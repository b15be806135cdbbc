#!/bin/sh
# Builds the Modbus response fuzzer with clang's libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer, and runs it for a bounded time. Any crash or
# sanitizer report fails the run.
# Usage: run_fuzz.sh PROJECT_ROOT OUTPUT_DIR SECONDS
set -eu
root="$1"
out="$2"
seconds="$3"
mkdir -p "$out/corpus" "$out/seeds"

clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -pthread \
    -I"$root" "$root"/library/modbus_lib/*.cpp "$root/net/crc16.cpp" "$root/tests/modbus/fuzz/response_fuzzer.cpp" \
    -o "$out/modbus_response_fuzzer"

# Seeds: operation byte, address, quantity, then a well-formed answer.
seed() { printf "$2" > "$out/seeds/$1"; }
seed read_registers '\x12\x00\x00\x02\x01\x03\x04\x12\x34\x56\x78\x81\x07'
seed read_bits '\x10\x00\x00\x0a\x01\x01\x02\x49\x02\x00\x00'
seed write_bit '\x14\x00\xff\x01\x01\x05\x00\x00\xff\x00\x00\x00'
seed write_registers '\x17\x05\x00\x02\x01\x10\x00\x05\x00\x02\x00\x00'
seed write_and_read '\x18\x00\x01\x02\x01\x17\x04\x00\x01\x00\x02\x00\x00'
seed report_slave_id '\x19\x00\x00\x00\x01\x11\x03\x01\xff\x41\x00\x00'
seed exception '\x12\x00\x00\x02\x01\x83\x02\xc0\xf1'
seed mbap_read_registers '\x12\x02\x00\x02\x00\x01\x00\x00\x00\x07\x01\x03\x04\x12\x34\x56\x78'

# Inputs up to 600 bytes cover every frame up to the 256-byte limit and beyond.
exec "$out/modbus_response_fuzzer" -max_total_time="$seconds" -max_len=600 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus" "$out/seeds"
