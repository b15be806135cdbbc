#include "modbus/value_format.h"

#include "library/modbus_lib/modbus_values.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

struct TypeInfo {
    ValueType type;
    const char *name;
    int registers;
};

const TypeInfo kTypes[] = {
    {ValueType::U16, "u16", 1},  {ValueType::S16, "s16", 1}, {ValueType::U8, "u8", 1},
    {ValueType::S8, "s8", 1},    {ValueType::Hex, "hex", 1}, {ValueType::Bin16, "bin16", 1},
    {ValueType::Bin8, "bin8", 1}, {ValueType::U32, "u32", 2}, {ValueType::S32, "s32", 2},
    {ValueType::F32, "f32", 2},  {ValueType::U64, "u64", 4}, {ValueType::S64, "s64", 4},
    {ValueType::F64, "f64", 4},
};

const TypeInfo &InfoOf(ValueType type)
{
    for (const TypeInfo &info : kTypes)
        if (info.type == type)
            return info;
    return kTypes[0];
}

std::string Lower(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Digits(uint64_t value, unsigned base)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value % base]);
        value /= base;
    } while (value != 0);
    return text;
}

std::string PaddedBinary(uint64_t value)
{
    std::string digits = Digits(value, 2);
    if (digits.size() < 8)
        digits.insert(0, 8 - digits.size(), '0');
    return digits;
}

// The shortest text, from `fewest` significant digits on, that strtod reads
// back as `value` (a float's value when `single`).
std::string ShortestText(double value, bool single, int fewest, int most)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char text[40];
    for (int digits = fewest; digits <= most; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        const bool same = single ? std::strtof(text, nullptr) == static_cast<float>(value)
                                 : std::strtod(text, nullptr) == value;
        if (same)
            break;
    }
    return text;
}

std::string Trimmed(const std::string &text)
{
    const char *const blanks = " \t\n\v\f\r";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

enum class Parsed { Number, NoNumber, TooLarge };

// Digits of `base` from `text[start]` to its end into `magnitude`.
Parsed ParseDigits(const std::string &text, size_t start, unsigned base, uint64_t &magnitude)
{
    if (start >= text.size())
        return Parsed::NoNumber;
    magnitude = 0;
    bool tooLarge = false;
    for (size_t index = start; index < text.size(); ++index) {
        const int c = std::tolower(static_cast<unsigned char>(text[index]));
        const unsigned digit = std::isdigit(c) ? static_cast<unsigned>(c - '0')
                               : (c >= 'a' && c <= 'f') ? static_cast<unsigned>(c - 'a' + 10)
                                                        : base;
        if (digit >= base)
            return Parsed::NoNumber;
        if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / base)
            tooLarge = true;
        else
            magnitude = magnitude * base + digit;
    }
    return tooLarge ? Parsed::TooLarge : Parsed::Number;
}

bool HexPrefix(const std::string &text, size_t at)
{
    return text.size() > at + 1 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X');
}

// A whole number: decimal with a sign, or hex after 0x.
Parsed ParseInteger(const std::string &text, bool &negative, uint64_t &magnitude)
{
    negative = !text.empty() && text[0] == '-';
    const size_t start = (negative || (!text.empty() && text[0] == '+')) ? 1 : 0;
    if (HexPrefix(text, start))
        return negative ? Parsed::NoNumber : ParseDigits(text, start + 2, 16, magnitude);
    return ParseDigits(text, start, 10, magnitude);
}

struct Range {
    int64_t low;
    uint64_t high;
    std::string text; // "0 to 255"
};

Range RangeOf(ValueType type)
{
    switch (type) {
    case ValueType::U8:
        return {0, 255, "0 to 255"};
    case ValueType::S8:
        return {-128, 127, "-128 to 127"};
    case ValueType::U16:
        return {0, 65535, "0 to 65535"};
    case ValueType::S16:
        return {-32768, 32767, "-32768 to 32767"};
    case ValueType::Hex:
        return {0, 0xFFFF, "0 to ffff"};
    case ValueType::Bin8:
        return {0, 0xFF, "0 to 11111111"};
    case ValueType::Bin16:
        return {0, 0xFFFF, "0 to 1111111111111111"};
    case ValueType::U32:
        return {0, 4294967295u, "0 to 4294967295"};
    case ValueType::S32:
        return {-2147483648LL, 2147483647, "-2147483648 to 2147483647"};
    case ValueType::U64:
        return {0, std::numeric_limits<uint64_t>::max(), "0 to 18446744073709551615"};
    default:
        return {std::numeric_limits<int64_t>::min(), static_cast<uint64_t>(std::numeric_limits<int64_t>::max()),
                "-9223372036854775808 to 9223372036854775807"};
    }
}

// The text of an integer type as its bits (two's complement); "" or why not.
std::string IntegerBits(const std::string &text, ValueType type, uint64_t &bits)
{
    bool negative = false;
    uint64_t magnitude = 0;
    Parsed parsed;
    if (type == ValueType::Hex)
        parsed = ParseDigits(text, HexPrefix(text, 0) ? 2 : 0, 16, magnitude);
    else if (type == ValueType::Bin8 || type == ValueType::Bin16)
        parsed = ParseDigits(text, 0, 2, magnitude);
    else
        parsed = ParseInteger(text, negative, magnitude);
    const Range range = RangeOf(type);
    if (parsed == Parsed::NoNumber)
        return "is no number";
    // The lowest value's magnitude, computed without overflowing.
    const uint64_t lowest = range.low < 0 ? static_cast<uint64_t>(-(range.low + 1)) + 1 : 0;
    if (parsed == Parsed::TooLarge || (negative && magnitude > lowest) || (!negative && magnitude > range.high))
        return "must be " + range.text;
    bits = negative ? ~magnitude + 1 : magnitude;
    return "";
}

// A float or double as strtof or strtod reads all of `text`; too large for
// the type is none (strtof says ERANGE for subnormal values too, which are
// floats like any other).
bool ParseReal(const std::string &text, bool single, double &value)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    value = single ? static_cast<double>(std::strtof(text.c_str(), &end)) : std::strtod(text.c_str(), &end);
    return *end == '\0' && !(errno == ERANGE && std::isinf(value));
}

} // namespace

int RegistersOf(ValueType type)
{
    return InfoOf(type).registers;
}

const char *ValueTypeName(ValueType type)
{
    return InfoOf(type).name;
}

std::optional<ValueType> ValueTypeByName(const std::string &name)
{
    for (const TypeInfo &info : kTypes)
        if (name == info.name)
            return info.type;
    return std::nullopt;
}

std::string OrderName(const ValueFormat &format)
{
    switch (RegistersOf(format.type)) {
    case 2:
        return Lower(mb_word_order_name(format.order));
    case 4:
        return Lower(mb_word_order64_name(format.order));
    default:
        return "";
    }
}

int OrderByName(ValueType type, const std::string &name)
{
    switch (RegistersOf(type)) {
    case 2:
        return mb_parse_word_order(name.c_str());
    case 4:
        return mb_parse_word_order64(name.c_str());
    default:
        return -1;
    }
}

std::string OrderNames(ValueType type)
{
    std::string names;
    for (int order = 0; order < 4 && RegistersOf(type) > 1; ++order)
        names += (order == 0 ? "" : ", ") + OrderName({type, order});
    return names;
}

bool RegisterValue::IsSigned() const
{
    return type == ValueType::S8 || type == ValueType::S16 || type == ValueType::S32 || type == ValueType::S64;
}

double RegisterValue::Real() const
{
    if (type == ValueType::F32) {
        const uint32_t single = static_cast<uint32_t>(bits);
        float value;
        std::memcpy(&value, &single, sizeof value);
        return value;
    }
    if (type == ValueType::F64) {
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    return IsSigned() ? static_cast<double>(Signed()) : static_cast<double>(Unsigned());
}

int64_t RegisterValue::Signed() const
{
    switch (type) {
    case ValueType::S8:
        return static_cast<int8_t>(bits & 0xFF);
    case ValueType::S16:
        return static_cast<int16_t>(bits & 0xFFFF);
    case ValueType::S32:
        return static_cast<int32_t>(bits & 0xFFFFFFFFu);
    case ValueType::S64:
        return static_cast<int64_t>(bits);
    default:
        return static_cast<int64_t>(Unsigned());
    }
}

uint64_t RegisterValue::Unsigned() const
{
    switch (type) {
    case ValueType::U8:
    case ValueType::S8:
    case ValueType::Bin8:
        return bits & 0xFF;
    default:
        return bits;
    }
}

RegisterValue DecodeValue(const uint16_t *registers, const ValueFormat &format)
{
    switch (RegistersOf(format.type)) {
    case 2:
        return {format.type, mb_get_u32(registers, format.order)};
    case 4:
        return {format.type, mb_get_u64(registers, format.order)};
    default:
        return {format.type, registers[0]};
    }
}

std::vector<RegisterValue> DecodeValues(const uint16_t *registers, size_t count, const ValueFormat &format)
{
    const size_t step = static_cast<size_t>(RegistersOf(format.type));
    std::vector<RegisterValue> values;
    values.reserve(count / step);
    for (size_t index = 0; index + step <= count; index += step)
        values.push_back(DecodeValue(registers + index, format));
    return values;
}

std::string ValueText(const RegisterValue &value)
{
    switch (value.type) {
    case ValueType::Hex:
        return Digits(value.bits, 16);
    case ValueType::Bin8:
    case ValueType::Bin16:
        return PaddedBinary(value.Unsigned());
    case ValueType::F32:
        return ShortestText(value.Real(), true, 6, 9);
    case ValueType::F64:
        return ShortestText(value.Real(), false, 15, 17);
    default:
        return value.IsSigned() ? std::to_string(value.Signed()) : std::to_string(value.Unsigned());
    }
}

std::string EncodeValue(const std::string &text, const ValueFormat &format, std::vector<uint16_t> &registers)
{
    const std::string value = Trimmed(text);
    uint16_t words[4] = {};
    if (format.type == ValueType::F32 || format.type == ValueType::F64) {
        double real = 0;
        if (!ParseReal(value, format.type == ValueType::F32, real))
            return "is no number";
        if (format.type == ValueType::F32)
            mb_set_f32(static_cast<float>(real), format.order, words);
        else
            mb_set_f64(real, format.order, words);
    } else {
        uint64_t bits = 0;
        const std::string why = IntegerBits(value, format.type, bits);
        if (!why.empty())
            return why;
        if (RegistersOf(format.type) == 2)
            mb_set_u32(static_cast<uint32_t>(bits), format.order, words);
        else if (RegistersOf(format.type) == 4)
            mb_set_u64(bits, format.order, words);
        else
            words[0] = static_cast<uint16_t>(bits & (format.type == ValueType::S8 ? 0xFF : 0xFFFF));
    }
    registers.insert(registers.end(), words, words + RegistersOf(format.type));
    return "";
}
