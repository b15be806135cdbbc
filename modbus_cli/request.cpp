#include "modbus_cli/request.h"

#include "library/modbus_lib/modbus.h"
#include "modbus/register_format.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace modbus_cli {

namespace {

enum class Values { None, Coils, Registers };

// What each function takes. `maxCount` bounds the quantity read, `minValues`
// and `maxValues` the values written; the limits are the client's own.
struct FunctionInfo {
    int code;
    const char *name;
    bool takesAddress;
    int maxCount; // 0: no count to read
    Values values;
    int minValues;
    int maxValues;
};

const FunctionInfo kFunctions[] = {
    {1, "read-coils", true, MB_MAX_READ_BITS, Values::None, 0, 0},
    {2, "read-discrete-inputs", true, MB_MAX_READ_BITS, Values::None, 0, 0},
    {3, "read-holding-registers", true, MB_MAX_READ_REGISTERS, Values::None, 0, 0},
    {4, "read-input-registers", true, MB_MAX_READ_REGISTERS, Values::None, 0, 0},
    {5, "write-coil", true, 0, Values::Coils, 1, 1},
    {6, "write-register", true, 0, Values::Registers, 1, 1},
    {15, "write-coils", true, 0, Values::Coils, 1, MB_MAX_WRITE_BITS},
    {16, "write-registers", true, 0, Values::Registers, 1, MB_MAX_WRITE_REGISTERS},
    {17, "report-slave-id", false, 0, Values::None, 0, 0},
    {23, "read-write-registers", true, MB_MAX_WR_READ_REGISTERS, Values::Registers, 1, MB_MAX_WR_WRITE_REGISTERS},
};

struct FormatInfo {
    const char *name;
    int format; // -1 for the two-register formats
    int wide;
};

const FormatInfo kFormats[] = {
    {"u16", FORMAT_DECIMAL_U16, WIDE_NONE}, {"s16", FORMAT_DECIMAL_S16, WIDE_NONE},
    {"u8", FORMAT_DECIMAL_U8, WIDE_NONE},   {"s8", FORMAT_DECIMAL_S8, WIDE_NONE},
    {"hex", FORMAT_HEX, WIDE_NONE},         {"bin16", FORMAT_BINARY_16, WIDE_NONE},
    {"bin8", FORMAT_BINARY_8, WIDE_NONE},   {"u32", -1, WIDE_U32},
    {"s32", -1, WIDE_S32},                  {"f32", -1, WIDE_F32},
    {"u64", -1, WIDE_U64},                  {"s64", -1, WIDE_S64},
    {"f64", -1, WIDE_F64},
};

const ValueType kWideTypes[] = {ValueType::U16, ValueType::U32, ValueType::S32, ValueType::F32,
                                ValueType::U64, ValueType::S64, ValueType::F64};

// The registers of one value of a wide format.
int RegistersOfWide(int wide)
{
    return RegistersOf(kWideTypes[wide]);
}

const char *CountWord(int registers)
{
    return registers == 4 ? "four" : "two";
}

const FunctionInfo *FindFunction(int code)
{
    for (const FunctionInfo &info : kFunctions)
        if (info.code == code)
            return &info;
    return nullptr;
}

std::string Range(long low, long high)
{
    return std::to_string(low) + " to " + std::to_string(high);
}

// Reads an option's text into `value` when given; returns "" or the refusal.
std::string ReadOption(const std::string &text, const char *option, long low, long high, long &value)
{
    if (text.empty() || ParseNumber(text, low, high, value))
        return "";
    return std::string(option) + " must be " + Range(low, high) + ", not '" + text + "'";
}

// The start address and the quantity must stay within the 65536 addresses.
std::string CheckSpan(const char *option, long address, long quantity)
{
    if (address + quantity - 1 <= 0xFFFF)
        return "";
    return std::string(option) + " " + std::to_string(address) + " with " + std::to_string(quantity) +
           " items goes past address 65535";
}

// One value of a wide format as its registers, in the order.
std::string ReadWideValue(const std::string &text, const Request &request, std::vector<uint16_t> &registers)
{
    if (EncodeValue(text, FormatOf(request), registers).empty())
        return "";
    const std::string name = WideFormatName(request.wide);
    const ValueType type = kWideTypes[request.wide];
    const std::string article = name[0] == 'u' ? "a " : "an ";
    if (type == ValueType::F32 || type == ValueType::F64)
        return article + name + " value must be a number, not '" + text + "'";
    const std::string range = type == ValueType::U32   ? "0 to 4294967295"
                              : type == ValueType::S32 ? "-2147483648 to 2147483647"
                              : type == ValueType::U64 ? "0 to 18446744073709551615"
                                                       : "-9223372036854775808 to 9223372036854775807";
    return article + name + " value must be " + range + ", not '" + text + "'";
}

// The format and, for the two-register formats, the word order.
std::string ReadFormat(const Arguments &arguments, Request &request)
{
    request.format = FormatByName(arguments.format);
    request.wide = WideFormatByName(arguments.format);
    if (request.format < 0 && request.wide == WIDE_NONE)
        return "unknown format '" + arguments.format + "'; one of " + FormatNames();
    if (request.format < 0)
        request.format = FORMAT_DECIMAL_U16;
    if (arguments.order.empty())
        return "";
    if (request.wide == WIDE_NONE)
        return "--order applies to the formats u32, s32 and f32, and u64, s64 and f64 only";
    request.order = OrderByName(kWideTypes[request.wide], arguments.order);
    if (request.order < 0)
        return "unknown order '" + arguments.order + "'; one of " + OrderNames(kWideTypes[request.wide]) +
               " for " + WideFormatName(request.wide);
    return "";
}

std::string ReadValues(const Arguments &arguments, const FunctionInfo &info, Request &request)
{
    const size_t count = arguments.values.size();
    const std::string name = info.name;
    if (info.values == Values::None)
        return count == 0 ? "" : name + " takes no values, got '" + arguments.values[0] + "'";
    const bool wide = info.values == Values::Registers && request.wide != WIDE_NONE;
    const int registers = wide ? RegistersOfWide(request.wide) : 1;
    if (wide && info.maxValues == 1)
        return name + " writes one register; " + WideFormatName(request.wide) + " values take " +
               CountWord(registers) + " each (use write-registers)";
    const size_t most = static_cast<size_t>(info.maxValues / registers);
    if (count < static_cast<size_t>(info.minValues) || count > most) {
        const std::string kind = wide                          ? std::string(WideFormatName(request.wide)) + " value"
                                 : info.values == Values::Coils ? "coil value"
                                                                : "register value";
        if (info.maxValues == 1)
            return name + " takes one " + kind + ", got " + std::to_string(count);
        return name + " takes " + Range(info.minValues, static_cast<long>(most)) + " " + kind + "s, got " +
               std::to_string(count);
    }
    for (const std::string &text : arguments.values) {
        long value = 0;
        if (wide) {
            const std::string refusal = ReadWideValue(text, request, request.registers);
            if (!refusal.empty())
                return refusal;
        } else if (info.values == Values::Coils) {
            if (!ParseNumber(text, 0, 1, value))
                return "a coil value must be 0 or 1, not '" + text + "'";
            request.coils.push_back(static_cast<uint8_t>(value));
        } else {
            // Negative values are written as their 16-bit two's complement.
            if (!ParseNumber(text, -32768, 65535, value))
                return "a register value must be -32768 to 65535, not '" + text + "'";
            request.registers.push_back(static_cast<uint16_t>(value & 0xFFFF));
        }
    }
    return "";
}

} // namespace

int FunctionCode(const std::string &name)
{
    for (const FunctionInfo &info : kFunctions)
        if (name == info.name || name == std::to_string(info.code))
            return info.code;
    return 0;
}

const char *FunctionName(int code)
{
    const FunctionInfo *info = FindFunction(code);
    return info == nullptr ? "" : info->name;
}

std::string FunctionNames()
{
    std::string names;
    for (const FunctionInfo &info : kFunctions)
        names += (names.empty() ? "" : ", ") + std::string(info.name) + " (" + std::to_string(info.code) + ")";
    return names;
}

std::string FormatNames()
{
    std::string names;
    for (const FormatInfo &info : kFormats)
        names += (names.empty() ? "" : ", ") + std::string(info.name);
    return names;
}

int FormatByName(const std::string &name)
{
    for (const FormatInfo &info : kFormats)
        if (name == info.name)
            return info.format;
    return -1;
}

int WideFormatByName(const std::string &name)
{
    for (const FormatInfo &info : kFormats)
        if (name == info.name)
            return info.wide;
    return WIDE_NONE;
}

const char *WideFormatName(int wide)
{
    return wide > WIDE_NONE && wide <= WIDE_F64 ? ValueTypeName(kWideTypes[wide]) : "u32";
}

ValueFormat FormatOf(const Request &request)
{
    if (request.wide > WIDE_NONE && request.wide <= WIDE_F64)
        return {kWideTypes[request.wide], request.order};
    return {OutputFormatType(request.format), 0};
}

bool ParseNumber(const std::string &text, long low, long high, long &value)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const size_t start = hex ? 2 : (text.size() > 1 && text[0] == '-' ? 1 : 0);
    if (start >= text.size())
        return false;
    for (size_t index = start; index < text.size(); ++index)
        if (!(hex ? std::isxdigit(static_cast<unsigned char>(text[index]))
                  : std::isdigit(static_cast<unsigned char>(text[index]))))
            return false;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), nullptr, hex ? 16 : 10);
    if (errno == ERANGE || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

std::string BuildRequest(const Arguments &arguments, Request &request)
{
    request = Request{};
    request.function = FunctionCode(arguments.function);
    const FunctionInfo *info = FindFunction(request.function);
    if (info == nullptr)
        return "unknown function '" + arguments.function + "'; one of " + FunctionNames();
    const std::string name = info->name;

    long unit = 1;
    long address = 0;
    long count = 1;
    long writeAddress = 0;
    std::string refusal = ReadOption(arguments.unit, "--unit", 0, 255, unit);
    if (refusal.empty() && !info->takesAddress && !arguments.address.empty())
        refusal = "--address does not apply to " + name;
    if (refusal.empty() && info->maxCount == 0 && !arguments.count.empty())
        refusal = "--count does not apply to " + name + (info->values == Values::None ? "" : "; the values give it");
    if (refusal.empty() && request.function != 23 && !arguments.writeAddress.empty())
        refusal = "--write-address applies to read-write-registers only";
    if (refusal.empty())
        refusal = ReadOption(arguments.address, "--address", 0, 0xFFFF, address);
    if (refusal.empty())
        refusal = ReadOption(arguments.writeAddress, "--write-address", 0, 0xFFFF, writeAddress);
    if (refusal.empty())
        refusal = ReadFormat(arguments, request);
    // A value of several registers is read whole: the count is of
    // registers, one value's by default, and must not split a value.
    const bool readsWide = request.wide != WIDE_NONE && ReadsRegisters(request.function);
    const int perValue = readsWide ? RegistersOfWide(request.wide) : 1;
    if (readsWide)
        count = perValue;
    if (refusal.empty() && info->maxCount != 0)
        refusal = ReadOption(arguments.count, ("--count for " + name).c_str(), 1, info->maxCount, count);
    if (refusal.empty() && readsWide && count % perValue != 0)
        refusal = "--count " + std::to_string(count) +
                  (perValue == 2 ? " splits a register pair: " : " splits a value: ") + WideFormatName(request.wide) +
                  " values take " + CountWord(perValue) + " registers each; give " +
                  (perValue == 2 ? "an even count" : "a count divisible by 4");
    if (refusal.empty())
        refusal = ReadValues(arguments, *info, request);
    if (!refusal.empty())
        return refusal;

    request.unit = static_cast<int>(unit);
    request.address = static_cast<int>(address);
    request.count = info->maxCount == 0 ? 0 : static_cast<int>(count);
    request.writeAddress = static_cast<int>(writeAddress);
    const long written = static_cast<long>(request.registers.size() + request.coils.size());
    if (request.function == 23) {
        refusal = CheckSpan("--address", address, count);
        return refusal.empty() ? CheckSpan("--write-address", writeAddress, written) : refusal;
    }
    return CheckSpan("--address", address, request.count != 0 ? count : written);
}

std::string BuildSettings(const Arguments &arguments, Settings &settings)
{
    settings = Settings{};
    if (arguments.framing == "tcp")
        settings.framing = MB_FRAMING_TCP;
    else if (!arguments.framing.empty() && arguments.framing != "rtu")
        return "unknown framing '" + arguments.framing + "'; rtu (RTU over TCP) or tcp (Modbus TCP)";
    // Modbus TCP devices listen on the protocol's own port.
    long port = settings.framing == MB_FRAMING_TCP ? MODBUS_TCP_PORT : MODBUS_PORT;
    long timeout = settings.timeoutMs;
    long poll = 0;
    long times = 0;
    std::string refusal = ReadOption(arguments.port, "--port", 1, 65535, port);
    if (refusal.empty())
        refusal = ReadOption(arguments.timeout, "--timeout", 1, 3600000, timeout);
    if (refusal.empty())
        refusal = ReadOption(arguments.poll, "--poll", 0, 86400000, poll);
    if (refusal.empty())
        refusal = ReadOption(arguments.times, "--times", 1, 1000000000, times);
    if (!refusal.empty())
        return refusal;
    settings.port = static_cast<int>(port);
    settings.timeoutMs = static_cast<int>(timeout);
    settings.polling = !arguments.poll.empty() || !arguments.times.empty();
    settings.pollMs = static_cast<int>(poll);
    settings.times = static_cast<int>(times);
    return "";
}

} // namespace modbus_cli
