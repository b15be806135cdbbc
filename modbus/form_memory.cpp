#include "modbus/form_memory.h"


namespace {

const char *const kNames[] = {"SlaveId", "Address", "ReadAddress", "Count",  "Value", "CoilState",
                              "Format",  "WriteFormat", "Period", "Grid1", "Grid2", "Grid3",
                              "Grid4",   "Grid5",       "Grid6",  "Grid7", "Grid8", "Grid9", "Grid10"};
const int kFunctions[] = {1, 2, 3, 4, 5, 6, 15, 16, 17, 23};
// More than any field shows; a longer text is no one's typing.
constexpr size_t kLongest = 256;

std::string Key(int function, const std::string &name)
{
    return "Modbus/Function" + std::to_string(function) + "/" + name;
}

} // namespace

bool IsFormValueName(const std::string &name)
{
    for (const char *known : kNames)
        if (name == known)
            return true;
    return false;
}

std::map<std::string, std::string> FormMemoryEntries(const FormMemory &memory)
{
    std::map<std::string, std::string> entries;
    for (const auto &form : memory)
        for (const auto &value : form.second)
            if (IsFormValueName(value.first))
                entries[Key(form.first, value.first)] = value.second;
    return entries;
}

FormMemory FormMemoryFromEntries(const std::function<std::optional<std::string>(const std::string &)> &lookup)
{
    FormMemory memory;
    for (const int function : kFunctions)
        for (const char *name : kNames)
            if (const std::optional<std::string> text = lookup(Key(function, name)); text && text->size() <= kLongest)
                memory[function][name] = *text;
    return memory;
}
