#include "modbus/register_table.h"

#include "modbus/register_format.h"

std::vector<TableRow> BitTableRows(unsigned start, const std::vector<uint16_t> &bits)
{
    std::vector<TableRow> rows;
    rows.reserve(bits.size());
    for (size_t i = 0; i < bits.size(); ++i)
        rows.push_back({std::to_string(start + i), bits[i] != 0 ? "1" : "0"});
    return rows;
}

std::vector<TableRow> RegisterTableRows(unsigned start, const std::vector<uint16_t> &registers, int format)
{
    std::vector<TableRow> rows;
    rows.reserve(registers.size());
    for (size_t i = 0; i < registers.size(); ++i)
        rows.push_back({std::to_string(start + i), RegisterText(registers[i], format)});
    return rows;
}
