// The session against scripted gateways: slow answers that must not mix,
// no answer, a lost connection and a gateway gone and back, results that
// have gone stale, a close that cuts an exchange short, a refused first
// connect, paused jobs and a handler that falls behind.
#include "library/modbus_lib/modbus_values.h"
#include "tests/modbus_session/session_recorder.h"
#include "tests/support/fake_gateway.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace session_test;
using testing_support::Bytes;
using testing_support::FakeGateway;
using testing_support::Reaction;
using testing_support::WithCrc;

// Answers a read of holding registers with each register holding its own
// address, after `delay`.
Reaction AddressesAsValues(Millis delay = Millis(0))
{
    return Reaction::Compute(
        [](const Bytes &request) {
            const int address = request[2] << 8 | request[3];
            const int count = request[4] << 8 | request[5];
            Bytes answer = {request[0], request[1], static_cast<uint8_t>(2 * count)};
            for (int offset = 0; offset < count; ++offset) {
                answer.push_back(static_cast<uint8_t>((address + offset) >> 8));
                answer.push_back(static_cast<uint8_t>((address + offset) & 0xFF));
            }
            return WithCrc(answer);
        },
        delay);
}

class SessionFaults : public ::testing::Test {
protected:
    void SetUp() override { m_session->WatchTraffic(&m_recorder); }

    void OpenTo(const FakeGateway &gateway, int responseTimeoutMs = 300)
    {
        ConnectionSettings settings = Loopback(gateway.Ip(), gateway.Port());
        settings.responseTimeoutMs = responseTimeoutMs;
        m_session->Open(settings);
        ASSERT_TRUE(WaitFor([this] { return m_session->State() == ModbusLink::Up; }));
    }

    size_t Ok(JobId job) const
    {
        size_t ok = 0;
        for (const JobResult &result : m_recorder.ResultsOf(job))
            ok += result.reply.Ok() ? 1 : 0;
        return ok;
    }

    bool TrafficOf(JobId job) const
    {
        for (const JobResult &result : m_recorder.traffic)
            if (result.job == job)
                return true;
        return false;
    }

    Recorder m_recorder;
    std::unique_ptr<ModbusSession> m_session = std::make_unique<ModbusSession>(&m_recorder);
};

// A periodic read and a row of one-time reads share the connection: each
// result holds its own request's answer, the one-time jobs run in the
// order they were queued, and a slow answer only delays the rest.
TEST_F(SessionFaults, SlowAnswersDelayButNeverMix)
{
    FakeGateway gateway;
    gateway.SetDefault(AddressesAsValues(Millis(15)));
    OpenTo(gateway);
    const JobId polled = m_session->Submit(ReadJob(1000, 2, 5));
    std::vector<JobId> once;
    for (int address = 1; address <= 5; ++address)
        once.push_back(m_session->Submit(ReadJob(address, 3)));
    ASSERT_TRUE(WaitFor([&] { return !m_recorder.ResultsOf(once.back()).empty() && Ok(polled) >= 3; }));
    std::vector<int> order;
    for (const JobResult &result : m_recorder.results) {
        ASSERT_TRUE(result.reply.Ok()) << result.reason;
        const int address = result.request.address;
        EXPECT_EQ(result.reply.values.size(), static_cast<size_t>(result.request.count)) << "a whole answer";
        for (size_t offset = 0; offset < result.reply.values.size(); ++offset)
            EXPECT_EQ(result.reply.values[offset], address + static_cast<int>(offset)) << "the request's own answer";
        if (!result.periodic)
            order.push_back(address);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(SessionFaults, NoAnswerFailsAfterTheResponseTimeout)
{
    FakeGateway gateway;
    OpenTo(gateway, 150);
    const JobId job = m_session->Submit(ReadJob(0));
    ASSERT_TRUE(WaitFor([&] { return !m_recorder.ResultsOf(job).empty(); }));
    const JobResult result = m_recorder.ResultsOf(job).front();
    EXPECT_EQ(result.reply.error, ETIMEDOUT);
    EXPECT_EQ(result.reason, "no answer");
    EXPECT_GE(result.reply.roundTrip, std::chrono::milliseconds(150));
    ASSERT_EQ(result.frames.size(), 1u) << "the request only";
    EXPECT_TRUE(result.frames[0].sent);
    EXPECT_EQ(m_session->State(), ModbusLink::Up);
}

// The gateway drops the connection: the session says so, connects again
// by itself, and the poll goes on.
TEST_F(SessionFaults, ALostConnectionIsTakenUpAgainAndPollingGoesOn)
{
    FakeGateway gateway;
    gateway.SetDefault(AddressesAsValues());
    OpenTo(gateway);
    const JobId polled = m_session->Submit(ReadJob(7, 1, 20));
    ASSERT_TRUE(WaitFor([&] { return Ok(polled) >= 2; }));
    gateway.DropConnection(true);
    ASSERT_TRUE(WaitFor([&] { return gateway.Connections() == 2 && m_session->State() == ModbusLink::Up; }));
    const size_t before = Ok(polled);
    ASSERT_TRUE(WaitFor([&] { return Ok(polled) >= before + 2; }));
    const std::vector<ModbusLink> states = m_recorder.States();
    ASSERT_GE(states.size(), 4u);
    EXPECT_EQ(std::vector<ModbusLink>(states.end() - 2, states.end()),
              (std::vector<ModbusLink>{ModbusLink::Down, ModbusLink::Up}));
    EXPECT_EQ(m_recorder.links[states.size() - 2].connection, m_session->Connection());
}

// A gateway that goes away for good while a block polls: each period
// counts a failure, and once it is back the poll goes on on its own, its
// counts with it. (The gateway must come back at the same address: a port
// of its own on an address of this test's own.)
TEST_F(SessionFaults, AGatewayGoneIsCountedUntilItComesBack)
{
    const std::string ip = "127.0.0.231";
    auto gateway = std::make_unique<FakeGateway>(ip, MODBUS_PORT);
    gateway->SetDefault(AddressesAsValues());
    OpenTo(*gateway);
    const JobId polled = m_session->Submit(ReadJob(3, 1, 20));
    ASSERT_TRUE(WaitFor([&] { return Ok(polled) >= 2; }));
    gateway.reset();
    ASSERT_TRUE(WaitFor([&] { return m_session->State() == ModbusLink::Down; }));
    const uint64_t failedBefore = m_session->Counts(polled)->failed;
    ASSERT_TRUE(WaitFor([&] { return m_session->Counts(polled)->failed >= failedBefore + 3; }));
    EXPECT_EQ(m_session->Counts(polled)->lastReason, "not connected");

    gateway = std::make_unique<FakeGateway>(ip, MODBUS_PORT);
    gateway->SetDefault(AddressesAsValues());
    const size_t ok = Ok(polled);
    ASSERT_TRUE(WaitFor([&] { return Ok(polled) >= ok + 2; }));
    EXPECT_EQ(m_session->State(), ModbusLink::Up);
    const JobCounts counts = *m_session->Counts(polled);
    EXPECT_EQ(counts.sent, counts.answered + counts.failed);
    EXPECT_GE(counts.failed, 3u);
}

// A job removed, or changed, while its request is on its way: its result
// never comes (the traffic still shows the frames that went).
TEST_F(SessionFaults, ResultsOfRemovedOrChangedJobsAreDropped)
{
    FakeGateway gateway;
    gateway.SetDefault(AddressesAsValues(Millis(100)));
    OpenTo(gateway);
    const JobId removed = m_session->Submit(ReadJob(1, 1, 1000));
    ASSERT_TRUE(gateway.WaitForRequests(1));
    m_session->Remove(removed);
    ASSERT_TRUE(WaitFor([&] { return TrafficOf(removed); }));
    HandleQueued();
    EXPECT_TRUE(m_recorder.ResultsOf(removed).empty());

    const JobId changed = m_session->Submit(ReadJob(2, 1, 1000));
    ASSERT_TRUE(gateway.WaitForRequests(2));
    ASSERT_TRUE(m_session->Change(changed, ReadJob(5, 1, 1000)));
    ASSERT_TRUE(WaitFor([&] { return !m_recorder.ResultsOf(changed).empty(); }));
    for (const JobResult &result : m_recorder.ResultsOf(changed)) {
        EXPECT_EQ(result.revision, 2u);
        EXPECT_EQ(result.request.address, 5);
        EXPECT_EQ(result.reply.values, std::vector<uint16_t>{5});
    }
    EXPECT_FALSE(m_session->Change(removed, ReadJob(5, 1, 1000)));
}

// Close cuts a request short that waits for a slow device: the worker is
// free at once (long before the 10 s time-out), the cut-short result is
// dropped, and a new connection gets a new number.
TEST_F(SessionFaults, CloseCutsAnExchangeShortAndOldResultsAreStale)
{
    FakeGateway gateway;
    OpenTo(gateway, 10000);
    const uint64_t first = m_session->Connection();
    const JobId waiting = m_session->Submit(ReadJob(0));
    ASSERT_TRUE(gateway.WaitForRequests(1));
    m_session->Close();
    EXPECT_EQ(m_session->State(), ModbusLink::Closed);
    ASSERT_TRUE(WaitFor([&] { return TrafficOf(waiting); }));
    EXPECT_EQ(m_recorder.traffic.back().reply.error, ECANCELED);
    EXPECT_EQ(m_recorder.traffic.back().connection, first);
    HandleQueued();
    EXPECT_TRUE(m_recorder.ResultsOf(waiting).empty());

    gateway.SetDefault(AddressesAsValues());
    OpenTo(gateway);
    EXPECT_GT(m_session->Connection(), first);
    const JobId again = m_session->Submit(ReadJob(9));
    ASSERT_TRUE(WaitFor([&] { return Ok(again) == 1; }));
    EXPECT_EQ(m_recorder.ResultsOf(again).front().connection, m_session->Connection());
    // Ending the session while a request waits does not wait for its answer.
    gateway.SetDefault(Reaction::Nothing());
    m_session->Submit(ReadJob(0));
    ASSERT_TRUE(gateway.WaitForRequests(3));
    m_session.reset();
}

TEST_F(SessionFaults, ARefusedFirstConnectClosesWithItsReason)
{
    const testing_support::RefusingPort refusing;
    m_session->Open(Loopback("127.0.0.1", refusing.Port()));
    ASSERT_TRUE(WaitFor([&] { return m_recorder.links.size() >= 2; }));
    EXPECT_EQ(m_recorder.States(), (std::vector<ModbusLink>{ModbusLink::Connecting, ModbusLink::Closed}));
    EXPECT_EQ(m_recorder.links.back().error, ECONNREFUSED);
    EXPECT_EQ(m_recorder.links.back().reason, "Connection refused");
    const JobId job = m_session->Submit(ReadJob(0));
    ASSERT_TRUE(WaitFor([&] { return !m_recorder.ResultsOf(job).empty(); }));
    EXPECT_EQ(m_recorder.ResultsOf(job).front().reason, "not connected");
}

TEST_F(SessionFaults, PausedJobsWaitAndResumedOnesRun)
{
    FakeGateway gateway;
    gateway.SetDefault(AddressesAsValues());
    OpenTo(gateway);
    const JobId first = m_session->Submit(ReadJob(1, 1, 10));
    const JobId second = m_session->Submit(ReadJob(2, 1, 10));
    ASSERT_TRUE(WaitFor([&] { return Ok(first) >= 2 && Ok(second) >= 2; }));
    m_session->Pause(first, true);
    // Once a run of the other job has come after the pause, the paused one
    // has no run on its way.
    HandleQueued();
    const size_t seen = Ok(second);
    ASSERT_TRUE(WaitFor([&] { return Ok(second) >= seen + 2; }));
    const size_t paused = Ok(first);
    ASSERT_TRUE(WaitFor([&] { return Ok(second) >= seen + 6; }));
    EXPECT_EQ(Ok(first), paused);
    m_session->PauseAll(true);
    m_session->PauseAll(false);
    ASSERT_TRUE(WaitFor([&] { return Ok(first) >= paused + 2; }));
}

// A handler that does not take its events while a block polls fast gets
// the newest result when it comes back, not a queue of old ones.
TEST_F(SessionFaults, AHandlerBehindGetsTheNewestResultOnly)
{
    FakeGateway gateway;
    gateway.SetDefault(AddressesAsValues());
    OpenTo(gateway);
    m_session->UnwatchTraffic(&m_recorder);
    HandleQueued();
    const JobId polled = m_session->Submit(ReadJob(4, 1, 10));
    // No events handled meanwhile.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (m_session->Counts(polled)->sent < 8 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(Millis(5));
    ASSERT_GE(m_session->Counts(polled)->sent, 8u);
    HandleQueued();
    EXPECT_LE(m_recorder.ResultsOf(polled).size(), 2u);
    ASSERT_TRUE(WaitFor([&] { return m_recorder.ResultsOf(polled).back().counts.sent >= 8; }));
}

} // namespace
