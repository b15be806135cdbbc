// What a form sends from its grid, and the reasons its result line gives.
#include "library/modbus_lib/modbus.h"
#include "modbus/failure_reason.h"
#include "modbus/grid_values.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(FailureReason, SaysWhyInTheUsersTerms)
{
    const struct {
        int error;
        const char *reason;
    } reasons[] = {{ETIMEDOUT, "no answer"},
                   {ECONNRESET, "connection closed"},
                   {EPIPE, "connection closed"},
                   {ENOTCONN, "connection closed"},
                   {EBADF, "not connected"},
                   {EMBXILADD, "Illegal data address"},
                   {EMBXSBUSY, "Slave device or server is busy"},
                   {EMBBADCRC, "Invalid CRC"},
                   {EMBBADDATA, "Invalid data"},
                   {EMBBADEXC, "Invalid exception code"},
                   {ECONNREFUSED, std::strerror(ECONNREFUSED)}};
    for (const auto &item : reasons)
        EXPECT_EQ(FailedResult(RequestFailureReason(item.error)), std::string("Failed: ") + item.reason)
            << item.error;
    EXPECT_EQ(FailedResult(RangeReason("quantity", 1, 125)), "Failed: quantity must be 1 to 125");
    EXPECT_EQ(RangeReason("value", -32768, 65535), "value must be -32768 to 65535");
}

TEST(GridValues, RegistersGoUpToTheLastFilledCellWithoutGaps)
{
    const struct {
        std::vector<std::string> cells;
        std::vector<uint16_t> values;
        const char *refusal;
    } cases[] = {
        {{"2", "7", "", "", ""}, {2, 7}, ""},
        {{"-1", "70000", " 0", "abc"}, {0xFFFF, 70000 - 65536, 0, 0}, ""}, // filled cells read as typed numbers
        {{"", "", ""}, {}, "no values set"},
        {{" ", "\t", ""}, {}, "no values set"},
        {{"1", "", "3"}, {}, "row 2 is empty"},
        {{"", "5"}, {}, "row 1 is empty"},
    };
    for (const auto &item : cases) {
        const GridValues<uint16_t> grid = GridRegisterValues(item.cells);
        EXPECT_EQ(grid.values, item.values) << item.refusal;
        EXPECT_EQ(grid.refusal, item.refusal);
    }
}

TEST(GridValues, CoilsGoUpToTheLastOneTheUserChanged)
{
    const std::vector<std::string> cells = {"1", "", "1", "", ""};
    // A coil ticked and unticked again (row 3 here) is still written, as off.
    GridValues<uint8_t> grid = GridCoilValues(cells, {true, false, true, true, false});
    EXPECT_EQ(grid.values, (std::vector<uint8_t>{1, 0, 1, 0}));
    EXPECT_EQ(grid.refusal, "");
    grid = GridCoilValues(cells, {false, false, false, false, false});
    EXPECT_TRUE(grid.values.empty());
    EXPECT_EQ(grid.refusal, "no values set");
}

} // namespace
