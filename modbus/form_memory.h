// What was typed into the function forms, kept per function while the
// program runs (switching functions and back) and between runs, as entries
// of the kept settings: "Modbus/Function3/Address" = "100".
#ifndef ORV_MODBUS_FORM_MEMORY_H
#define ORV_MODBUS_FORM_MEMORY_H

#include <functional>
#include <map>
#include <optional>
#include <string>

// A form's fields by name ("SlaveId", "Address", "Format", "Grid1", ...)
// and their texts as typed; a choice by the text it shows.
using FormValues = std::map<std::string, std::string>;
// By function code.
using FormMemory = std::map<int, FormValues>;

// The names a form's values may have.
bool IsFormValueName(const std::string &name);

std::map<std::string, std::string> FormMemoryEntries(const FormMemory &memory);
// The values of the functions that have forms; entries of other names
// are left out, and so are texts longer than a field could hold.
FormMemory FormMemoryFromEntries(const std::function<std::optional<std::string>(const std::string &)> &lookup);

#endif
