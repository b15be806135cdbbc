// The client's pure parts against known frames: CRC, request frames, the
// response reader's steps, the response check, data helpers, error texts,
// context settings.
#include "library/modbus_lib/modbus-data.h"
#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_rtu.h"
#include "tests/support/fake_gateway.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

using testing_support::Bytes;
using testing_support::FromHex;
using testing_support::ToHex;

Bytes Framed(const uint8_t *req, int length)
{
    Bytes frame(req, req + length);
    frame.resize(static_cast<size_t>(length) + 2);
    return Bytes(frame.begin(), frame.begin() + mb_rtu_append_crc(frame.data(), length));
}

TEST(RtuCrc, MatchesKnownFramesAndABitwiseComputation)
{
    const Bytes known = FromHex("01 03 00 00 00 02");
    EXPECT_EQ(mb_rtu_crc16(known.data(), known.size()), 0x0BC4);
    std::mt19937 random(7);
    for (size_t length = 1; length < 300; length += 7) {
        Bytes frame(length);
        for (uint8_t &byte : frame)
            byte = static_cast<uint8_t>(random());
        EXPECT_EQ(mb_rtu_crc16(frame.data(), frame.size()), testing_support::ModbusCrc(frame)) << length;
    }
    for (int value = 0; value < 256; ++value) {
        const Bytes single = {static_cast<uint8_t>(value)};
        EXPECT_EQ(mb_rtu_crc16(single.data(), 1), testing_support::ModbusCrc(single)) << value;
    }
}

TEST(RtuRequest, BasisCarriesTheLow16BitsOfEachField)
{
    uint8_t req[MB_RTU_MAX_ADU_LENGTH];
    ASSERT_EQ(mb_rtu_build_request_basis(1, MB_FC_READ_HOLDING_REGISTERS, 0, 2, req), 6);
    EXPECT_EQ(ToHex(Framed(req, 6)), "01 03 00 00 00 02 C4 0B");
    mb_rtu_build_request_basis(0x1FE, MB_FC_WRITE_SINGLE_REGISTER, 0x12345, -1, req);
    EXPECT_EQ(ToHex(Bytes(req, req + 6)), "FE 06 23 45 FF FF");
}

TEST(RtuRequest, WriteBitsPacksCoilsLeastSignificantBitFirst)
{
    const uint8_t coils[10] = {1, 0, 1, 1, 0, 0, 0, 7, 1, 0};
    uint8_t req[MB_RTU_MAX_ADU_LENGTH];
    const int length = mb_rtu_build_write_bits(1, 0x0013, 10, coils, req);
    EXPECT_EQ(ToHex(Bytes(req, req + length)), "01 0F 00 13 00 0A 02 8D 01");
}

TEST(RtuRequest, WriteRegistersAndWriteAndReadLayOutTheirFields)
{
    const uint16_t values[3] = {0x000A, 0x0102, 0xFFFF};
    uint8_t req[MB_RTU_MAX_ADU_LENGTH];
    int length = mb_rtu_build_write_registers(2, 1, 3, values, req);
    EXPECT_EQ(ToHex(Bytes(req, req + length)), "02 10 00 01 00 03 06 00 0A 01 02 FF FF");
    // Read address and quantity come before the write address and quantity.
    length = mb_rtu_build_write_and_read(1, 0x0E, 2, values, 0x03, 6, req);
    EXPECT_EQ(ToHex(Bytes(req, req + length)), "01 17 00 03 00 06 00 0E 00 02 04 00 0A 01 02");
    length = mb_rtu_build_report_slave_id(9, req);
    EXPECT_EQ(ToHex(Framed(req, length)), ToHex(testing_support::WithCrc({9, 0x11})));
}

TEST(RtuRequest, LargestRequestsFitAFrame)
{
    const uint8_t coils[MB_MAX_WRITE_BITS] = {};
    const uint16_t registers[MB_MAX_WRITE_REGISTERS] = {};
    uint8_t req[MB_RTU_MAX_ADU_LENGTH];
    EXPECT_LE(mb_rtu_build_write_bits(1, 0, MB_MAX_WRITE_BITS, coils, req) + 2, MB_RTU_MAX_ADU_LENGTH);
    EXPECT_LE(mb_rtu_build_write_registers(1, 0, MB_MAX_WRITE_REGISTERS, registers, req) + 2, MB_RTU_MAX_ADU_LENGTH);
    EXPECT_LE(mb_rtu_build_write_and_read(1, 0, MB_MAX_WR_WRITE_REGISTERS, registers, 0, 1, req) + 2,
              MB_RTU_MAX_ADU_LENGTH);
}

// The length a response must reach after each step of the reader.
TEST(RtuResponseTarget, FollowsUnitAndFunctionThenMetaThenData)
{
    struct Case {
        const char *frame;
        int steps[3];
    };
    const Case cases[] = {
        {"01 03 04 12 34 56 78 00 00", {2, 3, 9}},
        {"01 05 00 0A FF 00 00 00", {2, 6, 8}},
        {"01 0F 00 00 00 0A 00 00", {2, 6, 8}},
        {"01 83 02 00 00", {2, 3, 5}},
        {"01 11 02 FF 00 00 00", {2, 3, 7}},
        {"01 06 00 01 00 02 00 00", {2, 6, 8}},
        {"01 2B 07 00 00", {2, 3, 5}},
    };
    for (const Case &item : cases) {
        const Bytes frame = FromHex(item.frame);
        int length = 0;
        for (const int expected : item.steps) {
            const int target = mb_rtu_response_target(frame.data(), length);
            EXPECT_EQ(target, expected) << item.frame << " at " << length;
            length = target;
        }
        EXPECT_EQ(mb_rtu_response_target(frame.data(), length), length) << item.frame;
    }
    // A byte count of 252 would make a 257-byte frame.
    EXPECT_EQ(mb_rtu_response_target(FromHex("01 11 FB").data(), 3), 256);
    EXPECT_EQ(mb_rtu_response_target(FromHex("01 11 FC").data(), 3), 257);
}

struct CheckCase {
    const char *request;
    const char *response; // without its CRC, which the test appends
    int result;           // -1: refused with `error`
    int error;
};

// Each case in both framings: with its CRC as RTU over TCP carries it, and
// as the bare body of a Modbus TCP answer, whose length alone does not tell
// whether the byte count fits the data.
TEST(RtuCheckResponse, AcceptsMatchingResponsesAndRefusesTheRest)
{
    const CheckCase cases[] = {
        {"01 03 00 00 00 02", "01 03 04 12 34 56 78", 2, 0},
        {"01 03 00 00 00 02", "02 03 04 12 34 56 78", -1, EMBBADDATA},   // another unit
        {"01 04 00 00 00 02", "01 03 04 12 34 56 78", -1, EMBBADDATA},   // another function
        {"01 03 00 00 00 02", "01 83 02", -1, EMBXILADD},                // the request's exception
        {"01 10 00 00 00 01 02 00 07", "01 90 0B", -1, EMBXGTAR},
        {"01 03 00 00 00 02", "01 83 09", -1, EMBBADEXC},                // no such exception code
        {"01 03 00 00 00 02", "01 83 0C", -1, EMBBADEXC},
        {"01 03 00 00 00 02", "01 83 00", -1, EMBBADEXC},
        {"01 03 00 00 00 02", "02 83 02", -1, EMBBADDATA},               // another unit's exception
        {"01 03 00 00 00 02", "01 84 02", -1, EMBBADDATA},               // another function's
        {"01 03 00 00 00 02", "01 83 02 00", -1, EMBBADDATA},            // too long for an exception
        {"01 03 00 00 00 02", "01 03 02 12 34", -1, EMBBADDATA},         // too short for the quantity
        {"01 03 00 00 00 01", "01 03 03 12 34 56", -1, EMBBADDATA},      // odd byte count
        {"01 01 00 00 00 0A", "01 01 02 49 02", 2, 0},
        {"01 01 00 00 00 08", "01 01 02 49", -1, EMBBADDATA},            // byte count says 2, quantity 1
        {"01 02 00 00 00 09", "01 02 02 C6 00", 2, 0},
        {"01 01 00 00 00 0A", "01 01 01 49 02", -1, EMBBADDATA},         // byte count short of its data
        {"01 03 00 00 00 01", "01 03 03 12 34", -1, EMBBADDATA},         // byte count past its data
        {"01 03 00 00 00 01", "01 03 01 12 34", -1, EMBBADDATA},
        {"01 05 00 0A FF 00", "01 05 00 0A FF 00", 1, 0},
        {"01 05 00 0A FF 00", "01 05 00 0A 00 00", -1, EMBBADDATA},      // the other coil state
        {"01 05 00 0A FF 00", "01 05 00 0B FF 00", -1, EMBBADDATA},      // another coil
        {"01 05 00 0A", "01 05 00 0A FF 00", -1, EMBBADDATA},            // request too short to compare
        {"01 06 00 0A 00 FF", "01 06 00 0A 00 FF", 1, 0},
        {"01 06 00 0A 00 FF", "01 06 00 0A 00", -1, EMBBADDATA},
        {"01 06 00 0A 00 FF", "01 06 00 0A 00 FE", -1, EMBBADDATA},      // another value
        {"01 06 00 0A 00 FF", "01 06 01 0A 00 FF", -1, EMBBADDATA},      // another register
        {"01 0F 00 00 00 0A 02 FF 03", "01 0F 00 00 00 0A", 10, 0},
        {"01 0F 00 00 00 0A 02 FF 03", "01 0F 00 00 00 09", -1, EMBBADDATA},  // echo differs
        {"01 0F 00 00 00 0A 02 FF 03", "01 0F 00 01 00 0A", -1, EMBBADDATA},  // another start address
        {"01 10 00 05 00 02 04 00 01 00 02", "01 10 00 05 00 02", 2, 0},
        {"01 10 00 05 00 02 04 00 01 00 02", "01 10 00 06 00 02", -1, EMBBADDATA},
        {"01 17 00 00 00 02 00 05 00 01 02 00 01", "01 17 04 00 01 00 02", 2, 0},
        {"01 17 00 00 00 01 00 05 00 01 02 00 01", "01 17 03 00 01", -1, EMBBADDATA},
        {"01 11", "01 11 03 01 FF 41", 3, 0},
        {"01 11", "01 11 00", 0, 0},
        {"01 11", "01 11 03 01 FF", -1, EMBBADDATA},             // byte count beyond the frame
        {"01 11", "01 11 01 01 FF", -1, EMBBADDATA},             // frame beyond the byte count
        {"01 07", "01 07 00", 1, 0},
        {"01 03 00 00", "01 03 00", -1, EMBBADDATA},             // request too short to tell
        {"01", "01 03", -1, EMBBADDATA},
    };
    for (const CheckCase &item : cases) {
        const Bytes req = FromHex(item.request);
        const Bytes body = FromHex(item.response);
        const Bytes rsp = testing_support::WithCrc(body);
        for (const bool rtu : {true, false}) {
            errno = 0;
            const int result =
                rtu ? mb_rtu_check_response(req.data(), static_cast<int>(req.size()), rsp.data(),
                                            static_cast<int>(rsp.size()), false)
                    : mb_check_response_body(req.data(), static_cast<int>(req.size()), body.data(),
                                             static_cast<int>(body.size()), false);
            const char *framing = rtu ? " (RTU)" : " (body)";
            EXPECT_EQ(result, item.result) << item.request << " -> " << item.response << framing;
            if (item.result < 0) {
                EXPECT_EQ(errno, item.error)
                    << item.request << " -> " << item.response << framing << ": " << mb_strerror(errno);
            }
        }
    }
}

// A frame whose CRC does not match its bytes is refused before anything in
// it counts: good values, an exception, another unit alike.
TEST(RtuCheckResponse, RefusesEveryFrameWithAWrongCrc)
{
    const Bytes req = FromHex("01 03 00 00 00 02");
    for (const char *body : {"01 03 04 12 34 56 78", "01 83 02", "02 03 04 12 34 56 78", "01 11 00"}) {
        Bytes rsp = testing_support::WithCrc(FromHex(body));
        for (const size_t spoiled : {size_t{2}, rsp.size() - 1}) {
            Bytes bad = rsp;
            bad[spoiled] ^= 0x10;
            errno = 0;
            EXPECT_EQ(mb_rtu_check_response(req.data(), 6, bad.data(), static_cast<int>(bad.size()), false), -1)
                << ToHex(bad);
            EXPECT_EQ(errno, EMBBADCRC) << ToHex(bad);
        }
    }
    const Bytes bad = FromHex("01 03 04 12 34 56 78 00 00");
    testing::internal::CaptureStderr();
    mb_rtu_check_response(req.data(), 6, bad.data(), static_cast<int>(bad.size()), true);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR CRC received 0x0 != CRC calculated 0x781\n");
    EXPECT_STREQ(mb_strerror(EMBBADCRC), "Invalid CRC");
}

TEST(RtuCheckResponse, ReportSlaveIdByteCountNeverExceedsTheCallersArray)
{
    const Bytes req = FromHex("01 11");
    Bytes rsp = {0x01, 0x11, 251};
    rsp.resize(3 + 251, 0x41);
    rsp = testing_support::WithCrc(rsp);
    EXPECT_EQ(mb_rtu_check_response(req.data(), 2, rsp.data(), static_cast<int>(rsp.size()), false), 251);
    // Consistent with its own frame, but past the 251 bytes a caller provides.
    rsp = {0x01, 0x11, 255};
    rsp.resize(3 + 255, 0x41);
    rsp = testing_support::WithCrc(rsp);
    EXPECT_EQ(mb_rtu_check_response(req.data(), 2, rsp.data(), static_cast<int>(rsp.size()), false), -1);
}

TEST(RtuCheckResponse, DebugSaysWhy)
{
    const Bytes req = FromHex("01 03 00 00 00 02");
    const Bytes rsp = testing_support::WithCrc(FromHex("02 03 04 12 34 56 78"));
    testing::internal::CaptureStderr();
    mb_rtu_check_response(req.data(), 6, rsp.data(), static_cast<int>(rsp.size()), true);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Invalid TID received 0x203 (not 0x103)\n");
}

TEST(ModbusData, PacksAndUnpacksBitsLeastSignificantFirst)
{
    const uint8_t states[11] = {1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 1};
    uint8_t packed[2] = {};
    ASSERT_EQ(mb_pack_bit_array(states, 11, packed), 2);
    EXPECT_EQ(packed[0], 0x83);
    EXPECT_EQ(packed[1], 0x04);
    uint8_t unpacked[12];
    std::memset(unpacked, 0xEE, sizeof(unpacked));
    mb_unpack_bits(packed, 11, unpacked);
    EXPECT_EQ(0, std::memcmp(unpacked, states, 11));
    EXPECT_EQ(unpacked[11], 0xEE);
    uint8_t field[2];
    mb_put_uint16(field, 0x1ABCD);
    EXPECT_EQ(mb_get_uint16(field), 0xABCD);
}

TEST(ModbusStrerror, GivesTheClientsTextsAndTheSystemsForOtherNumbers)
{
    EXPECT_STREQ(mb_strerror(MB_ERROR_BASE + 1), "Illegal function");
    EXPECT_STREQ(mb_strerror(MB_ERROR_BASE + 6), "Slave device or server is busy");
    EXPECT_STREQ(mb_strerror(MB_ERROR_BASE + 11), "Target device failed to respond");
    EXPECT_STREQ(mb_strerror(EMBBADDATA), "Invalid data");
    EXPECT_STREQ(mb_strerror(EMBMDATA), "Too many data");
    EXPECT_STREQ(mb_strerror(EMBBADEXC), "Invalid exception code");
    EXPECT_STREQ(mb_strerror(ETIMEDOUT), std::strerror(ETIMEDOUT));
    // Texts of unknown numbers live in the library's buffer until its next call.
    const std::string system_text = std::strerror(MB_ERROR_BASE + 9);
    EXPECT_EQ(mb_strerror(MB_ERROR_BASE + 9), system_text);
}

TEST(ModbusNewTcp, RefusesEmptyAndOverlongAddressTexts)
{
    testing::internal::CaptureStderr();
    errno = 0;
    EXPECT_EQ(mb_new_tcp("", MODBUS_PORT), nullptr);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "The IP string is empty\n");
    testing::internal::CaptureStderr();
    errno = 0;
    EXPECT_EQ(mb_new_tcp("127.000.000.0001", MODBUS_PORT), nullptr);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "The IP string has been truncated\n");
    mb_context *ctx = mb_new_tcp("127.000.000.001", MODBUS_PORT);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(mb_get_socket(ctx), -1);
    EXPECT_EQ(mb_get_slave(ctx), 255);
    mb_free(ctx);
    mb_free(nullptr);
    mb_close(nullptr);
}

TEST(ModbusSettings, SlaveIdOutsideAByteIsRefusedAndTheOldOneKept)
{
    mb_context *ctx = mb_new_tcp("127.0.0.1", MODBUS_PORT);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(mb_set_slave(ctx, 250), 0);
    EXPECT_EQ(mb_set_slave(ctx, 256), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(mb_set_slave(ctx, -1), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(mb_get_slave(ctx), 250);
    EXPECT_EQ(mb_set_slave(ctx, 0), 0);
    EXPECT_EQ(mb_get_slave(ctx), 0);
    mb_free(ctx);
}

TEST(ModbusSettings, TimeOutsDefaultToHalfASecondAndRefuseNonsense)
{
    mb_context *ctx = mb_new_tcp("127.0.0.1", MODBUS_PORT);
    ASSERT_NE(ctx, nullptr);
    int sec = -1;
    int usec = -1;
    ASSERT_EQ(mb_get_response_timeout(ctx, &sec, &usec), 0);
    EXPECT_EQ(sec * 1000000 + usec, 500000);
    ASSERT_EQ(mb_get_byte_timeout(ctx, &sec, &usec), 0);
    EXPECT_EQ(sec * 1000000 + usec, 500000);
    EXPECT_EQ(mb_set_response_timeout(ctx, 0, 1000000), -1);
    EXPECT_EQ(mb_set_response_timeout(ctx, 0, 0), -1);
    EXPECT_EQ(mb_set_byte_timeout(ctx, -1, 5), -1);
    EXPECT_EQ(mb_set_byte_timeout(ctx, 2, 5), 0);
    mb_get_byte_timeout(ctx, &sec, &usec);
    EXPECT_EQ(sec, 2);
    EXPECT_EQ(usec, 5);
    EXPECT_EQ(mb_set_error_recovery(ctx, 1), -1);
    EXPECT_EQ(mb_set_error_recovery(ctx, MB_ERROR_RECOVERY_LINK | MB_ERROR_RECOVERY_PROTOCOL), 0);
    mb_free(ctx);
}

} // namespace
