// Frames of the caller's own over loopback to the scripted gateway: sent
// framed or as given, the answer read to its end by its framing and handed
// back as it came, whatever it says.
#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_raw.h"
#include "tests/support/fake_gateway.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace testing_support;

class RawExchange : public ::testing::Test {
protected:
    void Start(bool modbusTcp)
    {
        m_gateway.SetModbusTcp(modbusTcp);
        m_ctx = mb_new_tcp(m_gateway.Ip().c_str(), m_gateway.Port());
        ASSERT_NE(m_ctx, nullptr);
        mb_set_framing(m_ctx, modbusTcp ? MB_FRAMING_TCP : MB_FRAMING_RTU);
        mb_set_response_timeout(m_ctx, 0, 300000);
        mb_set_byte_timeout(m_ctx, 0, 300000);
        ASSERT_EQ(mb_connect(m_ctx), 0) << mb_strerror(errno);
    }
    void TearDown() override
    {
        mb_close(m_ctx);
        mb_free(m_ctx);
    }
    // Sends `hex`; the frames as they went, in hex, after the result.
    int Send(const std::string &hex, bool asIs)
    {
        const Bytes frame = FromHex(hex);
        const int result = mb_send_raw(m_ctx, frame.data(), static_cast<int>(frame.size()), asIs ? 1 : 0, &m_frames);
        m_error = errno;
        return result;
    }
    std::string SentHex() const { return ToHex(Bytes(m_frames.sent, m_frames.sent + m_frames.sent_length)); }
    std::string AnswerHex() const
    {
        return ToHex(Bytes(m_frames.answer, m_frames.answer + m_frames.answer_length));
    }

    FakeGateway m_gateway;
    mb_context *m_ctx = nullptr;
    mb_raw_frames m_frames{};
    int m_error = 0;
};

TEST_F(RawExchange, RtuFramedOrAsGivenAndTheAnswerUnchecked)
{
    Start(false);
    const Bytes spoiled = FromHex("01 03 04 12 34 56 78 00 00");
    m_gateway.Then(Reaction::Send(FromHex("01 03 04 12 34 56 78 81 07")));
    m_gateway.Then(Reaction::Send(spoiled));
    m_gateway.Then(Reaction::Send(WithCrc({0x01, 0xC1, 0x01})));
    EXPECT_EQ(Send("01 03 00 00 00 02", false), 9);
    EXPECT_EQ(SentHex(), "01 03 00 00 00 02 C4 0B");
    EXPECT_EQ(AnswerHex(), "01 03 04 12 34 56 78 81 07");
    // Sent as given, a wrong CRC included; the answer's wrong CRC comes back.
    EXPECT_EQ(Send("01 03 00 00 00 02 00 00", true), 9);
    EXPECT_EQ(AnswerHex(), ToHex(spoiled));
    // A function the client does not know: an exception answer ends it.
    EXPECT_EQ(Send("01 41 00", false), 5);
    EXPECT_EQ(AnswerHex(), ToHex(WithCrc({0x01, 0xC1, 0x01})));
    ASSERT_TRUE(m_gateway.WaitForRequests(3));
    const std::vector<Bytes> requests = m_gateway.Requests();
    EXPECT_EQ(ToHex(requests[1]), "01 03 00 00 00 02 00 00");
    EXPECT_EQ(ToHex(requests[2]), ToHex(WithCrc({0x01, 0x41, 0x00})));
}

TEST_F(RawExchange, ModbusTcpTakesOnlyItsTransactionsAnswer)
{
    Start(true);
    m_gateway.Then(Reaction::Send(WithMbap(1, {1, 3, 2, 0, 7})));
    m_gateway.Then(Reaction::Send(WithMbap(0x1234, {1, 3, 2, 0, 8})));
    m_gateway.Then(Reaction::Send(WithMbap(0x1235, {1, 3, 2, 0, 9})));
    EXPECT_EQ(Send("01 03 00 00 00 01", false), 11);
    EXPECT_EQ(SentHex(), "00 01 00 00 00 06 01 03 00 00 00 01");
    EXPECT_EQ(AnswerHex(), "00 01 00 00 00 05 01 03 02 00 07");
    EXPECT_EQ(Send("12 34 00 00 00 06 01 03 00 00 00 01", true), 11);
    EXPECT_EQ(AnswerHex(), "12 34 00 00 00 05 01 03 02 00 08");
    // Another transaction's answer is refused, and shown as it came.
    EXPECT_EQ(Send("12 34 00 00 00 06 01 03 00 00 00 01", true), -1);
    EXPECT_EQ(m_error, EMBBADMBAP);
    EXPECT_EQ(AnswerHex(), "12 35 00 00 00 05 01 03 02 00 09");
}

TEST_F(RawExchange, AnAnswerCutShortTimesOutAndTheNextGoesOnANewConnection)
{
    Start(false);
    m_gateway.Then(Reaction::Send(FromHex("01 03 04 12")));
    m_gateway.Then(Reaction::Send(FromHex("01 03 04 12 34 56 78 81 07")));
    EXPECT_EQ(Send("01 03 00 00 00 02", false), -1);
    EXPECT_EQ(m_error, ETIMEDOUT);
    EXPECT_EQ(AnswerHex(), "01 03 04 12");
    EXPECT_EQ(Send("01 03 00 00 00 02", false), 9);
    EXPECT_EQ(m_gateway.Connections(), 2u);

    EXPECT_EQ(Send("01", false), -1);
    EXPECT_EQ(m_error, EINVAL);
    const Bytes tooLong(255, 1);
    EXPECT_EQ(mb_send_raw(m_ctx, tooLong.data(), 255, 0, &m_frames), -1);
    EXPECT_EQ(errno, EINVAL);
}

} // namespace
