// 32-bit integers and floats over two registers in a form's format choice:
// after the seven 16-bit formats come U32, S32 and Float32, each in the
// four word orders (library/modbus_lib/modbus_values.h). A value takes a
// pair of registers; its address is that of the pair's first register.
#ifndef ORV_MODBUS_WIDE_FORMAT_H
#define ORV_MODBUS_WIDE_FORMAT_H

#include "modbus/grid_values.h"
#include "modbus/register_format.h"
#include "modbus/register_table.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int WIDE_FORMAT_COUNT = 12;
// The read forms' choices: the 16-bit formats, then the wide ones.
constexpr int READ_FORMAT_COUNT = FORMAT_COUNT + WIDE_FORMAT_COUNT;

bool IsWideFormat(int format);
// "Decimal U8" ... "Binary 16", "U32 ABCD" ... "Float32 DCBA".
std::string FormatChoiceName(int format);

// The value of a pair: "4294967295", "-1", "3.14159" (the shortest text
// that reads back as the same float), "nan", "-inf".
std::string WideText(const uint16_t *pair, int format);
// Values of a wide format one after the other, "[1][2]"; a register left
// without its pair is not shown.
std::string FormatWideRegisters(const uint16_t *values, size_t count, int format);
std::vector<TableRow> WideTableRows(unsigned start, const std::vector<uint16_t> &registers, int format);

// Why `count` registers cannot be read in `format` ("a 32-bit format needs
// an even count"); "" when they can.
std::string PairRefusal(int count, int format);

// Function 16's value choice: the 16-bit registers the grid always wrote
// (index 0), then the wide formats in the read forms' order.
constexpr int WRITE_FORMAT_COUNT = 1 + WIDE_FORMAT_COUNT;
std::string WriteFormatName(int choice); // "16-bit", "U32 ABCD", ...
// The read format of a write choice (0 for 16-bit).
int WriteChoiceFormat(int choice);
// Grid cells as values of a wide format, two registers each, up to the last
// filled cell as for 16-bit values; a cell that is no such value refuses the
// request ("row 2 must be 0 to 4294967295", "row 1 is no number").
GridValues<uint16_t> GridWideValues(const std::vector<std::string> &cells, int format);

#endif
