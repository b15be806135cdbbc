// Values of several registers in a form's format choice: after the seven
// 16-bit formats come U32, S32 and Float32 over two registers, then U64,
// S64 and Float64 over four, each in the four word orders
// (library/modbus_lib/modbus_values.h). A value's address is that of its
// first register.
#ifndef ORV_MODBUS_WIDE_FORMAT_H
#define ORV_MODBUS_WIDE_FORMAT_H

#include "modbus/grid_values.h"
#include "modbus/register_format.h"
#include "modbus/register_table.h"
#include "modbus/value_format.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int WIDE_FORMAT_COUNT = 24;
// The read forms' choices: the 16-bit formats, then the wide ones.
constexpr int READ_FORMAT_COUNT = FORMAT_COUNT + WIDE_FORMAT_COUNT;

bool IsWideFormat(int format);
// "Decimal U8" ... "Binary 16", "U32 ABCD" ... "Float32 DCBA", "U64
// ABCDEFGH" ... "Float64 HGFEDCBA".
std::string FormatChoiceName(int format);
// The value format of a read form's choice, and the choice of a format.
ValueFormat FormatOfChoice(int format);
int ChoiceOfFormat(const ValueFormat &format);

// The value of the registers from `registers` on: "4294967295", "-1",
// "3.14159" (the shortest text that reads back as the same float),
// "nan", "-inf".
std::string WideText(const uint16_t *registers, int format);
// Values of a wide format one after the other, "[1][2]"; registers left
// over that make no whole value are not shown.
std::string FormatWideRegisters(const uint16_t *values, size_t count, int format);
std::vector<TableRow> WideTableRows(unsigned start, const std::vector<uint16_t> &registers, int format);

// Why `count` registers cannot be read in `format` ("a 32-bit format needs
// an even count", "a 64-bit format needs a count divisible by 4"); "" when
// they can.
std::string PairRefusal(int count, int format);

// Function 16's value choice: the 16-bit registers the grid always wrote
// (index 0), then the wide formats in the read forms' order.
constexpr int WRITE_FORMAT_COUNT = 1 + WIDE_FORMAT_COUNT;
std::string WriteFormatName(int choice); // "16-bit", "U32 ABCD", ...
// The read format of a write choice (0 for 16-bit).
int WriteChoiceFormat(int choice);
// Grid cells as values of a wide format, two or four registers each, up to
// the last filled cell as for 16-bit values; a cell that is no such value refuses the
// request ("row 2 must be 0 to 4294967295", "row 1 is no number").
GridValues<uint16_t> GridWideValues(const std::vector<std::string> &cells, int format);

#endif
