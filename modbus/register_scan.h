// Finding which addresses of a unit can be read: reads in blocks of the
// largest size a request allows and halves a block the device refuses
// (exception 2, or 3 where it takes fewer items a request than the protocol
// allows) down to single addresses; after a readable block the size doubles
// again. A refused address costs a request of its own, since nothing else
// tells it from its neighbours; a readable run costs one per block.
// The requests go through a callback, so the same scan serves orv-modbus
// and a worker thread of the window.
#ifndef ORV_MODBUS_REGISTER_SCAN_H
#define ORV_MODBUS_REGISTER_SCAN_H

#include <functional>
#include <string>
#include <vector>

enum class BlockResult {
    Readable,
    Refused, // exception 2: an address in the block does not exist
    TooMany, // exception 3: the device takes fewer items a request
    Failed,  // anything else: the scan stops there
};

struct BlockRead {
    BlockResult result = BlockResult::Failed;
    std::string failure; // why, for Failed
};

// Reads `count` items from `address` with the scan's function.
using BlockReader = std::function<BlockRead(int address, int count)>;
// Called before each request with the first address not yet known;
// returning false cancels the scan.
using ScanProceed = std::function<bool(int address)>;

struct AddressRange {
    int from = 0;
    int to = 0;
    bool readable = false;
};

struct RegisterScan {
    std::vector<AddressRange> ranges; // adjacent ranges differ in `readable`
    int requests = 0;
    bool cancelled = false;
    std::string failure; // of the request that stopped the scan
    int stoppedAt = -1;  // its address, when stopped or cancelled
};

// The largest count a read of function 1, 2 (2000 bits), 3 or 4 (125
// registers) may ask for; 0 for other functions.
int LargestRead(int function);

// Scans `from` to `to` (within 0 to 65535, from <= to) with blocks of at
// most `largest` items.
RegisterScan ScanRegisters(int from, int to, int largest, const BlockReader &read, const ScanProceed &proceed);

// "0-99 readable", "100-199 refused".
std::string RangeText(const AddressRange &range);

#endif
