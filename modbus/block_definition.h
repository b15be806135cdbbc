// A block of registers or bits watched together: which unit and function,
// where, how many, how often, and how each row is named and shown. The
// monitor window, the workspace files and orv-modbus share it, and its
// values are decoded here once for all of them.
#ifndef ORV_MODBUS_BLOCK_DEFINITION_H
#define ORV_MODBUS_BLOCK_DEFINITION_H

#include "modbus/modbus_request.h"
#include "modbus/value_format.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// One row's own settings; what it leaves out is the block's.
struct BlockRow {
    std::string name;
    // A format of two or four registers takes the rows of its registers
    // after its first.
    std::optional<ValueFormat> format;
};

struct BlockDefinition {
    std::string name;
    int unit = 1;
    int function = 3; // 1 coils, 2 discrete inputs, 3 holding, 4 input registers
    int start = 0;
    int count = 10; // registers or bits
    int periodMs = 1000;
    // The format of the rows without one of their own (registers only).
    ValueFormat format;
    // By the row's offset from `start`.
    std::map<int, BlockRow> rows;
};

// Rows chosen from several blocks, by block name and the row's offset (an
// offset stays while the row's name or format changes).
using PlottedRows = std::set<std::pair<std::string, int>>;

// The least and the most period of a block, as of a form's poll.
constexpr int kMinBlockPeriodMs = 10;
constexpr int kMaxBlockPeriodMs = 86400000;

// "" when the block can be polled, else what is wrong, naming the field:
// "count must be 1 to 125", "period must be 10 to 86400000", "row at
// address 109: u32 takes 2 registers, past the block's end at 109".
std::string ValidateBlock(const BlockDefinition &block);

// The read of the whole block.
ModbusRequest BlockRequest(const BlockDefinition &block);

// A value of the block as the table lists it: the row of its first
// register (or its bit), its name and its format.
struct BlockCell {
    int offset = 0;
    int address = 0;
    std::string name;
    ValueFormat format; // U16 for a bit
};
// The cells of a valid block, in address order.
std::vector<BlockCell> BlockLayout(const BlockDefinition &block);

struct BlockValue {
    BlockCell cell;
    RegisterValue value; // a bit is a U16 of 0 or 1
    std::string text;    // as the window shows it ("1", "3.5", "ffff")
};
// The values of an answer to BlockRequest (bits or registers, as
// ModbusReply holds them); cells the answer does not cover are left out.
std::vector<BlockValue> BlockValues(const BlockDefinition &block, const std::vector<uint16_t> &answer);

#endif
