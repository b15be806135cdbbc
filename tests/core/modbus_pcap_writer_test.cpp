// Captures read back with tshark: each frame a TCP segment of its real
// connection and time, checksums and sequence numbers right, Modbus/TCP
// on port 502 decoded by itself, RTU over TCP with "Decode As"; written
// atomically, failures named.
#include "modbus/pcap_writer.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/tshark.h"

#include <algorithm>
#include <arpa/inet.h>
#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::system_clock;

class PcapWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/orv-pcap-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
    }
    void TearDown() override
    {
        for (const std::string &name : Files())
            unlink((m_folder + "/" + name).c_str());
        rmdir(m_folder.c_str());
    }

    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        DIR *dir = opendir(m_folder.c_str());
        while (dir != nullptr) {
            const dirent *entry = readdir(dir);
            if (entry == nullptr)
                break;
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        }
        if (dir != nullptr)
            closedir(dir);
        return names;
    }

    static TcpConnection Connection(uint16_t clientPort, uint16_t serverPort)
    {
        return {ntohl(inet_addr("127.0.0.1")), clientPort, ntohl(inet_addr("127.0.0.9")), serverPort};
    }

    std::string Fields(const std::string &path, const std::string &options)
    {
        int status = -1;
        const std::string output = testing_support::RunTshark(
            "-r " + path + " -o tcp.check_checksum:TRUE -o ip.check_checksum:TRUE " + options, status);
        EXPECT_EQ(status, 0) << options;
        return output;
    }

    std::string m_folder;
};

Bytes Mbap(uint16_t transaction, Bytes body)
{
    Bytes frame(6 + body.size(), 0);
    frame[0] = static_cast<uint8_t>(transaction >> 8);
    frame[1] = static_cast<uint8_t>(transaction);
    frame[5] = static_cast<uint8_t>(body.size());
    std::copy(body.begin(), body.end(), frame.begin() + 6);
    return frame;
}

TEST_F(PcapWriterTest, ModbusTcpOnPort502DecodesByItself)
{
    if (!testing_support::TsharkAvailable())
        GTEST_SKIP() << "tshark is missing: scripts/install-deps.sh --test installs it";
    const std::string path = m_folder + "/traffic.pcap";
    PcapWriter writer;
    ASSERT_EQ(writer.Open(path), "");
    // 1.5 s after a whole second: the capture keeps the microseconds.
    const Clock::time_point start = Clock::time_point(std::chrono::seconds(1800000000)) + std::chrono::microseconds(1500);
    for (uint16_t id = 1; id <= 3; ++id) {
        // The third exchange on a new connection, as after a failed request.
        const TcpConnection connection = Connection(id < 3 ? 40001 : 40002, 502);
        const Bytes request = Mbap(id, {1, 3, 0, 0, 0, 2});
        const Bytes answer = Mbap(id, {1, 3, 4, 0x12, 0x34, 0x56, 0x78});
        const auto when = start + std::chrono::milliseconds(10 * id);
        writer.Record(connection, true, request.data(), request.size(), when);
        writer.Record(connection, false, answer.data(), answer.size(), when + std::chrono::microseconds(250));
    }
    EXPECT_FALSE(std::ifstream(path).good()); // not there until committed
    ASSERT_EQ(writer.Commit(), "");
    EXPECT_EQ(Files(), std::vector<std::string>{"traffic.pcap"});

    const std::string modbus = Fields(path, "-Y mbtcp -T fields -E separator=, -e frame.time_epoch -e ip.src "
                                            "-e tcp.srcport -e tcp.dstport -e tcp.stream -e mbtcp.trans_id "
                                            "-e modbus.func_code -e tcp.checksum.status -e ip.checksum.status");
    EXPECT_EQ(modbus, "1800000000.011500000,127.0.0.1,40001,502,0,1,3,1,1\n"
                      "1800000000.011750000,127.0.0.9,502,40001,0,1,3,1,1\n"
                      "1800000000.021500000,127.0.0.1,40001,502,0,2,3,1,1\n"
                      "1800000000.021750000,127.0.0.9,502,40001,0,2,3,1,1\n"
                      "1800000000.031500000,127.0.0.1,40002,502,1,3,3,1,1\n"
                      "1800000000.031750000,127.0.0.9,502,40002,1,3,3,1,1\n");
    // Each connection starts with its handshake, and no segment is out of
    // sequence, lost or unacknowledged in the tools' eyes.
    EXPECT_EQ(Fields(path, "-Y \"tcp.flags.syn==1 && tcp.flags.ack==0\" -T fields -e tcp.stream"), "0\n1\n");
    EXPECT_EQ(Fields(path, "-Y tcp.analysis.flags -T fields -e frame.number"), "");
    EXPECT_EQ(Fields(path, "-Y modbus.regval_uint16 -T fields -e modbus.regval_uint16"), "4660,22136\n4660,22136\n"
                                                                                          "4660,22136\n");
}

TEST_F(PcapWriterTest, RtuOverTcpOnAnyPortWithDecodeAs)
{
    if (!testing_support::TsharkAvailable())
        GTEST_SKIP() << "tshark is missing: scripts/install-deps.sh --test installs it";
    const std::string path = m_folder + "/rtu.pcap";
    PcapWriter writer;
    ASSERT_EQ(writer.Open(path), "");
    const Bytes request = {0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B};
    const Bytes answer = {0x01, 0x03, 0x04, 0x12, 0x34, 0x56, 0x78, 0x81, 0x07};
    const Bytes exception = {0x01, 0x83, 0x02, 0xC0, 0xF1};
    const TcpConnection connection = Connection(40003, 65100);
    writer.Record(connection, true, request.data(), request.size(), Clock::now());
    writer.Record(connection, false, answer.data(), answer.size(), Clock::now());
    writer.Record(connection, true, request.data(), request.size(), Clock::now());
    writer.Record(connection, false, exception.data(), exception.size(), Clock::now());
    ASSERT_EQ(writer.Commit(), "");
    EXPECT_EQ(Fields(path, "-d tcp.port==65100,mbrtu -o mbrtu.crc_verification:TRUE -Y mbrtu -T fields "
                           "-E separator=, -e mbrtu.unit_id -e modbus.func_code -e modbus.exception_code "
                           "-e mbrtu.crc16.status"),
              "1,3,,1\n1,3,,1\n1,3,,1\n1,3,2,1\n");
}

TEST_F(PcapWriterTest, WritesAtomicallyAndNamesFailures)
{
    const std::string path = m_folder + "/kept.pcap";
    { std::ofstream(path) << "earlier"; }
    const Bytes frame(200, 0x55);
    {
        PcapWriter writer;
        ASSERT_EQ(writer.Open(path), "");
        const testing_support::FileSizeLimit limit(2000);
        for (int index = 0; index < 20; ++index)
            writer.Record(Connection(40004, 502), index % 2 == 0, frame.data(), frame.size(), Clock::now());
        EXPECT_EQ(writer.Commit(), "cannot write " + path + ": File too large");
    }
    // The earlier file is as it was, and no temporary file is left.
    std::stringstream kept;
    kept << std::ifstream(path).rdbuf();
    EXPECT_EQ(kept.str(), "earlier");
    EXPECT_EQ(Files(), std::vector<std::string>{"kept.pcap"});

    {
        PcapWriter abandoned;
        ASSERT_EQ(abandoned.Open(m_folder + "/abandoned.pcap"), "");
        abandoned.Record(Connection(40005, 502), true, frame.data(), frame.size(), Clock::now());
    }
    EXPECT_EQ(Files(), std::vector<std::string>{"kept.pcap"});
    PcapWriter missing;
    EXPECT_EQ(missing.Open(m_folder + "/no/such.pcap"),
              "cannot write " + m_folder + "/no/such.pcap: No such file or directory");
}

} // namespace
