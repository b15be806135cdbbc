// Every request operation round-trips against an independent server:
// Debian's pymodbus with a known data store (see
// tests/support/modbus_server.py), in both framings: RTU over TCP and Modbus
// TCP.
#include "library/modbus_lib/modbus.h"
#include "tests/modbus/modbus_server_process.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using testing_support::ModbusServerProcess;

// The server's data store at start.
uint16_t HoldingRegister(int address)
{
    return address == 0 ? 0x1234 : address == 1 ? 0x5678 : static_cast<uint16_t>(0x0101 * address);
}
uint16_t InputRegister(int address)
{
    return address == 0 ? 11 : address == 1 ? 22 : static_cast<uint16_t>(1000 + address);
}
uint8_t Coil(int address)
{
    return address % 3 == 0 ? 1 : 0;
}
uint8_t DiscreteInput(int address)
{
    return address % 5 == 1 || address % 5 == 2 ? 1 : 0;
}

class ModbusAgainstPymodbus : public ::testing::TestWithParam<int> {
protected:
    ModbusAgainstPymodbus() : m_server("127.0.0.1", GetParam() == MB_FRAMING_TCP ? "tcp" : "rtu") {}

    void SetUp() override
    {
        ASSERT_TRUE(m_server.Ready()) << m_server.Output();
        m_ctx = mb_new_tcp("127.0.0.1", m_server.Port());
        ASSERT_NE(m_ctx, nullptr);
        ASSERT_EQ(mb_set_framing(m_ctx, GetParam()), 0);
        ASSERT_EQ(mb_connect(m_ctx), 0) << mb_strerror(errno);
        mb_set_slave(m_ctx, 1);
    }
    void TearDown() override
    {
        mb_close(m_ctx);
        mb_free(m_ctx);
    }

    ModbusServerProcess m_server;
    mb_context *m_ctx = nullptr;
};

TEST_P(ModbusAgainstPymodbus, ReadsBitsAtTheirLimit)
{
    std::vector<uint8_t> bits(MB_MAX_READ_BITS);
    ASSERT_EQ(mb_read_bits(m_ctx, 3, MB_MAX_READ_BITS, bits.data()), MB_MAX_READ_BITS) << mb_strerror(errno);
    for (int index = 0; index < MB_MAX_READ_BITS; ++index)
        ASSERT_EQ(bits[static_cast<size_t>(index)], Coil(3 + index)) << index;
    ASSERT_EQ(mb_read_input_bits(m_ctx, 7, 13, bits.data()), 13) << mb_strerror(errno);
    for (int index = 0; index < 13; ++index)
        EXPECT_EQ(bits[static_cast<size_t>(index)], DiscreteInput(7 + index)) << index;
}

TEST_P(ModbusAgainstPymodbus, ReadsRegistersAtTheirLimit)
{
    std::vector<uint16_t> registers(MB_MAX_READ_REGISTERS);
    ASSERT_EQ(mb_read_registers(m_ctx, 0, MB_MAX_READ_REGISTERS, registers.data()), MB_MAX_READ_REGISTERS)
        << mb_strerror(errno);
    for (int index = 0; index < MB_MAX_READ_REGISTERS; ++index)
        ASSERT_EQ(registers[static_cast<size_t>(index)], HoldingRegister(index)) << index;
    ASSERT_EQ(mb_read_input_registers(m_ctx, 1, 5, registers.data()), 5) << mb_strerror(errno);
    for (int index = 0; index < 5; ++index)
        EXPECT_EQ(registers[static_cast<size_t>(index)], InputRegister(1 + index)) << index;
}

TEST_P(ModbusAgainstPymodbus, SingleWritesAreReadBack)
{
    ASSERT_EQ(mb_write_bit(m_ctx, 1, 1), 1) << mb_strerror(errno);
    ASSERT_EQ(mb_write_bit(m_ctx, 3, 0), 1) << mb_strerror(errno);
    ASSERT_EQ(mb_write_register(m_ctx, 7, 0xCAFE), 1) << mb_strerror(errno);
    uint8_t bits[4];
    ASSERT_EQ(mb_read_bits(m_ctx, 0, 4, bits), 4);
    EXPECT_EQ(std::vector<uint8_t>(bits, bits + 4), (std::vector<uint8_t>{1, 1, 0, 0}));
    uint16_t value = 0;
    ASSERT_EQ(mb_read_registers(m_ctx, 7, 1, &value), 1);
    EXPECT_EQ(value, 0xCAFE);
}

TEST_P(ModbusAgainstPymodbus, MultipleWritesAreReadBack)
{
    std::vector<uint8_t> coils(MB_MAX_WRITE_BITS);
    for (size_t index = 0; index < coils.size(); ++index)
        coils[index] = index % 7 == 2 ? 0x80 : 0;
    ASSERT_EQ(mb_write_bits(m_ctx, 5, MB_MAX_WRITE_BITS, coils.data()), MB_MAX_WRITE_BITS) << mb_strerror(errno);
    std::vector<uint16_t> values(MB_MAX_WRITE_REGISTERS);
    for (size_t index = 0; index < values.size(); ++index)
        values[index] = static_cast<uint16_t>(0xF000 + index);
    ASSERT_EQ(mb_write_registers(m_ctx, 100, MB_MAX_WRITE_REGISTERS, values.data()), MB_MAX_WRITE_REGISTERS)
        << mb_strerror(errno);

    std::vector<uint8_t> bits(MB_MAX_WRITE_BITS);
    ASSERT_EQ(mb_read_bits(m_ctx, 5, MB_MAX_WRITE_BITS, bits.data()), MB_MAX_WRITE_BITS);
    for (size_t index = 0; index < bits.size(); ++index)
        ASSERT_EQ(bits[index], coils[index] != 0 ? 1 : 0) << index;
    std::vector<uint16_t> registers(MB_MAX_WRITE_REGISTERS);
    ASSERT_EQ(mb_read_registers(m_ctx, 100, MB_MAX_WRITE_REGISTERS, registers.data()), MB_MAX_WRITE_REGISTERS);
    EXPECT_EQ(registers, values);
}

TEST_P(ModbusAgainstPymodbus, WriteAndReadRegisters)
{
    std::vector<uint16_t> values(MB_MAX_WR_WRITE_REGISTERS);
    for (size_t index = 0; index < values.size(); ++index)
        values[index] = static_cast<uint16_t>(0xA000 + index);
    std::vector<uint16_t> read(MB_MAX_WR_READ_REGISTERS);
    ASSERT_EQ(mb_write_and_read_registers(m_ctx, 150, MB_MAX_WR_WRITE_REGISTERS, values.data(), 2,
                                          MB_MAX_WR_READ_REGISTERS, read.data()),
              MB_MAX_WR_READ_REGISTERS)
        << mb_strerror(errno);
    for (int index = 0; index < MB_MAX_WR_READ_REGISTERS; ++index)
        ASSERT_EQ(read[static_cast<size_t>(index)], HoldingRegister(2 + index)) << index;
    std::vector<uint16_t> written(MB_MAX_WR_WRITE_REGISTERS);
    ASSERT_EQ(mb_read_registers(m_ctx, 150, MB_MAX_WR_WRITE_REGISTERS, written.data()), MB_MAX_WR_WRITE_REGISTERS);
    EXPECT_EQ(written, values);
}

TEST_P(ModbusAgainstPymodbus, ReportSlaveId)
{
    uint8_t id[MB_MAX_REPORT_SLAVE_ID] = {};
    const int count = mb_report_slave_id(m_ctx, id);
    ASSERT_GE(count, 2) << mb_strerror(errno);
    // The server reports its identity text followed by the run indicator (on).
    EXPECT_EQ(id[count - 1], 0xFF);
    EXPECT_EQ(std::string(id, id + count - 1), "Pymodbus");
}

TEST_P(ModbusAgainstPymodbus, ExceptionsAndUnknownUnitsFail)
{
    uint16_t registers[2];
    errno = 0;
    EXPECT_EQ(mb_read_registers(m_ctx, 299, 2, registers), -1);
    EXPECT_EQ(errno, EMBXILADD);
    // The server stays silent for another unit id.
    mb_set_slave(m_ctx, 2);
    errno = 0;
    EXPECT_EQ(mb_read_registers(m_ctx, 0, 2, registers), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    mb_set_slave(m_ctx, 1);
    EXPECT_EQ(mb_read_registers(m_ctx, 0, 2, registers), 2);
    EXPECT_EQ(registers[0], 0x1234);
}

INSTANTIATE_TEST_SUITE_P(Framings, ModbusAgainstPymodbus, ::testing::Values(MB_FRAMING_RTU, MB_FRAMING_TCP),
                         [](const ::testing::TestParamInfo<int> &framing) {
                             return std::string(framing.param == MB_FRAMING_TCP ? "ModbusTcp" : "RtuOverTcp");
                         });

// Each Modbus TCP request takes the next transaction id, and the server's
// answer carries it back.
TEST(ModbusTcpAgainstPymodbus, TransactionIdsFollowEachOther)
{
    const ModbusServerProcess server("127.0.0.1", "tcp");
    ASSERT_TRUE(server.Ready()) << server.Output();
    mb_context *ctx = mb_new_tcp("127.0.0.1", server.Port());
    ASSERT_NE(ctx, nullptr);
    mb_set_framing(ctx, MB_FRAMING_TCP);
    mb_set_slave(ctx, 1);
    std::vector<std::vector<uint8_t>> frames;
    mb_set_trace(
        ctx,
        [](void *user, int, const uint8_t *frame, int length) {
            static_cast<std::vector<std::vector<uint8_t>> *>(user)->emplace_back(frame, frame + length);
        },
        &frames);
    uint16_t value = 0;
    EXPECT_EQ(mb_connect(ctx), 0) << mb_strerror(errno);
    for (int request = 0; request < 3; ++request)
        EXPECT_EQ(mb_read_registers(ctx, 1, 1, &value), 1) << mb_strerror(errno);
    mb_close(ctx);
    mb_free(ctx);
    ASSERT_EQ(frames.size(), 6u);
    for (size_t index = 0; index < frames.size(); ++index) {
        ASSERT_GE(frames[index].size(), 7u);
        EXPECT_EQ(frames[index][0] << 8 | frames[index][1], static_cast<int>(index / 2 + 1)) << index;
    }
    EXPECT_EQ(value, 0x5678);
}

} // namespace
