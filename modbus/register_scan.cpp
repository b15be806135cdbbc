#include "modbus/register_scan.h"

#include "library/modbus_lib/modbus.h"

#include <algorithm>

namespace {

void Mark(std::vector<AddressRange> &ranges, int from, int to, bool readable)
{
    if (!ranges.empty() && ranges.back().readable == readable && ranges.back().to + 1 == from)
        ranges.back().to = to;
    else
        ranges.push_back({from, to, readable});
}

} // namespace

int LargestRead(int function)
{
    switch (function) {
    case 1:
    case 2:
        return MB_MAX_READ_BITS;
    case 3:
    case 4:
        return MB_MAX_READ_REGISTERS;
    default:
        return 0;
    }
}

RegisterScan ScanRegisters(int from, int to, int largest, const BlockReader &read, const ScanProceed &proceed)
{
    RegisterScan scan;
    int ceiling = std::max(largest, 1); // lowered when the device says it takes fewer
    int size = ceiling;
    for (int address = from; address <= to;) {
        if (proceed && !proceed(address)) {
            scan.cancelled = true;
            scan.stoppedAt = address;
            break;
        }
        const int count = std::min(size, to - address + 1);
        const BlockRead outcome = read(address, count);
        ++scan.requests;
        if (outcome.result == BlockResult::Failed) {
            scan.failure = outcome.failure;
            scan.stoppedAt = address;
            break;
        }
        if (outcome.result == BlockResult::Readable) {
            Mark(scan.ranges, address, address + count - 1, true);
            address += count;
            size = std::min(2 * count, ceiling);
        } else if (count == 1) {
            Mark(scan.ranges, address, address, false);
            ++address;
        } else {
            // Exception 3 to a count the protocol allows: the device's own
            // limit lies below it, so larger blocks are not tried again.
            if (outcome.result == BlockResult::TooMany)
                ceiling = count / 2;
            size = count / 2;
        }
    }
    return scan;
}

std::string RangeText(const AddressRange &range)
{
    return std::to_string(range.from) + "-" + std::to_string(range.to) + (range.readable ? " readable" : " refused");
}
