// The client over real loopback connections to the scripted gateway: frames
// on the wire, decoding, and every way a response can go wrong.
#include "library/modbus_lib/modbus.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/loopback.h"

#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

// Answer to a read of registers: the request's unit and function, then the
// values, with a proper CRC.
Reaction RegistersReply(std::vector<uint16_t> values, Millis delay = Millis(0))
{
    return Reaction::Compute(
        [values](const Bytes &request) {
            Bytes reply = {request[0], request[1], static_cast<uint8_t>(2 * values.size())};
            for (const uint16_t value : values) {
                reply.push_back(static_cast<uint8_t>(value >> 8));
                reply.push_back(static_cast<uint8_t>(value & 0xFF));
            }
            return WithCrc(reply);
        },
        delay);
}

// Echo of the first six bytes of the request, as single and multiple writes answer.
Reaction EchoReply()
{
    return Reaction::Compute([](const Bytes &request) { return WithCrc(Bytes(request.begin(), request.begin() + 6)); });
}

class ModbusClient : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_ctx = mb_new_tcp(m_gateway.Ip().c_str(), m_gateway.Port());
        ASSERT_NE(m_ctx, nullptr);
        ASSERT_EQ(mb_connect(m_ctx), 0) << mb_strerror(errno);
        ASSERT_EQ(mb_set_slave(m_ctx, 1), 0);
    }
    void TearDown() override
    {
        mb_close(m_ctx);
        mb_free(m_ctx);
    }
    // Request frames the gateway received, in hex.
    std::vector<std::string> Sent() const
    {
        std::vector<std::string> frames;
        for (const Bytes &request : m_gateway.Requests())
            frames.push_back(ToHex(request));
        return frames;
    }
    int ReadTwoRegisters(uint16_t *dest) { return mb_read_registers(m_ctx, 0, 2, dest); }

    FakeGateway m_gateway;
    mb_context *m_ctx = nullptr;
};

TEST_F(ModbusClient, ReadsHoldingRegistersWithTheExactFrame)
{
    m_gateway.Then(Reaction::Send(FromHex("01 03 04 12 34 56 78 81 07")));
    uint16_t dest[2] = {};
    EXPECT_EQ(ReadTwoRegisters(dest), 2) << mb_strerror(errno);
    EXPECT_EQ(dest[0], 0x1234);
    EXPECT_EQ(dest[1], 0x5678);
    EXPECT_EQ(Sent(), std::vector<std::string>{"01 03 00 00 00 02 C4 0B"});
}

TEST_F(ModbusClient, EachOperationSendsItsFrameAndDecodesItsAnswer)
{
    mb_set_slave(m_ctx, 7);
    m_gateway.Then(Reaction::Send(WithCrc(FromHex("07 01 02 0D 01"))));
    m_gateway.Then(Reaction::Send(WithCrc(FromHex("07 02 01 05"))));
    m_gateway.Then(RegistersReply({0xFFFF, 0x0001, 0x8000}));
    m_gateway.Then(EchoReply());
    m_gateway.Then(EchoReply());
    m_gateway.Then(EchoReply());
    m_gateway.Then(EchoReply());
    m_gateway.Then(RegistersReply({0xBEEF}));
    m_gateway.Then(Reaction::Send(WithCrc(FromHex("07 11 04 07 FF 4F 4B"))));

    uint8_t bits[10];
    ASSERT_EQ(mb_read_bits(m_ctx, 0x20, 10, bits), 10);
    EXPECT_EQ(std::vector<uint8_t>(bits, bits + 10), (std::vector<uint8_t>{1, 0, 1, 1, 0, 0, 0, 0, 1, 0}));
    ASSERT_EQ(mb_read_input_bits(m_ctx, 0x21, 3, bits), 3);
    EXPECT_EQ(std::vector<uint8_t>(bits, bits + 3), (std::vector<uint8_t>{1, 0, 1}));
    uint16_t registers[3];
    ASSERT_EQ(mb_read_input_registers(m_ctx, 0xFFFF, 3, registers), 3);
    EXPECT_EQ(std::vector<uint16_t>(registers, registers + 3), (std::vector<uint16_t>{0xFFFF, 0x0001, 0x8000}));
    EXPECT_EQ(mb_write_bit(m_ctx, 4, 7), 1);
    EXPECT_EQ(mb_write_register(m_ctx, 5, 0x12345), 1);
    const uint8_t coils[10] = {1, 0, 1, 1, 0, 0, 0, 1, 1, 0};
    EXPECT_EQ(mb_write_bits(m_ctx, 0x13, 10, coils), 10);
    const uint16_t values[2] = {0x000A, 0x0102};
    EXPECT_EQ(mb_write_registers(m_ctx, 1, 2, values), 2);
    ASSERT_EQ(mb_write_and_read_registers(m_ctx, 0x0E, 2, values, 0x03, 1, registers), 1);
    EXPECT_EQ(registers[0], 0xBEEF);
    uint8_t id[MB_MAX_REPORT_SLAVE_ID];
    ASSERT_EQ(mb_report_slave_id(m_ctx, id), 4);
    EXPECT_EQ(std::vector<uint8_t>(id, id + 4), (std::vector<uint8_t>{0x07, 0xFF, 'O', 'K'}));

    const std::vector<std::string> expected = {
        ToHex(WithCrc(FromHex("07 01 00 20 00 0A"))),
        ToHex(WithCrc(FromHex("07 02 00 21 00 03"))),
        ToHex(WithCrc(FromHex("07 04 FF FF 00 03"))),
        ToHex(WithCrc(FromHex("07 05 00 04 FF 00"))),
        ToHex(WithCrc(FromHex("07 06 00 05 23 45"))),
        ToHex(WithCrc(FromHex("07 0F 00 13 00 0A 02 8D 01"))),
        ToHex(WithCrc(FromHex("07 10 00 01 00 02 04 00 0A 01 02"))),
        ToHex(WithCrc(FromHex("07 17 00 03 00 01 00 0E 00 02 04 00 0A 01 02"))),
        ToHex(WithCrc(FromHex("07 11"))),
    };
    EXPECT_EQ(Sent(), expected);
}

TEST_F(ModbusClient, WriteBitSendsOffForZero)
{
    m_gateway.SetDefault(EchoReply());
    EXPECT_EQ(mb_write_bit(m_ctx, 1, 0), 1);
    EXPECT_EQ(Sent(), std::vector<std::string>{ToHex(WithCrc(FromHex("01 05 00 01 00 00")))});
}

TEST_F(ModbusClient, QuantitiesAboveTheLimitsSendNothing)
{
    uint8_t bits[2100] = {};
    uint16_t registers[200] = {};
    const struct {
        const char *name;
        int result;
    } refused[] = {
        {"read bits 2001", mb_read_bits(m_ctx, 0, 2001, bits)},
        {"read input bits 2001", mb_read_input_bits(m_ctx, 0, 2001, bits)},
        {"read registers 126", mb_read_registers(m_ctx, 0, 126, registers)},
        {"write bits 1969", mb_write_bits(m_ctx, 0, 1969, bits)},
        {"write registers 124", mb_write_registers(m_ctx, 0, 124, registers)},
        {"write and read, write 122", mb_write_and_read_registers(m_ctx, 0, 122, registers, 0, 1, registers)},
        {"write and read, read 126", mb_write_and_read_registers(m_ctx, 0, 1, registers, 0, 126, registers)},
    };
    for (const auto &item : refused) {
        EXPECT_EQ(item.result, -1) << item.name;
    }
    testing::internal::CaptureStderr();
    errno = 0;
    EXPECT_EQ(mb_read_input_registers(m_ctx, 0, 126, registers), -1);
    EXPECT_EQ(errno, EMBMDATA);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR Too many input registers requested (126 > 125)\n");
    // A quantity of nothing is no request either.
    for (const int nb : {-1, 0}) {
        const int results[] = {mb_read_bits(m_ctx, 0, nb, bits), mb_read_input_bits(m_ctx, 0, nb, bits),
                               mb_read_registers(m_ctx, 0, nb, registers),
                               mb_read_input_registers(m_ctx, 0, nb, registers), mb_write_bits(m_ctx, 0, nb, bits),
                               mb_write_registers(m_ctx, 0, nb, registers),
                               mb_write_and_read_registers(m_ctx, 0, nb, registers, 0, 1, registers),
                               mb_write_and_read_registers(m_ctx, 0, 1, registers, 0, nb, registers)};
        for (const int result : results)
            EXPECT_EQ(result, -1) << nb;
    }
    errno = 0;
    EXPECT_EQ(mb_read_bits(m_ctx, 0, 0, bits), -1);
    EXPECT_EQ(errno, EINVAL);

    // The first frame the gateway sees is the one request within the limits.
    m_gateway.Then(RegistersReply({1}));
    EXPECT_EQ(mb_read_registers(m_ctx, 0, 1, registers), 1);
    EXPECT_EQ(Sent(), std::vector<std::string>{ToHex(WithCrc(FromHex("01 03 00 00 00 01")))});
}

TEST_F(ModbusClient, DebugWritesLimitMessagesAndFrameTraces)
{
    mb_set_debug(m_ctx, 1);
    uint8_t bits[2001];
    testing::internal::CaptureStderr();
    mb_read_bits(m_ctx, 0, 2001, bits);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR Too many bits requested (2001 > 2000)\n");
    m_gateway.Then(Reaction::Send(FromHex("01 03 04 12 34 56 78 81 07")));
    uint16_t dest[2];
    testing::internal::CaptureStdout();
    ReadTwoRegisters(dest);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[01][03][00][00][00][02][C4][0B]\n<01><03><04><12><34><56><78><81><07>\n");
}

// An exception answer is a whole frame: the request fails with the
// exception's own error, and the next request goes on the same connection.
TEST_F(ModbusClient, ExceptionAnswerFailsWithItsOwnErrorAndKeepsTheConnection)
{
    const struct {
        uint8_t code;
        int error;
    } exceptions[] = {{1, EMBXILFUN}, {2, EMBXILADD}, {6, EMBXSBUSY}, {11, EMBXGTAR},
                      {9, EMBBADEXC}, {12, EMBBADEXC}, {0, EMBBADEXC}};
    uint16_t dest[2] = {};
    for (const auto &exception : exceptions) {
        m_gateway.Then(Reaction::Send(WithCrc({0x01, 0x83, exception.code})));
        errno = 0;
        EXPECT_EQ(ReadTwoRegisters(dest), -1) << int{exception.code};
        EXPECT_EQ(errno, exception.error) << int{exception.code} << ": " << mb_strerror(errno);
    }
    m_gateway.Then(RegistersReply({7, 8}));
    ASSERT_EQ(ReadTwoRegisters(dest), 2) << mb_strerror(errno);
    EXPECT_EQ(dest[1], 8);
    EXPECT_EQ(m_gateway.Connections(), 1U);
}

TEST_F(ModbusClient, ResponseOfAnotherUnitOrWithAWrongCrcFails)
{
    m_gateway.Then(Reaction::Send(WithCrc(FromHex("02 03 04 12 34 56 78"))));
    m_gateway.Then(Reaction::Send(FromHex("01 03 04 12 34 56 78 00 00")));
    m_gateway.Then(Reaction::Send(FromHex("01 83 02 00 00")));
    m_gateway.Then(RegistersReply({0x600D, 0x600D}));
    uint16_t dest[2] = {};
    errno = 0;
    EXPECT_EQ(ReadTwoRegisters(dest), -1);
    EXPECT_EQ(errno, EMBBADDATA);
    for (int spoiled = 0; spoiled < 2; ++spoiled) {
        errno = 0;
        EXPECT_EQ(ReadTwoRegisters(dest), -1);
        EXPECT_EQ(errno, EMBBADCRC) << mb_strerror(errno);
        EXPECT_EQ(dest[1], 0);
    }
    ASSERT_EQ(ReadTwoRegisters(dest), 2) << mb_strerror(errno);
    EXPECT_EQ(dest[1], 0x600D);
}

TEST_F(ModbusClient, NoAnswerTimesOutAfterTheResponseTimeOut)
{
    uint16_t dest[2];
    const Clock::time_point start = Clock::now();
    errno = 0;
    EXPECT_EQ(ReadTwoRegisters(dest), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    const auto waited = std::chrono::duration_cast<Millis>(Clock::now() - start);
    EXPECT_GE(waited.count(), 490);
    EXPECT_LT(waited.count(), 5000);
}

// Every byte of this answer comes within the byte time-out of the one before,
// but each part of a frame has one deadline for all its bytes: the request
// ends within the response time-out and two byte time-outs (1.5 s), where a
// wait per byte took the whole 4.2 s of the trickle.
TEST_F(ModbusClient, DrippedAnswerEndsWithinItsBound)
{
    Reaction dripped = RegistersReply({1, 2, 3, 4, 5});
    dripped.drip = Millis(300);
    m_gateway.Then(dripped);
    uint16_t dest[5] = {};
    const Clock::time_point start = Clock::now();
    errno = 0;
    EXPECT_EQ(mb_read_registers(m_ctx, 0, 5, dest), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    EXPECT_LT(std::chrono::duration_cast<Millis>(Clock::now() - start).count(), 2200);
}

TEST_F(ModbusClient, AnswerCutShortTimesOutUnderTheByteTimeOut)
{
    m_gateway.Then(Reaction::Send(FromHex("01 03 04 12")));
    uint16_t dest[2] = {};
    errno = 0;
    EXPECT_EQ(ReadTwoRegisters(dest), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    EXPECT_EQ(dest[0], 0);
}

// The answer to a timed-out request comes while the next request (of the
// same function and quantity) waits for its own; every answer carries values
// of its own, and none may be taken for a later request. After the time-out
// the client connects anew, so the late answer goes down the old connection.
TEST_F(ModbusClient, LateAnswerIsNeverTakenForTheNextRequest)
{
    for (uint16_t round = 1; round <= 2; ++round) {
        Reaction late = RegistersReply({static_cast<uint16_t>(10 * round + 1), 0}, Millis(5000));
        late.whenClientMoves = true;
        m_gateway.Then(late);
        m_gateway.Then(RegistersReply({static_cast<uint16_t>(10 * round + 2), 0}));
    }
    for (uint16_t round = 1; round <= 2; ++round) {
        uint16_t dest[2] = {};
        errno = 0;
        EXPECT_EQ(ReadTwoRegisters(dest), -1);
        EXPECT_EQ(errno, ETIMEDOUT);
        ASSERT_EQ(ReadTwoRegisters(dest), 2) << mb_strerror(errno);
        EXPECT_EQ(dest[0], 10 * round + 2) << "round " << round;
    }
    EXPECT_EQ(m_gateway.Connections(), 3U);
}

TEST_F(ModbusClient, StrayFrameOfAnotherFunctionIsRefused)
{
    // A read of input registers meets an answer to a holding-register read
    // first: the first check refuses it rather than taking its values.
    m_gateway.Then(Reaction::Compute([](const Bytes &request) {
        Bytes both = WithCrc(FromHex("01 03 04 0B AD 0B AD"));
        const Bytes right = WithCrc({request[0], request[1], 4, 0x60, 0x0D, 0x60, 0x0D});
        both.insert(both.end(), right.begin(), right.end());
        return both;
    }));
    m_gateway.Then(RegistersReply({0x1111, 0x2222}));
    uint16_t dest[2] = {};
    errno = 0;
    EXPECT_EQ(mb_read_input_registers(m_ctx, 0, 2, dest), -1);
    EXPECT_EQ(errno, EMBBADDATA);
    EXPECT_EQ(dest[0], 0);
    ASSERT_EQ(mb_read_input_registers(m_ctx, 0, 2, dest), 2);
    EXPECT_EQ(dest[0], 0x1111);
}

TEST_F(ModbusClient, TrailingBytesAfterAFrameAreLeftOutOfTheNextAnswer)
{
    m_gateway.Then(Reaction::Send(FromHex("01 03 04 12 34 56 78 81 07 01 03 04")));
    m_gateway.Then(RegistersReply({0x600D, 0x600D}));
    uint16_t dest[2] = {};
    EXPECT_EQ(ReadTwoRegisters(dest), 2);
    ASSERT_TRUE(m_gateway.WaitForReplies(1));
    ASSERT_EQ(ReadTwoRegisters(dest), 2);
    EXPECT_EQ(dest[0], 0x600D);
}

TEST_F(ModbusClient, ByteCountsThatDoNotFitAreRefused)
{
    // 2 registers asked, 3 announced and sent: the frame is whole but not the
    // one the request calls for, and the caller's array is left alone.
    m_gateway.Then(RegistersReply({1, 2, 3}));
    // A byte count of 252 would make a 257-byte frame.
    Bytes overlong = {0x01, 0x11, 252};
    overlong.resize(3 + 252 + 2, 0x41);
    m_gateway.Then(Reaction::Send(overlong));
    uint16_t dest[3] = {};
    errno = 0;
    EXPECT_EQ(ReadTwoRegisters(dest), -1);
    EXPECT_EQ(errno, EMBBADDATA);
    EXPECT_EQ(dest[0], 0);
    EXPECT_EQ(dest[2], 0);
    std::vector<uint8_t> id(MB_MAX_REPORT_SLAVE_ID + 8, 0xEE);
    errno = 0;
    EXPECT_EQ(mb_report_slave_id(m_ctx, id.data()), -1);
    EXPECT_EQ(errno, EMBBADDATA);
    EXPECT_EQ(id[0], 0xEE);
}

TEST_F(ModbusClient, ReportSlaveIdFillsExactly251Bytes)
{
    Bytes full = {0x01, 0x11, 251};
    for (int index = 0; index < 251; ++index)
        full.push_back(static_cast<uint8_t>(index));
    m_gateway.Then(Reaction::Send(WithCrc(full)));
    std::vector<uint8_t> id(MB_MAX_REPORT_SLAVE_ID + 8, 0xEE);
    ASSERT_EQ(mb_report_slave_id(m_ctx, id.data()), 251);
    EXPECT_EQ(id[250], 250);
    EXPECT_EQ(id[251], 0xEE);
}

TEST_F(ModbusClient, ClosedPeerIsAConnectionResetAndNeverASignal)
{
    EXPECT_EQ(mb_link_up(m_ctx), 1);
    m_gateway.Then(Reaction::Close());
    uint16_t dest[2];
    errno = 0;
    EXPECT_EQ(ReadTwoRegisters(dest), -1);
    EXPECT_EQ(errno, ECONNRESET);
    EXPECT_EQ(mb_link_up(m_ctx), 0);
    // Sending into the dead connection fails with an error, not SIGPIPE.
    for (int attempt = 0; attempt < 3; ++attempt) {
        errno = 0;
        EXPECT_EQ(ReadTwoRegisters(dest), -1);
        EXPECT_TRUE(errno == EPIPE || errno == ECONNRESET) << mb_strerror(errno);
    }
}

TEST_F(ModbusClient, LinkRecoveryReconnectsAfterABrokenSend)
{
    m_gateway.Then(Reaction::Close());
    m_gateway.Then(RegistersReply({5, 6}));
    uint16_t dest[2];
    EXPECT_EQ(ReadTwoRegisters(dest), -1);
    ASSERT_EQ(mb_set_error_recovery(m_ctx, MB_ERROR_RECOVERY_LINK), 0);
    // The first send may still land in the dead connection's buffer; the
    // next one then breaks and is retried on a new connection.
    int result = -1;
    for (int attempt = 0; attempt < 3 && result < 0; ++attempt)
        result = ReadTwoRegisters(dest);
    ASSERT_EQ(result, 2) << mb_strerror(errno);
    EXPECT_EQ(dest[1], 6);
    EXPECT_EQ(m_gateway.Connections(), 2U);
}

TEST_F(ModbusClient, ProtocolRecoveryDropsWhatFollowsARefusedAnswer)
{
    ASSERT_EQ(mb_set_error_recovery(m_ctx, MB_ERROR_RECOVERY_PROTOCOL), 0);
    m_gateway.Then(Reaction::Send(FromHex("02 03 04 12 34 56 78 00 00 01 03 04 0B AD 0B AD 00 00")));
    m_gateway.Then(RegistersReply({0x600D, 0x600D}));
    uint16_t dest[2] = {};
    errno = 0;
    EXPECT_EQ(ReadTwoRegisters(dest), -1);
    EXPECT_EQ(errno, EMBBADCRC);
    ASSERT_EQ(ReadTwoRegisters(dest), 2);
    EXPECT_EQ(dest[0], 0x600D);
}

// Input on the cancel descriptor ends a wait for an answer at once, however
// long the time-out; once the descriptor is quiet again, the next request
// goes on a new connection and takes its answer.
TEST_F(ModbusClient, CancelDescriptorEndsTheWaitForAnAnswer)
{
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const Fd readEnd(ends[0]);
    const Fd writeEnd(ends[1]);
    ASSERT_EQ(mb_set_cancel_fd(m_ctx, ends[0]), 0);
    ASSERT_EQ(mb_set_response_timeout(m_ctx, 10, 0), 0);
    std::thread canceller([&] {
        m_gateway.WaitForRequests(1);
        EXPECT_EQ(write(ends[1], "x", 1), 1);
    });
    uint16_t dest[2] = {};
    const Clock::time_point start = Clock::now();
    errno = 0;
    EXPECT_EQ(ReadTwoRegisters(dest), -1);
    EXPECT_EQ(errno, ECANCELED);
    EXPECT_LT(std::chrono::duration_cast<Millis>(Clock::now() - start).count(), 5000);
    canceller.join();

    char byte = 0;
    ASSERT_EQ(read(ends[0], &byte, 1), 1);
    m_gateway.Then(RegistersReply({3, 4}));
    ASSERT_EQ(ReadTwoRegisters(dest), 2) << mb_strerror(errno);
    EXPECT_EQ(dest[1], 4);
    EXPECT_EQ(m_gateway.Connections(), 2U);
}

TEST_F(ModbusClient, WorksOnDescriptorsAbove1024)
{
    rlimit limit;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_cur < 2048 && limit.rlim_max >= 2048) {
        limit.rlim_cur = 2048;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    const int high = dup2(mb_get_socket(m_ctx), 1500);
    if (high < 0)
        GTEST_SKIP() << "no descriptor 1500 here";
    close(mb_get_socket(m_ctx));
    mb_set_socket(m_ctx, high);
    m_gateway.Then(RegistersReply({0x1234, 0x5678}));
    uint16_t dest[2] = {};
    EXPECT_EQ(ReadTwoRegisters(dest), 2);
    EXPECT_EQ(dest[1], 0x5678);
    errno = 0;
    EXPECT_EQ(ReadTwoRegisters(dest), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
}

TEST(ModbusConnect, ReportsRefusalBadAddressesAndClosedContexts)
{
    RefusingPort refusing;
    mb_context *ctx = mb_new_tcp("127.0.0.1", refusing.Port());
    ASSERT_NE(ctx, nullptr);
    errno = 0;
    EXPECT_EQ(mb_connect(ctx), -1);
    EXPECT_EQ(errno, ECONNREFUSED);
    EXPECT_EQ(mb_get_socket(ctx), -1);
    uint16_t dest[1];
    errno = 0;
    EXPECT_EQ(mb_read_registers(ctx, 0, 1, dest), -1);
    EXPECT_EQ(errno, EBADF);
    mb_free(ctx);

    for (const char *text : {"999.1.1.1", "localhost", "1.2.3"}) {
        ctx = mb_new_tcp(text, MODBUS_PORT);
        ASSERT_NE(ctx, nullptr);
        errno = 0;
        EXPECT_EQ(mb_connect(ctx), -1) << text;
        EXPECT_EQ(errno, EINVAL) << text;
        mb_free(ctx);
    }
}

// A reset while idle is seen without a request; a time-out's new connection
// that cannot be made fails the next requests with the connect's error.
TEST(ModbusConnect, FollowsTheLinkAndReportsAFailedReconnect)
{
    auto gateway = std::make_unique<FakeGateway>();
    mb_context *ctx = mb_new_tcp(gateway->Ip().c_str(), gateway->Port());
    ASSERT_EQ(mb_connect(ctx), 0);
    mb_set_slave(ctx, 1);
    gateway->Then(RegistersReply({1}));
    uint16_t dest[1];
    ASSERT_EQ(mb_read_registers(ctx, 0, 1, dest), 1);
    gateway->DropConnection(true);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (mb_link_up(ctx) == 1 && Clock::now() < deadline)
        std::this_thread::sleep_for(Millis(10));
    EXPECT_EQ(mb_link_up(ctx), 0);

    ASSERT_EQ(mb_connect(ctx), 0);
    errno = 0;
    EXPECT_EQ(mb_read_registers(ctx, 0, 1, dest), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    gateway.reset();
    for (int attempt = 0; attempt < 2; ++attempt) {
        errno = 0;
        EXPECT_EQ(mb_read_registers(ctx, 0, 1, dest), -1);
        EXPECT_EQ(errno, ECONNREFUSED) << mb_strerror(errno);
        EXPECT_EQ(mb_get_socket(ctx), -1);
    }
    mb_free(ctx);
}

TEST(ModbusConnect, GivesUpOnAHostThatNeverAnswers)
{
    SilentPeer silent;
    mb_context *ctx = mb_new_tcp("127.0.0.1", silent.Port());
    int sec = 0, usec = 0;
    EXPECT_EQ(mb_get_connect_timeout(ctx, &sec, &usec), 0);
    EXPECT_EQ(sec * 1000000 + usec, 5000000);
    EXPECT_EQ(mb_set_connect_timeout(ctx, 0, 0), -1);
    ASSERT_EQ(mb_set_connect_timeout(ctx, 0, 300000), 0);
    const auto start = Clock::now();
    errno = 0;
    EXPECT_EQ(mb_connect(ctx), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(waited, 280);
    EXPECT_LT(waited, 3000);
    EXPECT_EQ(mb_get_socket(ctx), -1);
    mb_free(ctx);
}

TEST(ModbusConnect, CancelDescriptorEndsAConnect)
{
    SilentPeer silent;
    mb_context *ctx = mb_new_tcp("127.0.0.1", silent.Port());
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const Fd readEnd(ends[0]);
    const Fd writeEnd(ends[1]);
    ASSERT_EQ(write(ends[1], "x", 1), 1);
    ASSERT_EQ(mb_set_cancel_fd(ctx, ends[0]), 0);
    EXPECT_EQ(mb_set_cancel_fd(ctx, -2), -1);
    const auto start = Clock::now();
    errno = 0;
    EXPECT_EQ(mb_connect(ctx), -1);
    EXPECT_EQ(errno, ECANCELED);
    EXPECT_LT(std::chrono::duration_cast<Millis>(Clock::now() - start).count(), 2500) << "the time-out is 5 s";
    EXPECT_EQ(mb_get_socket(ctx), -1);
    mb_free(ctx);
}

TEST(ModbusConnect, ReachesAGatewayOnTheModbusPort)
{
    std::unique_ptr<FakeGateway> gateway;
    try {
        gateway = std::make_unique<FakeGateway>("127.0.0.213", MODBUS_PORT);
    } catch (const std::exception &error) {
        GTEST_SKIP() << "port " << MODBUS_PORT << " on 127.0.0.213 is taken: " << error.what();
    }
    gateway->Then(Reaction::Send(FromHex("01 03 04 12 34 56 78 81 07")));
    mb_context *ctx = mb_new_tcp("127.0.0.213", MODBUS_PORT);
    ASSERT_EQ(mb_connect(ctx), 0) << mb_strerror(errno);
    // A fresh context speaks to unit 255 until told otherwise.
    uint16_t dest[2];
    EXPECT_EQ(mb_read_registers(ctx, 0, 2, dest), -1);
    mb_set_slave(ctx, 1);
    gateway->Then(Reaction::Send(FromHex("01 03 04 12 34 56 78 81 07")));
    EXPECT_EQ(mb_read_registers(ctx, 0, 2, dest), 2);
    ASSERT_TRUE(gateway->WaitForRequests(2));
    EXPECT_EQ(gateway->Requests()[0][0], 255);
    // Connecting again replaces the connection.
    ASSERT_EQ(mb_connect(ctx), 0);
    mb_close(ctx);
    EXPECT_EQ(mb_get_socket(ctx), -1);
    mb_close(ctx);
    mb_free(ctx);
}

} // namespace
