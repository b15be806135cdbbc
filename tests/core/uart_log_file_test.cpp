#include "tests/support/file_size_limit.h"
#include "uart/log_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::tm LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

std::string Contents(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(LogFileName, PlainDecimalFieldsWithoutPadding)
{
    EXPECT_EQ(LogFileName(LocalTime(2014, 6, 5, 8, 4, 3)), "wifilog-201465-843.txt");
    EXPECT_EQ(LogFileName(LocalTime(2014, 12, 1, 9, 5, 7)), "wifilog-2014121-957.txt");
    EXPECT_EQ(LogFileName(LocalTime(2025, 10, 31, 23, 59, 0)), "wifilog-20251031-23590.txt");
}

// Runs each case in its own empty directory, the log's current directory.
class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/uart_log_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        ASSERT_NE(getcwd(m_previous, sizeof(m_previous)), nullptr);
        ASSERT_EQ(chdir(m_dir.c_str()), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(m_previous), 0);
        std::system(("rm -rf " + m_dir).c_str());
    }
    std::string m_dir;
    char m_previous[4096] = {};
};

TEST_F(LogFileTest, HoldsTheRawBytesWithALineBreakPerChunk)
{
    LogFile log;
    std::string error;
    ASSERT_TRUE(log.Create(LocalTime(2014, 12, 1, 9, 5, 7), error)) << error;
    EXPECT_EQ(log.Path(), "wifilog-2014121-957.txt");
    const uint8_t first[] = {'A', 'B'};
    const uint8_t second[] = {0x00, 0xff, '\n', '\r'};
    ASSERT_TRUE(log.Write(first, sizeof(first), error));
    ASSERT_TRUE(log.Write(second, sizeof(second), error));
    EXPECT_EQ(Contents("wifilog-2014121-957.txt"), std::string("AB\n\0\xff\n\r\n", 8));
    log.Close();
    EXPECT_FALSE(log.IsOpen());
}

// 01:11:05 and 11:01:05 of one day share a name: the later log must not
// empty the earlier one.
TEST_F(LogFileTest, NeverEmptiesAnEarlierLogOfTheSameName)
{
    std::string error;
    LogFile first;
    ASSERT_TRUE(first.Create(LocalTime(2014, 1, 1, 1, 11, 5), error));
    const uint8_t bytes[] = {'x'};
    first.Write(bytes, 1, error);
    first.Close();
    LogFile second;
    ASSERT_TRUE(second.Create(LocalTime(2014, 1, 1, 11, 1, 5), error));
    EXPECT_EQ(second.Path(), "wifilog-201411-1115-2.txt");
    EXPECT_EQ(Contents("wifilog-201411-1115.txt"), "x\n");
    LogFile third;
    ASSERT_TRUE(third.Create(LocalTime(2014, 1, 1, 11, 1, 5), error));
    EXPECT_EQ(third.Path(), "wifilog-201411-1115-3.txt");
}

TEST_F(LogFileTest, CreatingAgainClosesTheOpenFileFirst)
{
    std::string error;
    LogFile log;
    ASSERT_TRUE(log.Create(LocalTime(2014, 2, 2, 2, 2, 2), error));
    const uint8_t bytes[] = {'1'};
    log.Write(bytes, 1, error);
    ASSERT_TRUE(log.Create(LocalTime(2014, 2, 2, 2, 2, 3), error));
    log.Write(bytes, 1, error);
    log.Write(bytes, 1, error);
    EXPECT_EQ(Contents("wifilog-201422-222.txt"), "1\n");
    EXPECT_EQ(Contents("wifilog-201422-223.txt"), "1\n1\n");
}

// A current directory that was removed cannot take a new file, whatever
// the rights of the test.
TEST_F(LogFileTest, FailureNamesTheFileAndTheReason)
{
    ASSERT_EQ(mkdir("gone", 0700), 0);
    ASSERT_EQ(chdir("gone"), 0);
    ASSERT_EQ(rmdir((m_dir + "/gone").c_str()), 0);
    std::string error;
    LogFile log;
    EXPECT_FALSE(log.Create(LocalTime(2014, 6, 5, 8, 4, 3), error));
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(error, "Cannot create the log file \"wifilog-201465-843.txt\": No such file or directory");
}

// A write that fails (here the file may not grow, as on a full disk) names
// the file and the reason; the file keeps what was written before.
TEST_F(LogFileTest, WriteFailureNamesTheFileAndKeepsWhatWasWritten)
{
    std::string error;
    LogFile log;
    ASSERT_TRUE(log.Create(LocalTime(2014, 6, 5, 8, 4, 3), error));
    const uint8_t bytes[] = {'A', 'B'};
    ASSERT_TRUE(log.Write(bytes, sizeof(bytes), error));
    {
        const testing_support::FileSizeLimit full(3);
        EXPECT_FALSE(log.Write(bytes, sizeof(bytes), error));
        log.Close();
    }
    EXPECT_EQ(error, "Cannot write the log file \"wifilog-201465-843.txt\": File too large; logging has stopped");
    EXPECT_EQ(Contents("wifilog-201465-843.txt"), "AB\n");
}

} // namespace
