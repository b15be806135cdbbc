// What the forms keep between runs, as entries of the kept settings.
#include "modbus/form_memory.h"

#include <gtest/gtest.h>

namespace {

TEST(FormMemory, EntriesComeBackAsTheyWereWrittenAndNothingElse)
{
    const FormMemory memory = {{3, {{"Address", "7"}, {"Format", "U32 CDAB"}, {"Bogus", "x"}}},
                               {16, {{"Grid10", "-5"}}}};
    std::map<std::string, std::string> entries = FormMemoryEntries(memory);
    EXPECT_EQ(entries, (std::map<std::string, std::string>{{"Modbus/Function3/Address", "7"},
                                                           {"Modbus/Function3/Format", "U32 CDAB"},
                                                           {"Modbus/Function16/Grid10", "-5"}}));
    entries["Modbus/Function7/Address"] = "1";      // no form of function 7
    entries["Modbus/Function3/Count"] = std::string(257, '1'); // no one's typing
    const FormMemory back = FormMemoryFromEntries([&entries](const std::string &key) -> std::optional<std::string> {
        const auto found = entries.find(key);
        return found == entries.end() ? std::nullopt : std::optional<std::string>(found->second);
    });
    FormMemory expected = memory;
    expected[3].erase("Bogus");
    EXPECT_EQ(back, expected);
}

} // namespace
