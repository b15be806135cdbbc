// The rows of a form's result table: one address and its value per row, in
// the form's output format.
#ifndef ORV_MODBUS_REGISTER_TABLE_H
#define ORV_MODBUS_REGISTER_TABLE_H

#include <cstdint>
#include <string>
#include <vector>

struct TableRow {
    std::string address;
    std::string value;
};

// Bits as 0 or 1, from `start` on.
std::vector<TableRow> BitTableRows(unsigned start, const std::vector<uint16_t> &bits);
// Registers in an output format (RegisterText), from `start` on.
std::vector<TableRow> RegisterTableRows(unsigned start, const std::vector<uint16_t> &registers, int format);

#endif
