// The session against Debian's pymodbus server, in both framings: one-time
// and periodic jobs, raw frames, their counts, and the traffic with its
// times and addresses.
#include "library/modbus_lib/modbus_values.h"
#include "modbus/block_job.h"
#include "tests/modbus/modbus_server_process.h"
#include "tests/modbus_session/session_recorder.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace session_test;
using testing_support::ModbusServerProcess;

class PymodbusSession : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.Ready()) << m_server.Output();
        m_session.WatchTraffic(&m_recorder);
        m_session.Open(Loopback("127.0.0.1", m_server.Port(), Framing()));
        // The recorder's word, not the session's: the state changes before its event is handled.
        ASSERT_TRUE(WaitFor([this] { return !m_recorder.links.empty() && m_recorder.links.back().state == ModbusLink::Up; }));
    }

    int Framing() const { return std::string(GetParam()) == "tcp" ? MB_FRAMING_TCP : MB_FRAMING_RTU; }

    // Runs a one-time job and returns its result.
    JobResult Once(const SessionJob &job)
    {
        const JobId id = m_session.Submit(job);
        EXPECT_TRUE(WaitFor([&] { return !m_recorder.ResultsOf(id).empty(); }));
        return m_recorder.ResultsOf(id).empty() ? JobResult{} : m_recorder.ResultsOf(id).front();
    }

    ModbusServerProcess m_server{"127.0.0.1", GetParam()};
    Recorder m_recorder;
    ModbusSession m_session{&m_recorder};
};

TEST_P(PymodbusSession, RunsOneTimeAndPeriodicJobs)
{
    EXPECT_EQ(m_recorder.States(), (std::vector<ModbusLink>{ModbusLink::Connecting, ModbusLink::Up}));
    SessionJob write;
    write.request.function = 16;
    write.request.address = 100;
    write.request.registers = {1, 2, 0xFFFF};
    const JobResult written = Once(write);
    EXPECT_EQ(written.reply.result, 3) << written.reason;
    const JobResult read = Once(ReadJob(100, 3));
    EXPECT_EQ(read.reply.values, (std::vector<uint16_t>{1, 2, 0xFFFF}));
    EXPECT_EQ(read.connection, m_session.Connection());
    EXPECT_FALSE(read.periodic);

    SessionJob poll = ReadJob(0, 2, 10);
    poll.request.function = 4;
    poll.tag = 42;
    const JobId polled = m_session.Submit(poll);
    ASSERT_TRUE(WaitFor([&] { return m_recorder.ResultsOf(polled).size() >= 3; }));
    for (const JobResult &result : m_recorder.ResultsOf(polled)) {
        EXPECT_EQ(result.reply.values, (std::vector<uint16_t>{11, 22}));
        EXPECT_EQ(result.tag, 42);
        EXPECT_TRUE(result.periodic);
    }
    m_session.Remove(polled);
    const JobCounts counts = m_recorder.ResultsOf(polled).back().counts;
    EXPECT_GE(counts.sent, 3u);
    EXPECT_EQ(counts.failed, 0u);
    EXPECT_EQ(counts.answered, counts.sent);
    EXPECT_LE(counts.min, counts.Average());
    EXPECT_LE(counts.Average(), counts.max);
    EXPECT_GT(counts.last.count(), 0);
    EXPECT_FALSE(m_session.Counts(polled).has_value());

    // A unit that is not there, and an exception: each with its reason.
    SessionJob absent = ReadJob(0);
    absent.request.unit = 9;
    absent.responseTimeoutMs = 100;
    EXPECT_EQ(Once(absent).reason, "no answer");
    EXPECT_EQ(Once(ReadJob(299, 5)).reason, "Illegal data address");
}

TEST_P(PymodbusSession, TrafficCarriesEveryFrameWithItsTimeAndAddresses)
{
    // Each handler watching gets the traffic (a view and a capture).
    Recorder capture;
    m_session.WatchTraffic(&capture);
    SessionJob raw;
    raw.raw = {0x01, 0x04, 0x00, 0x01, 0x00, 0x01};
    const JobResult answered = Once(raw);
    ASSERT_TRUE(answered.reply.Ok()) << answered.reason;
    ASSERT_EQ(answered.frames.size(), 2u);
    const std::vector<uint8_t> &answer = answered.frames[1].bytes;
    const size_t body = Framing() == MB_FRAMING_TCP ? 6 : 0;
    ASSERT_GE(answer.size(), body + 5);
    EXPECT_EQ(std::vector<uint8_t>(answer.begin() + static_cast<long>(body), answer.begin() + static_cast<long>(body) + 5),
              (std::vector<uint8_t>{0x01, 0x04, 0x02, 0x00, 0x16}));

    ASSERT_TRUE(WaitFor([&] { return !m_recorder.traffic.empty() && !capture.traffic.empty(); }));
    m_session.UnwatchTraffic(&capture);
    Once(ReadJob(0));
    EXPECT_EQ(capture.traffic.size(), 1u);
    const JobResult &traffic = m_recorder.traffic.front();
    ASSERT_EQ(traffic.frames.size(), 2u);
    EXPECT_TRUE(traffic.frames[0].sent);
    EXPECT_FALSE(traffic.frames[1].sent);
    EXPECT_LE(traffic.frames[0].time, traffic.frames[1].time);
    EXPECT_LE(traffic.frames[1].time, traffic.answeredAt);
    for (const TrafficFrame &frame : traffic.frames) {
        EXPECT_EQ(frame.connection.serverAddress, INADDR_LOOPBACK);
        EXPECT_EQ(frame.connection.serverPort, m_server.Port());
        EXPECT_EQ(frame.connection.clientAddress, INADDR_LOOPBACK);
        EXPECT_NE(frame.connection.clientPort, 0);
    }
    if (Framing() == MB_FRAMING_TCP) {
        EXPECT_EQ(traffic.frames[0].bytes[2] << 8 | traffic.frames[0].bytes[3], 0) << "MBAP protocol id";
    }
}

// Await serves a worker thread of the caller, as a scan's.
TEST_P(PymodbusSession, AwaitRunsAJobForAnotherThread)
{
    JobResult result;
    std::thread scanner([&] { result = m_session.Await(ReadJob(0, 2)); });
    scanner.join();
    EXPECT_EQ(result.reply.values, (std::vector<uint16_t>{0x1234, 0x5678}));
    EXPECT_TRUE(m_recorder.results.empty()) << "an awaited job posts no result";
}

// A block's periodic job, and its answers decoded into its named values.
TEST_P(PymodbusSession, ABlockPollsAndItsAnswerIsDecoded)
{
    BlockDefinition block;
    block.name = "start";
    block.count = 4;
    block.periodMs = 10;
    block.rows[0] = {"pair", ValueFormat{ValueType::U32, MB_ORDER_ABCD}};
    block.rows[3] = {"third", std::nullopt};
    ASSERT_EQ(ValidateBlock(block), "");
    const JobId polled = m_session.Submit(BlockJob(block, &m_recorder, 7));
    ASSERT_TRUE(WaitFor([&] { return m_recorder.ResultsOf(polled).size() >= 2; }));
    m_session.Remove(polled);
    const JobResult result = m_recorder.ResultsOf(polled).back();
    EXPECT_EQ(result.tag, 7);
    std::vector<std::string> shown;
    for (const BlockValue &value : BlockValues(block, result.reply.values))
        shown.push_back(value.cell.name + "=" + value.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"pair=305419896", "=514", "third=771"}));
}

INSTANTIATE_TEST_SUITE_P(BothFramings, PymodbusSession, ::testing::Values("rtu", "tcp"));

} // namespace
