// The values a form's grid sends (functions 15, 16 and 23): only those the
// user set, so that no register or coil past them is overwritten.
#ifndef ORV_MODBUS_GRID_VALUES_H
#define ORV_MODBUS_GRID_VALUES_H

#include <cstdint>
#include <string>
#include <vector>

template <typename T> struct GridValues {
    std::vector<T> values;
    std::string refusal; // why nothing may be sent; "" when `values` may
};

// Register values: the cells from the first row to the last filled one, each
// read as a number cut to 16 bits. An empty cell before the last filled one
// ("row 2 is empty", rows counted from 1 as the grid shows them) or no
// filled cell ("no values set") refuses the request.
GridValues<uint16_t> GridRegisterValues(const std::vector<std::string> &cells);

// Coil states: the cells from the first row to the last one the user changed
// (ticked or unticked: a coil ticked and unticked again is still written,
// as off), non-zero meaning on. No changed cell refuses the request.
GridValues<uint8_t> GridCoilValues(const std::vector<std::string> &cells, const std::vector<bool> &changed);

#endif
