#include "modbus/register_format.h"

#include <algorithm>

namespace {

const char *const kFormatNames[FORMAT_COUNT] = {"Decimal U8", "Decimal S8", "Decimal U16", "Decimal S16",
                                                "Hex",        "Binary 8",   "Binary 16"};

std::string Bracketed(long value)
{
    return "[" + std::to_string(value) + "]";
}

std::string PaddedBinary(unsigned value)
{
    std::string digits = BinaryDigitsLsbFirst(value);
    std::reverse(digits.begin(), digits.end());
    if (digits.size() < 8)
        digits.insert(0, 8 - digits.size(), '0');
    return digits;
}

std::string LowerHex(unsigned value)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

} // namespace

const char *OutputFormatName(int format)
{
    return format >= 0 && format < FORMAT_COUNT ? kFormatNames[format] : "";
}

std::string BinaryDigitsLsbFirst(unsigned value)
{
    std::string digits;
    do {
        digits += static_cast<char>('0' + value % 2);
        value /= 2;
    } while (value != 0);
    return digits;
}

long RegisterNumber(uint16_t value, int format)
{
    const unsigned lowByte = value & 0xFFu;
    switch (format) {
    case FORMAT_DECIMAL_U8:
    case FORMAT_BINARY_8:
        return lowByte;
    case FORMAT_DECIMAL_S8:
        return static_cast<int8_t>(lowByte);
    case FORMAT_DECIMAL_S16:
        return static_cast<int16_t>(value);
    default:
        return value;
    }
}

std::string RegisterText(uint16_t value, int format)
{
    switch (format) {
    case FORMAT_DECIMAL_U8:
    case FORMAT_DECIMAL_S8:
    case FORMAT_DECIMAL_U16:
    case FORMAT_DECIMAL_S16:
        return std::to_string(RegisterNumber(value, format));
    case FORMAT_HEX:
        return LowerHex(value);
    case FORMAT_BINARY_8:
    case FORMAT_BINARY_16:
        return PaddedBinary(static_cast<unsigned>(RegisterNumber(value, format)));
    default:
        return "";
    }
}

std::string FormatRegister(uint16_t value, int format)
{
    const std::string text = RegisterText(value, format);
    const bool bracketed = format >= FORMAT_DECIMAL_U8 && format <= FORMAT_HEX;
    return bracketed ? "[" + text + "]" : text;
}

std::string FormatRegisters(const uint16_t *values, size_t count, int format)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += FormatRegister(values[i], format);
    return text;
}

std::string FormatBits(const uint8_t *bits, size_t count)
{
    std::string text;
    text.reserve(count * 3);
    for (size_t i = 0; i < count; ++i)
        text += Bracketed(bits[i]);
    return text;
}

std::string FormatDecimalRegisters(const uint16_t *values, size_t count)
{
    return FormatRegisters(values, count, FORMAT_DECIMAL_U16);
}

std::string SlaveIdLatin1(const uint8_t *bytes, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        if (bytes[i] != 0)
            text += static_cast<char>(bytes[i]);
    return text;
}

std::string ReadBitsResult(int count)
{
    return "Read " + std::to_string(count) + " bits";
}

std::string ReadRegistersResult(int count)
{
    return "Read " + std::to_string(count) + " registers";
}
