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

// Zero-padded: 1:12:03 and 11:02:03 have names of their own.
TEST(LogFileName, ZeroPaddedFieldsThatSortByTime)
{
    EXPECT_EQ(LogFileName(LocalTime(2014, 6, 5, 8, 4, 3)), "wifilog-20140605-080403.txt");
    EXPECT_EQ(LogFileName(LocalTime(2014, 1, 1, 1, 12, 3)), "wifilog-20140101-011203.txt");
    EXPECT_EQ(LogFileName(LocalTime(2014, 1, 1, 11, 2, 3)), "wifilog-20140101-110203.txt");
    EXPECT_EQ(LogFileName(LocalTime(2025, 10, 31, 23, 59, 0)), "wifilog-20251031-235900.txt");
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

// Exactly the bytes received, whatever they are; the older form with a line
// break after each chunk on request.
TEST_F(LogFileTest, HoldsExactlyTheReceivedBytesOrALineBreakPerChunkOnRequest)
{
    LogFile log;
    std::string error;
    ASSERT_TRUE(log.Create("", LocalTime(2014, 12, 1, 9, 5, 7), error)) << error;
    EXPECT_EQ(log.Path(), m_dir + "/wifilog-20141201-090507.txt") << "the full path";
    const uint8_t first[] = {0x1b, 0x3b};
    const uint8_t second[] = {0xaa, 0x55, 0x00, '\r'};
    ASSERT_TRUE(log.Write(first, sizeof(first), false, error));
    ASSERT_TRUE(log.Write(second, sizeof(second), false, error));
    EXPECT_EQ(log.Size(), 6u);
    ASSERT_TRUE(log.Write(first, sizeof(first), true, error));
    EXPECT_EQ(log.Size(), 9u);
    EXPECT_EQ(Contents(log.Path()), std::string("\x1b\x3b\xaa\x55\0\r\x1b\x3b\n", 9));
    log.Close();
    EXPECT_FALSE(log.IsOpen());
}

// A log of the same second never empties the earlier one; a chosen folder
// takes the log.
TEST_F(LogFileTest, NeverWritesOverAnEarlierLog)
{
    std::string error;
    ASSERT_EQ(mkdir("chosen", 0700), 0);
    const std::string folder = m_dir + "/chosen";
    LogFile first;
    ASSERT_TRUE(first.Create(folder, LocalTime(2014, 1, 1, 1, 11, 5), error));
    const uint8_t bytes[] = {'x'};
    first.Write(bytes, 1, false, error);
    first.Close();
    LogFile second;
    ASSERT_TRUE(second.Create(folder, LocalTime(2014, 1, 1, 1, 11, 5), error));
    EXPECT_EQ(second.Path(), folder + "/wifilog-20140101-011105-2.txt");
    EXPECT_EQ(Contents(folder + "/wifilog-20140101-011105.txt"), "x");
    LogFile third;
    ASSERT_TRUE(third.Create(folder + "/", LocalTime(2014, 1, 1, 1, 11, 5), error));
    EXPECT_EQ(third.Path(), folder + "/wifilog-20140101-011105-3.txt");
}

TEST_F(LogFileTest, CreatingAgainClosesTheOpenFileFirst)
{
    std::string error;
    LogFile log;
    ASSERT_TRUE(log.Create("", LocalTime(2014, 2, 2, 2, 2, 2), error));
    const uint8_t bytes[] = {'1'};
    log.Write(bytes, 1, false, error);
    ASSERT_TRUE(log.Create("", LocalTime(2014, 2, 2, 2, 2, 3), error));
    log.Write(bytes, 1, false, error);
    log.Write(bytes, 1, false, error);
    EXPECT_EQ(Contents("wifilog-20140202-020202.txt"), "1");
    EXPECT_EQ(Contents("wifilog-20140202-020203.txt"), "11");
}

// A current directory that was removed cannot take a new file, whatever
// the rights of the test; nor can a folder that is gone.
TEST_F(LogFileTest, FailureNamesTheFileAndTheReason)
{
    std::string error;
    LogFile log;
    EXPECT_FALSE(log.Create(m_dir + "/missing", LocalTime(2014, 6, 5, 8, 4, 3), error));
    EXPECT_EQ(error, "Cannot create the log file \"" + m_dir +
                         "/missing/wifilog-20140605-080403.txt\": No such file or directory");
    ASSERT_EQ(mkdir("gone", 0700), 0);
    ASSERT_EQ(chdir("gone"), 0);
    ASSERT_EQ(rmdir((m_dir + "/gone").c_str()), 0);
    EXPECT_FALSE(log.Create("", LocalTime(2014, 6, 5, 8, 4, 3), error));
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(error, "Cannot create the log file \"wifilog-20140605-080403.txt\": No such file or directory");
}

// A write that fails (here the file may not grow, as on a full disk) names
// the file and the reason; the file keeps what was written before.
TEST_F(LogFileTest, WriteFailureNamesTheFileAndKeepsWhatWasWritten)
{
    std::string error;
    LogFile log;
    ASSERT_TRUE(log.Create("", LocalTime(2014, 6, 5, 8, 4, 3), error));
    const uint8_t bytes[] = {'A', 'B'};
    ASSERT_TRUE(log.Write(bytes, sizeof(bytes), false, error));
    {
        const testing_support::FileSizeLimit full(2);
        EXPECT_FALSE(log.Write(bytes, sizeof(bytes), false, error));
        log.Close();
    }
    EXPECT_EQ(error, "Cannot write the log file \"" + m_dir +
                         "/wifilog-20140605-080403.txt\": File too large; logging has stopped");
    EXPECT_EQ(Contents("wifilog-20140605-080403.txt"), "AB");
}

} // namespace
