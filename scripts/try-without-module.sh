#!/bin/sh
# Lets you try ORV Terminal without a module: stands in for one on this
# machine only (loopback addresses), until Ctrl+C.
#   UART:   127.0.0.1:65100, a TCP-to-serial bridge (socat) whose serial end
#           is a pseudo-terminal you read and write like the device.
#   MODBUS: 127.0.0.2:65100, a Modbus gateway (pymodbus) answering RTU frames
#           over TCP for unit ids 1, 2 and 5 (the last two with gaps in
#           their maps), and 127.0.0.2:1502 the same in Modbus TCP.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
uart_host=127.0.0.1
modbus_host=127.0.0.2
port=65100
modbus_tcp_port=1502
folder="${TMPDIR:-/tmp}/orv-try-$(id -u)"
serial="$folder/serial"

for tool in socat /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh"; exit 1; }
done
mkdir -p "$folder"

bridge=""
gateway=""
tcp_gateway=""
stop() {
    [ -n "$bridge" ] && kill "$bridge" 2>/dev/null
    [ -n "$gateway" ] && kill "$gateway" 2>/dev/null
    [ -n "$tcp_gateway" ] && kill "$tcp_gateway" 2>/dev/null
    exit 0
}
trap stop INT TERM EXIT

# Each connection gets a new pseudo-terminal behind the same link.
socat TCP-LISTEN:$port,bind=$uart_host,reuseaddr,fork PTY,link="$serial",raw,echo=0 &
bridge=$!
/usr/bin/python3 "$root/tests/support/modbus_server.py" $modbus_host $port rtu gaps >"$folder/gateway.log" 2>&1 &
gateway=$!
/usr/bin/python3 "$root/tests/support/modbus_server.py" $modbus_host $modbus_tcp_port tcp gaps \
    >"$folder/gateway-tcp.log" 2>&1 &
tcp_gateway=$!

cat <<EOF
Start the terminal in another shell (./scripts/run.sh) and, in its
connection dialog, type:

  UART terminal:    IP $uart_host   Port $port   Terminal Type UART
    then Connect. The device behind the serial line is $serial:
      see what the terminal sends:  cat -v $serial
      answer the terminal:          printf 'Hello\\r\\n' > $serial

  Modbus terminal:  IP $modbus_host   Port $port   Terminal Type MODBUS
    then Connect, and use Slave ID 1. The gateway holds 300 holding
    registers (0x1234, 0x5678, then 0x0101 * address), 300 input registers
    (11, 22, then 1000 + address), 2100 coils (on at multiples of 3) and
    2100 discrete inputs (on where address % 5 is 1 or 2). Units 2 and 5
    answer too, with gaps in their maps (tests/support/modbus_server.py
    says which; orv-modbus scan-units and scan-registers find them). The same gateway
    in Modbus TCP framing listens on port $modbus_tcp_port
    (orv-modbus --framing tcp $modbus_host -p $modbus_tcp_port ...).

Ctrl+C ends them all.
EOF
wait
