#include "modbus/wide_format.h"

#include "library/modbus_lib/modbus_values.h"

namespace {

const ValueType kKinds[] = {ValueType::U32, ValueType::S32, ValueType::F32,
                            ValueType::U64, ValueType::S64, ValueType::F64};
const char *const kKindNames[] = {"U32", "S32", "Float32", "U64", "S64", "Float64"};

int KindOf(int format)
{
    return (format - FORMAT_COUNT) / 4;
}

bool Filled(const std::string &cell)
{
    return cell.find_first_not_of(" \t\n\v\f\r") != std::string::npos;
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
    const int order = (format - FORMAT_COUNT) % 4;
    const bool wide64 = RegistersOf(kKinds[KindOf(format)]) == 4;
    return std::string(kKindNames[KindOf(format)]) + " " +
           (wide64 ? mb_word_order64_name(order) : mb_word_order_name(order));
}

ValueFormat FormatOfChoice(int format)
{
    if (IsWideFormat(format))
        return {kKinds[KindOf(format)], (format - FORMAT_COUNT) % 4};
    return {OutputFormatType(format), 0};
}

int ChoiceOfFormat(const ValueFormat &format)
{
    for (int choice = 0; choice < READ_FORMAT_COUNT; ++choice)
        if (FormatOfChoice(choice) == format)
            return choice;
    return FORMAT_DECIMAL_U16;
}

std::string WideText(const uint16_t *registers, int format)
{
    return ValueText(DecodeValue(registers, FormatOfChoice(format)));
}

std::string FormatWideRegisters(const uint16_t *values, size_t count, int format)
{
    std::string text;
    for (const RegisterValue &value : DecodeValues(values, count, FormatOfChoice(format)))
        text += "[" + ValueText(value) + "]";
    return text;
}

std::vector<TableRow> WideTableRows(unsigned start, const std::vector<uint16_t> &registers, int format)
{
    const ValueFormat valueFormat = FormatOfChoice(format);
    const unsigned step = static_cast<unsigned>(RegistersOf(valueFormat.type));
    std::vector<TableRow> rows;
    unsigned address = start;
    for (const RegisterValue &value : DecodeValues(registers.data(), registers.size(), valueFormat)) {
        rows.push_back({std::to_string(address), ValueText(value)});
        address += step;
    }
    return rows;
}

std::string PairRefusal(int count, int format)
{
    if (!IsWideFormat(format))
        return "";
    const int registers = RegistersOf(FormatOfChoice(format).type);
    if (count % registers == 0)
        return "";
    return registers == 2 ? "a 32-bit format needs an even count" : "a 64-bit format needs a count divisible by 4";
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
        const std::string why = Filled(cells[row]) ? EncodeValue(cells[row], FormatOfChoice(format), grid.values)
                                                   : "is empty";
        if (!why.empty()) {
            grid.values.clear();
            grid.refusal = name + " " + why;
            return grid;
        }
    }
    return grid;
}
