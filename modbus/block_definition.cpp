#include "modbus/block_definition.h"

namespace {

std::string Range(long low, long high)
{
    return std::to_string(low) + " to " + std::to_string(high);
}

int Limit(int function)
{
    return ReadsBits(function) ? MB_MAX_READ_BITS : MB_MAX_READ_REGISTERS;
}

std::string RowField(const BlockDefinition &block, int offset)
{
    return "row at address " + std::to_string(block.start + offset);
}

std::string FormatName(const ValueFormat &format)
{
    const std::string order = OrderName(format);
    return std::string(ValueTypeName(format.type)) + (order.empty() ? "" : " " + order);
}

// What is wrong with the rows' names and formats; "" when nothing is.
std::string ValidateRows(const BlockDefinition &block)
{
    const bool bits = ReadsBits(block.function);
    if (bits && block.format != ValueFormat{})
        return "format does not apply to bits";
    for (const auto &[offset, row] : block.rows) {
        if (offset < 0 || offset >= block.count)
            return RowField(block, offset) + ": past the block's " + std::to_string(block.count) +
                   (bits ? " bits" : " registers");
        if (bits && row.format)
            return RowField(block, offset) + ": format does not apply to bits";
    }
    if (bits)
        return "";
    const int end = block.start + block.count - 1;
    for (int offset = 0; offset < block.count;) {
        const auto row = block.rows.find(offset);
        const ValueFormat format = row != block.rows.end() && row->second.format ? *row->second.format : block.format;
        const int registers = RegistersOf(format.type);
        if (offset + registers > block.count) {
            const std::string field = row != block.rows.end() && row->second.format ? RowField(block, offset) : "format";
            return field + ": " + FormatName(format) + " takes " + std::to_string(registers) +
                   " registers, past the block's end at " + std::to_string(end);
        }
        for (int taken = offset + 1; taken < offset + registers; ++taken)
            if (block.rows.count(taken) != 0)
                return RowField(block, taken) + ": taken by the " + FormatName(format) + " at address " +
                       std::to_string(block.start + offset);
        offset += registers;
    }
    return "";
}

} // namespace

std::string ValidateBlock(const BlockDefinition &block)
{
    if (block.name.find_first_not_of(" \t") == std::string::npos)
        return "name is empty";
    if (block.unit < 0 || block.unit > 255)
        return "unit must be " + Range(0, 255);
    if (block.function < 1 || block.function > 4)
        return "function must be 1, 2, 3 or 4";
    if (block.start < 0 || block.start > 0xFFFF)
        return "start must be " + Range(0, 0xFFFF);
    if (block.count < 1 || block.count > Limit(block.function))
        return "count must be " + Range(1, Limit(block.function));
    if (block.start + block.count - 1 > 0xFFFF)
        return "count " + std::to_string(block.count) + " from start " + std::to_string(block.start) +
               " goes past address 65535";
    if (block.periodMs < kMinBlockPeriodMs || block.periodMs > kMaxBlockPeriodMs)
        return "period must be " + Range(kMinBlockPeriodMs, kMaxBlockPeriodMs);
    return ValidateRows(block);
}

ModbusRequest BlockRequest(const BlockDefinition &block)
{
    ModbusRequest request;
    request.function = block.function;
    request.unit = block.unit;
    request.address = block.start;
    request.count = block.count;
    return request;
}

std::vector<BlockCell> BlockLayout(const BlockDefinition &block)
{
    std::vector<BlockCell> cells;
    const bool bits = ReadsBits(block.function);
    for (int offset = 0; offset < block.count;) {
        BlockCell cell;
        cell.offset = offset;
        cell.address = block.start + offset;
        const auto row = block.rows.find(offset);
        if (row != block.rows.end())
            cell.name = row->second.name;
        if (!bits)
            cell.format = row != block.rows.end() && row->second.format ? *row->second.format : block.format;
        offset += RegistersOf(cell.format.type);
        cells.push_back(cell);
    }
    return cells;
}

std::vector<BlockValue> BlockValues(const BlockDefinition &block, const std::vector<uint16_t> &answer)
{
    std::vector<BlockValue> values;
    for (const BlockCell &cell : BlockLayout(block)) {
        const size_t first = static_cast<size_t>(cell.offset);
        if (first + static_cast<size_t>(RegistersOf(cell.format.type)) > answer.size())
            break;
        const RegisterValue value = DecodeValue(answer.data() + first, cell.format);
        values.push_back({cell, value, ValueText(value)});
    }
    return values;
}
