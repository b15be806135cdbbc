#include "modbus/register_format.h"

namespace {

const char *const kFormatNames[FORMAT_COUNT] = {"Decimal U8", "Decimal S8", "Decimal U16", "Decimal S16",
                                                "Hex",        "Binary 8",   "Binary 16"};

const ValueType kFormatTypes[FORMAT_COUNT] = {ValueType::U8,  ValueType::S8,   ValueType::U16,  ValueType::S16,
                                              ValueType::Hex, ValueType::Bin8, ValueType::Bin16};

bool Known(int format)
{
    return format >= 0 && format < FORMAT_COUNT;
}

std::string Bracketed(long value)
{
    return "[" + std::to_string(value) + "]";
}

} // namespace

const char *OutputFormatName(int format)
{
    return Known(format) ? kFormatNames[format] : "";
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

ValueType OutputFormatType(int format)
{
    return Known(format) ? kFormatTypes[format] : ValueType::U16;
}

long RegisterNumber(uint16_t value, int format)
{
    const RegisterValue decoded = DecodeValue(&value, {OutputFormatType(format), 0});
    return decoded.IsSigned() ? static_cast<long>(decoded.Signed()) : static_cast<long>(decoded.Unsigned());
}

std::string RegisterText(uint16_t value, int format)
{
    return Known(format) ? ValueText(DecodeValue(&value, {kFormatTypes[format], 0})) : "";
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
