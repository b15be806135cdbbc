// Gateways that answer every operation of the client with garbage or with
// half a frame: each request fails without touching the caller's array, and
// the next good answer (on a new connection once the old one is closed) is
// taken whole.
#include "library/modbus_lib/modbus.h"
#include "tests/support/fake_gateway.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using namespace testing_support;

constexpr uint8_t kGuard = 0xEE;
constexpr size_t kRoom = 300;

// One request operation with a well-formed answer and the values it yields.
struct Operation {
    const char *name;
    uint8_t function;
    // Runs the operation into `bytes` / `registers` (each kRoom long).
    std::function<int(mb_context *, uint8_t *bytes, uint16_t *registers)> run;
    // The answer body (CRC appended by the gateway) to the request.
    std::function<Bytes(const Bytes &request)> answer;
    int result;
    bool reads; // checked by its byte count
};

Bytes Echo(const Bytes &request)
{
    return Bytes(request.begin(), request.begin() + 6);
}

std::vector<Operation> Operations()
{
    static const uint16_t values[2] = {0x0102, 0x0304};
    static const uint8_t coils[10] = {1, 0, 1, 1, 0, 0, 0, 1, 1, 0};
    auto read = [](std::initializer_list<uint8_t> list) {
        return [data = Bytes(list)](const Bytes &request) {
            Bytes answer(3 + data.size());
            answer[0] = request[0];
            answer[1] = request[1];
            answer[2] = static_cast<uint8_t>(data.size());
            std::copy(data.begin(), data.end(), answer.begin() + 3);
            return answer;
        };
    };
    return {
        {"read coils", 1, [](mb_context *c, uint8_t *b, uint16_t *) { return mb_read_bits(c, 0, 10, b); },
         read({0x0D, 0x01}), 10, true},
        {"read inputs", 2, [](mb_context *c, uint8_t *b, uint16_t *) { return mb_read_input_bits(c, 0, 3, b); },
         read({0x05}), 3, true},
        {"read holding", 3, [](mb_context *c, uint8_t *, uint16_t *r) { return mb_read_registers(c, 0, 2, r); },
         read({0x12, 0x34, 0x56, 0x78}), 2, true},
        {"read input regs", 4,
         [](mb_context *c, uint8_t *, uint16_t *r) { return mb_read_input_registers(c, 0, 2, r); },
         read({0x12, 0x34, 0x56, 0x78}), 2, true},
        {"write coil", 5, [](mb_context *c, uint8_t *, uint16_t *) { return mb_write_bit(c, 1, 1); }, Echo, 1,
         false},
        {"write register", 6, [](mb_context *c, uint8_t *, uint16_t *) { return mb_write_register(c, 1, 7); },
         Echo, 1, false},
        {"write coils", 15, [](mb_context *c, uint8_t *, uint16_t *) { return mb_write_bits(c, 0, 10, coils); },
         Echo, 10, false},
        {"write registers", 16,
         [](mb_context *c, uint8_t *, uint16_t *) { return mb_write_registers(c, 0, 2, values); }, Echo, 2, false},
        {"write and read", 23,
         [](mb_context *c, uint8_t *, uint16_t *r) { return mb_write_and_read_registers(c, 0, 2, values, 0, 1, r); },
         read({0xBE, 0xEF}), 1, true},
        {"report slave id", 17, [](mb_context *c, uint8_t *b, uint16_t *) { return mb_report_slave_id(c, b); },
         read({0x01, 0xFF, 'O', 'K'}), 4, false},
    };
}

class GatewayFaults : public ::testing::Test {
protected:
    void SetUp() override { Connect(); }
    void TearDown() override
    {
        mb_close(m_ctx);
        mb_free(m_ctx);
    }
    void Connect()
    {
        if (m_ctx == nullptr)
            m_ctx = mb_new_tcp(m_gateway.Ip().c_str(), m_gateway.Port());
        ASSERT_NE(m_ctx, nullptr);
        ASSERT_EQ(mb_connect(m_ctx), 0) << mb_strerror(errno);
        ASSERT_EQ(mb_set_slave(m_ctx, 1), 0);
        // A cut answer is given up quickly; the first bytes may take longer.
        ASSERT_EQ(mb_set_byte_timeout(m_ctx, 0, 100000), 0);
    }

    // Runs the operation; on failure the arrays must be untouched, on
    // success nothing beyond the values may change.
    int Run(const Operation &operation)
    {
        std::fill(std::begin(m_bytes), std::end(m_bytes), kGuard);
        std::fill(std::begin(m_registers), std::end(m_registers), 0xEEEE);
        errno = 0;
        const int result = operation.run(m_ctx, m_bytes, m_registers);
        m_error = errno;
        const size_t used = result < 0 ? 0 : static_cast<size_t>(result);
        EXPECT_TRUE(std::all_of(m_bytes + std::min(used, kRoom), std::end(m_bytes),
                                [](uint8_t b) { return b == kGuard; }))
            << operation.name;
        EXPECT_TRUE(std::all_of(m_registers + std::min(used, kRoom), std::end(m_registers),
                                [](uint16_t r) { return r == 0xEEEE; }))
            << operation.name;
        return result;
    }

    // The operation gets its good answer and yields its values.
    void ExpectGoodAnswerTaken(const Operation &operation)
    {
        m_gateway.Then(Reaction::Compute([&operation](const Bytes &request) {
            return WithCrc(operation.answer(request));
        }));
        ASSERT_EQ(Run(operation), operation.result) << operation.name << ": " << mb_strerror(m_error);
        if (operation.function == 3) {
            EXPECT_EQ(m_registers[1], 0x5678);
        }
        if (operation.function == 17) {
            EXPECT_EQ(m_bytes[3], 'K');
        }
    }

    FakeGateway m_gateway;
    mb_context *m_ctx = nullptr;
    uint8_t m_bytes[kRoom] = {};
    uint16_t m_registers[kRoom] = {};
    int m_error = 0;
};

// Random bytes of every length from one byte to beyond the largest frame,
// as answers to every operation; and, for the reads, a right header with a
// byte count that does not fit the request (with a right CRC).
TEST_F(GatewayFaults, GarbageFailsEveryOperationAndTheNextGoodAnswerIsTaken)
{
    std::mt19937 random(20240611);
    for (const Operation &operation : Operations()) {
        for (const size_t length : {1, 2, 3, 8, 9, 64, 256, 257, 700}) {
            Bytes garbage(length);
            for (uint8_t &byte : garbage)
                byte = static_cast<uint8_t>(random());
            // Never, by chance, the unit and function of the request.
            if (length >= 2 && garbage[0] == 1 && garbage[1] == operation.function)
                garbage[0] = 2;
            m_gateway.Then(Reaction::Send(garbage));
            EXPECT_EQ(Run(operation), -1) << operation.name << ", " << length << " bytes";
            ExpectGoodAnswerTaken(operation);
        }
        if (!operation.reads)
            continue;
        const uint8_t rightCount = operation.answer({1, operation.function, 0, 0, 0, 0})[2];
        for (const uint8_t count : {0, 1, 3, 200, 255}) {
            if (count == rightCount)
                continue;
            Bytes wrong = {1, operation.function, count};
            wrong.resize(3 + count, 0x5A);
            m_gateway.Then(Reaction::Send(WithCrc(wrong)));
            EXPECT_EQ(Run(operation), -1) << operation.name << ", byte count " << static_cast<int>(count);
            EXPECT_EQ(m_error, EMBBADDATA) << operation.name << ", byte count " << static_cast<int>(count);
            ExpectGoodAnswerTaken(operation);
        }
    }
}

// Half of a good answer, then at once the end of the connection; or half,
// silence until the request times out, and the end when the next request
// comes. Each fails on its own; a new connection then works.
TEST_F(GatewayFaults, HalfFramesFailAndANewConnectionWorks)
{
    for (const Operation &operation : Operations()) {
        auto half = [&operation](const Bytes &request) {
            const Bytes whole = WithCrc(operation.answer(request));
            return Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
        };
        Reaction cutThenClose = Reaction::Compute(half);
        cutThenClose.close = true;
        m_gateway.Then(cutThenClose);
        EXPECT_EQ(Run(operation), -1) << operation.name;
        EXPECT_EQ(m_error, ECONNRESET) << operation.name << ": " << mb_strerror(m_error);
        EXPECT_EQ(Run(operation), -1) << operation.name << " on the closed connection";
        Connect();
        ExpectGoodAnswerTaken(operation);

        m_gateway.Then(Reaction::Compute(half));
        m_gateway.Then(Reaction::Close());
        EXPECT_EQ(Run(operation), -1) << operation.name;
        EXPECT_EQ(m_error, ETIMEDOUT) << operation.name << ": " << mb_strerror(m_error);
        EXPECT_EQ(Run(operation), -1) << operation.name << " answered by the end of the connection";
        Connect();
        ExpectGoodAnswerTaken(operation);
    }
}

// An answer body (unit id and protocol data unit) made from the request's
// body, framed as the request was: with its CRC, or in Modbus TCP with the
// request's transaction id.
Reaction Framed(bool tcp, std::function<Bytes(const Bytes &body)> make)
{
    return Reaction::Compute([tcp, make](const Bytes &request) {
        if (!tcp)
            return WithCrc(make(request));
        const Bytes body(request.begin() + 6, request.end());
        return WithMbap(static_cast<uint16_t>(request[0] << 8 | request[1]), make(body));
    });
}

// Answers of the right length that do not fit their request: a write's echo
// of another address, value or quantity, and a Modbus TCP read whose byte
// count does not fit its data (in RTU over TCP the byte count sets the
// length). Each fails with the invalid-data error, and the next request goes
// on a new connection, where the good answer is taken.
TEST_F(GatewayFaults, AnswersThatDoNotFitTheRequestFailAndTheNextReconnects)
{
    for (const bool tcp : {false, true}) {
        m_gateway.SetModbusTcp(tcp);
        ASSERT_EQ(mb_set_framing(m_ctx, tcp ? MB_FRAMING_TCP : MB_FRAMING_RTU), 0);
        for (const Operation &operation : Operations()) {
            std::vector<size_t> spoiled; // bytes of the body that lose their fit
            if (!operation.reads && operation.function != 17)
                spoiled = {3, 5};
            else if (operation.reads && tcp)
                spoiled = {2};
            for (const size_t at : spoiled) {
                const std::string what = std::string(operation.name) + (tcp ? " (Modbus TCP)" : " (RTU)") +
                                         ", byte " + std::to_string(at);
                m_gateway.Then(Framed(tcp, [&operation, at](const Bytes &request) {
                    Bytes body = operation.answer(request);
                    body[at] ^= 0x01;
                    return body;
                }));
                EXPECT_EQ(Run(operation), -1) << what;
                EXPECT_EQ(m_error, EMBBADDATA) << what << ": " << mb_strerror(m_error);
                const size_t connections = m_gateway.Connections();
                m_gateway.Then(Framed(tcp, operation.answer));
                EXPECT_EQ(Run(operation), operation.result) << what << ": " << mb_strerror(m_error);
                EXPECT_EQ(m_gateway.Connections(), connections + 1) << what;
            }
        }
    }
}

// Modbus TCP answers are judged by their header first: another transaction
// id (a stale answer or one ahead), another protocol id or a length outside
// the frame's limits is refused whatever the body, as are another unit and
// an exception passes through; the next good answer is taken.
TEST_F(GatewayFaults, ModbusTcpAnswersWithAnotherHeaderAreRefused)
{
    m_gateway.SetModbusTcp(true);
    ASSERT_EQ(mb_set_framing(m_ctx, MB_FRAMING_TCP), 0);
    const Operation read = Operations()[2];
    ASSERT_EQ(read.function, 3);
    struct Fault {
        const char *what;
        int idShift;
        uint8_t protocol;
        int length; // the length field; -1 keeps the right one
        uint8_t unit;
        int error;
    };
    const Fault faults[] = {
        {"the previous transaction id", -1, 0, -1, 1, EMBBADMBAP},
        {"the next transaction id", 1, 0, -1, 1, EMBBADMBAP},
        {"protocol id 1", 0, 1, -1, 1, EMBBADMBAP},
        {"length 0", 0, 0, 0, 1, EMBBADMBAP},
        {"length 1", 0, 0, 1, 1, EMBBADMBAP},
        {"length 255", 0, 0, 255, 1, EMBBADMBAP},
        {"unit 2", 0, 0, -1, 2, EMBBADDATA},
        {"no fault", 0, 0, -1, 1, 0},
    };
    auto answer = [&read](const Fault &fault) {
        return [&read, fault](const Bytes &request) {
            Bytes body = read.answer(Bytes(request.begin() + 6, request.end()));
            body[0] = fault.unit;
            const int id = (request[0] << 8 | request[1]) + fault.idShift;
            Bytes frame = WithMbap(static_cast<uint16_t>(id), body);
            frame[3] = fault.protocol;
            if (fault.length >= 0)
                frame[5] = static_cast<uint8_t>(fault.length);
            return frame;
        };
    };
    for (const Fault &fault : faults) {
        m_gateway.Then(Reaction::Compute(answer(fault)));
        const int result = Run(read);
        if (fault.error == 0) {
            EXPECT_EQ(result, 2) << mb_strerror(m_error);
            EXPECT_EQ(m_registers[1], 0x5678);
            continue;
        }
        EXPECT_EQ(result, -1) << fault.what;
        EXPECT_EQ(m_error, fault.error) << fault.what << ": " << mb_strerror(m_error);
        m_gateway.Then(Reaction::Compute(answer(faults[7])));
        EXPECT_EQ(Run(read), 2) << "after " << fault.what << ": " << mb_strerror(m_error);
        EXPECT_EQ(m_registers[1], 0x5678) << "after " << fault.what;
    }
    m_gateway.Then(Reaction::Compute([](const Bytes &request) {
        return WithMbap(static_cast<uint16_t>(request[0] << 8 | request[1]), {1, 0x83, 0x02});
    }));
    EXPECT_EQ(Run(read), -1);
    EXPECT_EQ(m_error, EMBXILADD) << mb_strerror(m_error);
    // Every request took the next transaction id, with protocol id 0 and
    // the length of its body.
    const std::vector<Bytes> requests = m_gateway.Requests();
    ASSERT_EQ(requests.size(), 2 * std::size(faults));
    for (size_t index = 0; index < requests.size(); ++index)
        EXPECT_EQ(ToHex(requests[index]), ToHex(WithMbap(static_cast<uint16_t>(index + 1), {1, 3, 0, 0, 0, 2})))
            << index;
}

} // namespace
