// A value typed into a block's table, as the write that puts it into the
// device: function 5 for a coil, 6 for a register, 16 for a value of two or
// four registers. Input registers and discrete inputs are read-only.
#ifndef ORV_MODBUS_BLOCK_WRITE_H
#define ORV_MODBUS_BLOCK_WRITE_H

#include "modbus/block_definition.h"
#include "modbus/modbus_request.h"

#include <string>

struct BlockWrite {
    ModbusRequest request;
    // Why nothing can be sent ("value must be 0 to 65535", "read-only");
    // "" when `request` is to go.
    std::string refusal;
    // The outcome line once the device took it: "Wrote 1 register".
    std::string done;
};

// Whether the values of a block of `function` can be written.
bool BlockWritable(int function);

// The write of `text` into `cell` of `block`, in the cell's format (a coil
// takes 0 or 1).
BlockWrite BlockWriteRequest(const BlockDefinition &block, const BlockCell &cell, const std::string &text);

#endif
