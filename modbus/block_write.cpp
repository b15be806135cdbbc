#include "modbus/block_write.h"

namespace {

std::string Trimmed(const std::string &text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Registers(size_t count)
{
    return "Wrote " + std::to_string(count) + (count == 1 ? " register" : " registers");
}

} // namespace

bool BlockWritable(int function)
{
    return function == 1 || function == 3;
}

BlockWrite BlockWriteRequest(const BlockDefinition &block, const BlockCell &cell, const std::string &text)
{
    BlockWrite write;
    if (!BlockWritable(block.function)) {
        write.refusal = "read-only";
        return write;
    }
    write.request.unit = block.unit;
    write.request.address = cell.address;
    if (ReadsBits(block.function)) {
        const std::string bit = Trimmed(text);
        if (bit != "0" && bit != "1") {
            write.refusal = "value must be 0 or 1";
            return write;
        }
        write.request.function = 5;
        write.request.coils.push_back(bit == "1" ? 1 : 0);
        write.done = "Wrote 1 coil";
        return write;
    }
    const std::string why = EncodeValue(text, cell.format, write.request.registers);
    if (!why.empty()) {
        write.request.registers.clear();
        write.refusal = "value " + why;
        return write;
    }
    // A single register goes with function 6, which every device knows.
    write.request.function = write.request.registers.size() == 1 ? 6 : 16;
    write.done = Registers(write.request.registers.size());
    return write;
}
