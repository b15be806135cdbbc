// The window's scans ask through the session: a unit probe or a block read
// as a session job, and the answer read as the scans want it.
#ifndef ORV_MODBUS_SCAN_PROBES_H
#define ORV_MODBUS_SCAN_PROBES_H

#include "modbus/block_definition.h"
#include "modbus/register_scan.h"
#include "modbus/unit_scan.h"

#include <vector>

class ModbusSession;

// Asks `unit` with the probe request, waiting at most `timeoutMs` for the
// answer. No connection to the gateway stops the scan (Fatal).
UnitProbe ProbeUnitThrough(ModbusSession &session, int unit, int framing, int timeoutMs);
// Reads `count` items of `function` from `address` of `unit`.
BlockRead ReadBlockThrough(ModbusSession &session, int unit, int function, int address, int count);

// The monitor's blocks for the readable ranges of a scan: each range in
// blocks of at most a read's largest count, named after unit, function and
// addresses ("unit 1 fc3 0-99").
std::vector<BlockDefinition> BlocksOfRanges(int unit, int function, const std::vector<AddressRange> &ranges);

#endif
