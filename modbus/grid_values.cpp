#include "modbus/grid_values.h"

#include "modbus/form_number.h"

#include <algorithm>

namespace {

const char kNoValues[] = "no values set";

bool Filled(const std::string &cell)
{
    return cell.find_first_not_of(" \t\n\v\f\r") != std::string::npos;
}

} // namespace

GridValues<uint16_t> GridRegisterValues(const std::vector<std::string> &cells)
{
    GridValues<uint16_t> grid;
    size_t end = cells.size();
    while (end > 0 && !Filled(cells[end - 1]))
        --end;
    if (end == 0) {
        grid.refusal = kNoValues;
        return grid;
    }
    for (size_t row = 0; row < end; ++row) {
        if (!Filled(cells[row])) {
            grid.values.clear();
            grid.refusal = "row " + std::to_string(row + 1) + " is empty";
            return grid;
        }
        grid.values.push_back(ReadRegisterCell(cells[row]));
    }
    return grid;
}

GridValues<uint8_t> GridCoilValues(const std::vector<std::string> &cells, const std::vector<bool> &changed)
{
    GridValues<uint8_t> grid;
    size_t end = std::min(cells.size(), changed.size());
    while (end > 0 && !changed[end - 1])
        --end;
    if (end == 0)
        grid.refusal = kNoValues;
    for (size_t row = 0; row < end; ++row)
        grid.values.push_back(ReadCoilCell(cells[row]));
    return grid;
}
