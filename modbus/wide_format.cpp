#include "modbus/wide_format.h"

#include "library/modbus_lib/modbus_values.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum WideKind { WIDE_U32, WIDE_S32, WIDE_F32 };

const char *const kKindNames[] = {"U32", "S32", "Float32"};

WideKind KindOf(int format)
{
    return static_cast<WideKind>((format - FORMAT_COUNT) / 4);
}

int OrderOf(int format)
{
    return (format - FORMAT_COUNT) % 4;
}

std::string FloatText(float value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char text[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            break;
    }
    return text;
}

bool Filled(const std::string &cell)
{
    return cell.find_first_not_of(" \t\n\v\f\r") != std::string::npos;
}

// The cell as a value of `kind` (its integer's 32 bits, or the float);
// "" or why it is none.
std::string ParseCell(const std::string &cell, WideKind kind, uint32_t &bits, float &real)
{
    const char *text = cell.c_str();
    char *end = nullptr;
    errno = 0;
    if (kind == WIDE_F32) {
        real = std::strtof(text, &end);
    } else {
        const long long value = std::strtoll(text, &end, 10);
        const long long low = kind == WIDE_U32 ? 0 : -2147483648LL;
        const long long high = kind == WIDE_U32 ? 4294967295LL : 2147483647LL;
        if (end != text && (errno == ERANGE || value < low || value > high))
            return "must be " + std::to_string(low) + " to " + std::to_string(high);
        bits = static_cast<uint32_t>(value);
    }
    while (end != nullptr && *end != '\0' && std::strchr(" \t\n\v\f\r", *end) != nullptr)
        ++end;
    // strtof says ERANGE for subnormal results too, which are floats like
    // any other; only a value past the largest float is none.
    if (end == text || end == nullptr || *end != '\0' || (kind == WIDE_F32 && errno == ERANGE && std::isinf(real)))
        return "is no number";
    return "";
}

} // namespace

bool IsWideFormat(int format)
{
    return format >= FORMAT_COUNT && format < READ_FORMAT_COUNT;
}

std::string FormatChoiceName(int format)
{
    if (!IsWideFormat(format))
        return OutputFormatName(format);
    return std::string(kKindNames[KindOf(format)]) + " " + mb_word_order_name(OrderOf(format));
}

std::string WideText(const uint16_t *pair, int format)
{
    switch (KindOf(format)) {
    case WIDE_U32:
        return std::to_string(mb_get_u32(pair, OrderOf(format)));
    case WIDE_S32:
        return std::to_string(static_cast<int32_t>(mb_get_u32(pair, OrderOf(format))));
    case WIDE_F32:
        return FloatText(mb_get_f32(pair, OrderOf(format)));
    }
    return "";
}

std::string FormatWideRegisters(const uint16_t *values, size_t count, int format)
{
    std::string text;
    for (size_t i = 0; i + 1 < count; i += 2)
        text += "[" + WideText(values + i, format) + "]";
    return text;
}

std::vector<TableRow> WideTableRows(unsigned start, const std::vector<uint16_t> &registers, int format)
{
    std::vector<TableRow> rows;
    for (size_t i = 0; i + 1 < registers.size(); i += 2)
        rows.push_back({std::to_string(start + i), WideText(registers.data() + i, format)});
    return rows;
}

std::string PairRefusal(int count, int format)
{
    return IsWideFormat(format) && count % 2 != 0 ? "a 32-bit format needs an even count" : "";
}

std::string WriteFormatName(int choice)
{
    return choice == 0 ? "16-bit" : FormatChoiceName(WriteChoiceFormat(choice));
}

int WriteChoiceFormat(int choice)
{
    return choice <= 0 ? 0 : FORMAT_COUNT + choice - 1;
}

GridValues<uint16_t> GridWideValues(const std::vector<std::string> &cells, int format)
{
    GridValues<uint16_t> grid;
    size_t end = cells.size();
    while (end > 0 && !Filled(cells[end - 1]))
        --end;
    if (end == 0) {
        grid.refusal = "no values set";
        return grid;
    }
    for (size_t row = 0; row < end; ++row) {
        const std::string name = "row " + std::to_string(row + 1);
        if (!Filled(cells[row])) {
            grid.values.clear();
            grid.refusal = name + " is empty";
            return grid;
        }
        uint32_t bits = 0;
        float real = 0;
        const std::string why = ParseCell(cells[row], KindOf(format), bits, real);
        if (!why.empty()) {
            grid.values.clear();
            grid.refusal = name + " " + why;
            return grid;
        }
        uint16_t pair[2];
        if (KindOf(format) == WIDE_F32)
            mb_set_f32(real, OrderOf(format), pair);
        else
            mb_set_u32(bits, OrderOf(format), pair);
        grid.values.push_back(pair[0]);
        grid.values.push_back(pair[1]);
    }
    return grid;
}
