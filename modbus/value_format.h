// The formats a register value is read and written in, one conversion for
// the window's forms and monitor and for orv-modbus: the 16-bit formats of
// one register, and integers and IEEE floats of 32 bits over two registers
// and of 64 bits over four, in the word orders of
// library/modbus_lib/modbus_values.h.
#ifndef ORV_MODBUS_VALUE_FORMAT_H
#define ORV_MODBUS_VALUE_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class ValueType { U8, S8, U16, S16, Hex, Bin8, Bin16, U32, S32, F32, U64, S64, F64 };

struct ValueFormat {
    ValueType type = ValueType::U16;
    // The mb_word_order of a 32-bit type, the mb_word_order64 of a 64-bit
    // one; 0 for the 16-bit types.
    int order = 0;

    bool operator==(const ValueFormat &other) const { return type == other.type && order == other.order; }
    bool operator!=(const ValueFormat &other) const { return !(*this == other); }
};

// The registers a value takes: 1, 2 or 4.
int RegistersOf(ValueType type);
// orv-modbus's names: "u16", "s16", "u8", "s8", "hex", "bin16", "bin8",
// "u32", "s32", "f32", "u64", "s64", "f64".
const char *ValueTypeName(ValueType type);
std::optional<ValueType> ValueTypeByName(const std::string &name);
// The order's name in lower case ("cdab", "ghefcdab"); "" for a 16-bit type.
std::string OrderName(const ValueFormat &format);
// The order named `name` (either case) for `type`; -1 when it has none of
// that name (16-bit types have none).
int OrderByName(ValueType type, const std::string &name);
// "abcd, cdab, badc, dcba" or "abcdefgh, ghefcdab, badcfehg, hgfedcba".
std::string OrderNames(ValueType type);

// One value as read: its type and its bits (the whole register for the
// 16-bit types, whose accessors take the part their type shows).
struct RegisterValue {
    ValueType type = ValueType::U16;
    uint64_t bits = 0;

    bool IsReal() const { return type == ValueType::F32 || type == ValueType::F64; }
    bool IsSigned() const;
    // The number the value stands for, in the one of the three that fits
    // its type: a float or double, a signed or an unsigned integer.
    double Real() const;
    int64_t Signed() const;
    uint64_t Unsigned() const;
};

// The value in `registers`, RegistersOf(format.type) of them.
RegisterValue DecodeValue(const uint16_t *registers, const ValueFormat &format);
// The whole values among `count` registers, one after the other; registers
// left over that make no whole value are not decoded.
std::vector<RegisterValue> DecodeValues(const uint16_t *registers, size_t count, const ValueFormat &format);

// The value as the window shows it: "4660", "-1", "ffff", "00110100",
// "3.1415927" (the shortest text that reads back as the same float or
// double), "nan", "-inf". Binary 16 pads to 8 digits only.
std::string ValueText(const RegisterValue &value);

// `text` typed as a value of `format`, its registers appended to
// `registers`; "" or why it is none: "must be 0 to 4294967295", "is no
// number". Blanks around the value are ignored. Integers are decimal, with
// a sign, or hex after 0x; hex values are hex digits (0x allowed), binary
// ones binary digits; floats as strtod reads them, except a value too large
// for the type. U8 and S8 write their byte in the register's low half.
std::string EncodeValue(const std::string &text, const ValueFormat &format, std::vector<uint16_t> &registers);

#endif
