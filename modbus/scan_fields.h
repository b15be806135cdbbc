// The number fields of the scan dialogs, read and checked.
#ifndef ORV_MODBUS_SCAN_FIELDS_H
#define ORV_MODBUS_SCAN_FIELDS_H

#include <optional>
#include <string>

// The field's whole number within [least, most], or nothing.
std::optional<int> NumberInRange(const std::string &text, int least, int most);
// "From must be 1 to 247".
std::string RangeReason(const std::string &field, int least, int most);

#endif
