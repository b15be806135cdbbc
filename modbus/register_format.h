// The texts a Modbus function form shows for the values it read: register
// values in the seven output formats, bit values, and the slave-id answer.
#ifndef ORV_MODBUS_REGISTER_FORMAT_H
#define ORV_MODBUS_REGISTER_FORMAT_H

#include "modbus/value_format.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Indices of the "Output Format" choices, in the order the combo lists them.
enum OutputFormat {
    FORMAT_DECIMAL_U8 = 0,
    FORMAT_DECIMAL_S8,
    FORMAT_DECIMAL_U16,
    FORMAT_DECIMAL_S16,
    FORMAT_HEX,
    FORMAT_BINARY_8,
    FORMAT_BINARY_16,
    FORMAT_COUNT
};

// The label of an output format choice ("Decimal U8" ... "Binary 16").
const char *OutputFormatName(int format);
// The value type of an output format (value_format.h); U16 for none.
ValueType OutputFormatType(int format);

// The binary digits of `value`, least significant first ("1" for 1, "011"
// for 6); callers reverse them.
std::string BinaryDigitsLsbFirst(unsigned value);

// One register value in an output format: "[52]" for 0x1234 in Decimal U8,
// "[-1]" for 0xFFFF in Decimal S16, "[1234]" in Hex, "00110100" in Binary 8.
// Binary 16 pads to 8 digits only, so 5 is "00000101" and 0x1234 is
// "1001000110100". An unknown format (no selection) gives "".
std::string FormatRegister(uint16_t value, int format);
// The same without the brackets ("52", "-1", "1234", "00110100"), and the
// number a format shows (52, -1, 4660, 52): for tools that print one value
// after another.
std::string RegisterText(uint16_t value, int format);
long RegisterNumber(uint16_t value, int format);
std::string FormatRegisters(const uint16_t *values, size_t count, int format);

// "[1][0][1]" for bits, "[4660][22136]" for registers in plain decimal.
std::string FormatBits(const uint8_t *bits, size_t count);
std::string FormatDecimalRegisters(const uint16_t *values, size_t count);

// The report-slave-id answer as ISO-8859-1 text, one character per byte;
// a zero byte shows as nothing, so the rest of the answer still shows.
std::string SlaveIdLatin1(const uint8_t *bytes, size_t count);

// Result lines: "Read 3 bits", "Read 2 registers".
std::string ReadBitsResult(int count);
std::string ReadRegistersResult(int count);

#endif
