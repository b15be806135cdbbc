// The monitor's CSV log: rows with their fields quoted, times
// with milliseconds and their offset, and a failed write that closes the
// log with its cause, keeping what was written.
#include "modbus/csv_log.h"
#include "tests/support/file_size_limit.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

namespace {

std::string FileText(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<BlockValue> Values(const BlockDefinition &block, const std::vector<uint16_t> &answer)
{
    return BlockValues(block, answer);
}

TEST(CsvLog, TimeHasMillisecondsAndOffset)
{
    const char *saved = std::getenv("TZ");
    const std::string before = saved == nullptr ? "" : saved;
    const auto time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1796825587123LL));
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(IsoTimeWithOffset(time), "2026-12-09T14:13:07.123+00:00");
    setenv("TZ", "XYZ-5:30", 1);
    tzset();
    EXPECT_EQ(IsoTimeWithOffset(time), "2026-12-09T19:43:07.123+05:30");
    setenv("TZ", "XYZ3", 1);
    tzset();
    EXPECT_EQ(IsoTimeWithOffset(time - std::chrono::milliseconds(124)), "2026-12-09T11:13:06.999-03:00");
    if (saved == nullptr)
        unsetenv("TZ");
    else
        setenv("TZ", before.c_str(), 1);
    tzset();
}

TEST(CsvLog, WritesHeaderAndOneRowPerValue)
{
    char path[] = "/tmp/orv-csv-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    BlockDefinition block;
    block.name = "meter, hall";
    block.unit = 3;
    block.start = 10;
    block.count = 3;
    block.rows[0] = {"volts \"L1\"", std::nullopt};
    block.rows[1] = {"", ValueFormat{ValueType::S32, 0}};

    CsvLog log;
    ASSERT_EQ(log.Open(path), "");
    const auto time = std::chrono::system_clock::now();
    ASSERT_EQ(log.Append(time, block, Values(block, {230, 0xFFFF, 0xFFFF})), "");
    log.Close();
    const std::string stamp = IsoTimeWithOffset(time);
    EXPECT_EQ(FileText(path), "time,block,unit,address,name,value\r\n" + stamp +
                                  ",\"meter, hall\",3,10,\"volts \"\"L1\"\"\",230\r\n" + stamp +
                                  ",\"meter, hall\",3,11,,-1\r\n");
    EXPECT_FALSE(log.IsOpen());
    std::remove(path);
}

TEST(CsvLog, FailedWriteClosesWithItsCause)
{
    CsvLog log;
    EXPECT_EQ(log.Open("/nonexistent-dir/log.csv"), "No such file or directory");
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.Open("/dev/full"), "No space left on device");
    EXPECT_FALSE(log.IsOpen());
    BlockDefinition block;
    block.name = "b";
    block.count = 1;
    EXPECT_EQ(log.Append(std::chrono::system_clock::now(), block, Values(block, {1})), "the log is closed");

    // A disk that fills during the log: the answers before stay whole.
    char path[] = "/tmp/orv-csv-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::string kept;
    {
        testing_support::FileSizeLimit limit(200);
        ASSERT_EQ(log.Open(path), "");
        std::string why;
        for (int answer = 0; answer < 10 && why.empty(); ++answer) {
            kept = FileText(path);
            why = log.Append(std::chrono::system_clock::now(), block, Values(block, {1}));
        }
        EXPECT_EQ(why, "File too large");
    }
    EXPECT_FALSE(log.IsOpen());
    EXPECT_GT(kept.size(), 36u);
    EXPECT_EQ(FileText(path).substr(0, kept.size()), kept);
    std::remove(path);
}

} // namespace
