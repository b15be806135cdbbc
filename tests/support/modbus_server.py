#!/usr/bin/python3
"""Independent Modbus server for the tests: RTU frames over plain TCP, or
Modbus TCP (MBAP header, no CRC) with "tcp".

Usage: modbus_server.py HOST PORT [rtu|tcp [gaps]]   (PORT 0 lets the system choose)
Prints "LISTENING <port>" once it accepts connections; runs until killed.

Unit id 1 answers; any other unit id and any frame with a bad CRC get no
reply. Known data store (0-based protocol addresses, all writable):
  holding registers 0..299: 0x1234, 0x5678, then (0x0101 * a) & 0xFFFF
  input registers   0..299: 11, 22, then 1000 + a
  coils             0..2099: on where a % 3 == 0
  discrete inputs   0..2099: on where a % 5 in (1, 2)
Report slave id (function 17) answers with the server's own identity bytes.

With "gaps", units 2 and 5 answer too, with gaps in their maps: a read that
touches an address they lack gets exception 2 (Illegal data address).
  unit 2: holding registers 0..99 (value a) and 200..231 (2000 + a),
          input registers 0..9 (value 10 * a), coils and discrete inputs
          0..15 and 32..47 (on where a is odd)
  unit 5: holding registers 10..19 (value 5), nothing else
"""
import asyncio
import logging
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext,
                                ModbusSparseDataBlock)
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.framer.socket_framer import ModbusSocketFramer
from pymodbus.server import StartAsyncTcpServer

REGISTERS = 300
BITS = 2100
UNIT = 1


def holding_register(address):
    return [0x1234, 0x5678][address] if address < 2 else (0x0101 * address) & 0xFFFF


def input_register(address):
    return [11, 22][address] if address < 2 else 1000 + address


def coil(address):
    return address % 3 == 0


def discrete_input(address):
    return address % 5 in (1, 2)


def sparse(spans, value):
    return ModbusSparseDataBlock({start: [value(a) for a in range(start, end + 1)] for start, end in spans})


def gapped_units():
    bits = [(0, 15), (32, 47)]
    return {
        2: ModbusSlaveContext(hr=sparse([(0, 99), (200, 231)], lambda a: a if a < 100 else 2000 + a),
                              ir=sparse([(0, 9)], lambda a: 10 * a),
                              co=sparse(bits, lambda a: a % 2 == 1),
                              di=sparse(bits, lambda a: a % 2 == 1), zero_mode=True),
        5: ModbusSlaveContext(hr=sparse([(10, 19)], lambda a: 5), ir=ModbusSparseDataBlock(),
                              co=ModbusSparseDataBlock(), di=ModbusSparseDataBlock(), zero_mode=True),
    }


def make_context(gaps):
    unit = ModbusSlaveContext(
        hr=ModbusSequentialDataBlock(0, [holding_register(a) for a in range(REGISTERS)]),
        ir=ModbusSequentialDataBlock(0, [input_register(a) for a in range(REGISTERS)]),
        co=ModbusSequentialDataBlock(0, [coil(a) for a in range(BITS)]),
        di=ModbusSequentialDataBlock(0, [discrete_input(a) for a in range(BITS)]),
        zero_mode=True)
    units = {UNIT: unit}
    if gaps:
        units.update(gapped_units())
    return ModbusServerContext(slaves=units, single=False)


async def serve(host, port, framer, gaps):
    server = await StartAsyncTcpServer(context=make_context(gaps), address=(host, port), framer=framer,
                                       defer_start=True, allow_reuse_address=True)
    task = asyncio.create_task(server.serve_forever())
    await server.serving
    print("LISTENING", server.server.sockets[0].getsockname()[1], flush=True)
    await task


def main():
    framers = {"rtu": ModbusRtuFramer, "tcp": ModbusSocketFramer}
    if (len(sys.argv) not in (3, 4, 5) or sys.argv[3:] and sys.argv[3] not in framers
            or sys.argv[4:] and sys.argv[4] != "gaps"):
        sys.exit("usage: modbus_server.py HOST PORT [rtu|tcp [gaps]]")
    logging.getLogger("pymodbus").setLevel(logging.CRITICAL)
    framer = framers[sys.argv[3] if len(sys.argv) >= 4 else "rtu"]
    asyncio.run(serve(sys.argv[1], int(sys.argv[2]), framer, len(sys.argv) == 5))


if __name__ == "__main__":
    main()
