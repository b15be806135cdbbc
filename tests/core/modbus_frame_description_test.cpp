// Frames in words: every function the program sends, its answers and
// exceptions, in both framings; CRC errors and frames cut short or malformed.
#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_rtu.h"
#include "modbus/frame_description.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Hex(const std::string &text)
{
    Bytes bytes;
    std::istringstream stream(text);
    std::string pair;
    while (stream >> pair)
        bytes.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
    return bytes;
}

Bytes Rtu(const std::string &body)
{
    Bytes frame = Hex(body);
    const uint16_t crc = mb_rtu_crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

Bytes Mbap(int transaction, const std::string &body)
{
    const Bytes rest = Hex(body);
    Bytes frame(6 + rest.size(), 0);
    frame[0] = static_cast<uint8_t>(transaction >> 8);
    frame[1] = static_cast<uint8_t>(transaction);
    frame[5] = static_cast<uint8_t>(rest.size());
    std::copy(rest.begin(), rest.end(), frame.begin() + 6);
    return frame;
}

FrameBytes View(const Bytes &bytes)
{
    return {bytes.data(), bytes.size()};
}

std::string Request(const Bytes &frame, int framing = MB_FRAMING_RTU)
{
    return DescriptionLine(DescribeRequest(View(frame), framing));
}

std::string Answer(const Bytes &frame, const Bytes &request = {}, int framing = MB_FRAMING_RTU)
{
    return DescriptionLine(DescribeAnswer(View(frame), framing, request.empty() ? FrameBytes{} : View(request)));
}

TEST(FrameDescription, RequestsOfEveryFunction)
{
    const std::pair<const char *, const char *> cases[] = {
        {"01 01 00 0A 00 04", "unit 1: read coils, address 10, count 4"},
        {"02 02 00 00 07 D0", "unit 2: read discrete inputs, address 0, count 2000"},
        {"01 03 00 00 00 02", "unit 1: read holding registers, address 0, count 2"},
        {"01 04 01 00 00 7D", "unit 1: read input registers, address 256, count 125"},
        {"01 05 00 C8 FF 00", "unit 1: write coil, address 200, on"},
        {"01 05 00 C8 00 00", "unit 1: write coil, address 200, off"},
        {"01 05 00 C8 12 34", "unit 1: write coil, address 200, value 4660 (neither on nor off)"},
        {"01 06 00 C9 BE EF", "unit 1: write register, address 201, value 48879"},
        {"01 0F 00 D2 00 03 01 06", "unit 1: write coils, address 210, count 3: 0 1 1"},
        {"01 10 00 DC 00 02 04 FF FE 00 07", "unit 1: write registers, address 220, count 2: 65534 7"},
        {"07 11", "unit 7: report slave id"},
        {"01 17 00 DC 00 03 00 DE 00 01 02 00 09",
         "unit 1: read/write registers, read address 220, count 3, write address 222, count 1: 9"},
        {"01 07", "unit 1: function 7, 0 data bytes"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Request(Rtu(c.first)), c.second) << c.first;
        EXPECT_EQ(Request(Mbap(9, c.first), MB_FRAMING_TCP), std::string("transaction 9, ") + c.second) << c.first;
    }
}

TEST(FrameDescription, AnswersWithAndWithoutTheirRequest)
{
    struct Case {
        const char *request;
        const char *answer;
        const char *withRequest;
        const char *alone;
    };
    const Case cases[] = {
        {"01 01 00 0A 00 04", "01 01 01 09", "read coils, address 10, count 4: 1 0 0 1",
         "read coils, 1 byte: 1 0 0 1 0 0 0 0"},
        {"01 02 00 00 00 0A", "01 02 02 06 02", "read discrete inputs, address 0, count 10: 0 1 1 0 0 0 0 0 0 1",
         "read discrete inputs, 2 bytes: 0 1 1 0 0 0 0 0 0 1 0 0 0 0 0 0"},
        {"01 03 00 00 00 02", "01 03 04 12 34 56 78", "read holding registers, address 0, count 2: 4660 22136",
         "read holding registers, count 2: 4660 22136"},
        {"01 04 00 05 00 01", "01 04 02 03 ED", "read input registers, address 5, count 1: 1005",
         "read input registers, count 1: 1005"},
        {"01 05 00 C8 FF 00", "01 05 00 C8 FF 00", "write coil, address 200, on", "write coil, address 200, on"},
        {"01 06 00 C9 BE EF", "01 06 00 C9 BE EF", "write register, address 201, value 48879",
         "write register, address 201, value 48879"},
        {"01 0F 00 D2 00 03 01 06", "01 0F 00 D2 00 03", "write coils, address 210, count 3",
         "write coils, address 210, count 3"},
        {"01 10 00 DC 00 02 04 FF FE 00 07", "01 10 00 DC 00 02", "write registers, address 220, count 2",
         "write registers, address 220, count 2"},
        {"01 11", "01 11 03 0A FF 42", "report slave id, 3 bytes", "report slave id, 3 bytes"},
        {"01 17 00 DC 00 02 00 DE 00 01 02 00 09", "01 17 04 FF FE 00 07",
         "read/write registers, address 220, count 2: 65534 7", "read/write registers, count 2: 65534 7"},
        // A count other than the one asked is shown as it came.
        {"01 03 00 00 00 03", "01 03 04 12 34 56 78", "read holding registers, address 0, count 2: 4660 22136; 3 asked",
         "read holding registers, count 2: 4660 22136"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Answer(Rtu(c.answer), Rtu(c.request)), std::string("unit 1: ") + c.withRequest) << c.answer;
        EXPECT_EQ(Answer(Rtu(c.answer)), std::string("unit 1: ") + c.alone) << c.answer;
        EXPECT_EQ(Answer(Mbap(3, c.answer), Mbap(3, c.request), MB_FRAMING_TCP),
                  std::string("transaction 3, unit 1: ") + c.withRequest)
            << c.answer;
    }
    // Another unit's, function's or transaction's answer is described alone.
    EXPECT_EQ(Answer(Rtu("02 03 02 00 01"), Rtu("01 03 00 00 00 01")),
              "unit 2: read holding registers, count 1: 1; not an answer to the request");
    EXPECT_EQ(Answer(Mbap(4, "01 03 02 00 01"), Mbap(5, "01 03 00 00 00 01"), MB_FRAMING_TCP),
              "transaction 4, unit 1: read holding registers, count 1: 1; not an answer to the request");
}

TEST(FrameDescription, ExceptionsByName)
{
    const std::pair<const char *, const char *> cases[] = {
        {"01 83 02", "unit 1: read holding registers: exception 2, Illegal data address"},
        {"01 81 01", "unit 1: read coils: exception 1, Illegal function"},
        {"01 90 03", "unit 1: write registers: exception 3, Illegal data value"},
        {"05 97 04", "unit 5: read/write registers: exception 4, Slave device or server failure"},
        {"01 86 06", "unit 1: write register: exception 6, Slave device or server is busy"},
        {"09 83 0B", "unit 9: read holding registers: exception 11, Target device failed to respond"},
        {"01 83 0A", "unit 1: read holding registers: exception 10, Gateway path unavailable"},
        {"01 83 09", "unit 1: read holding registers: exception 9, unknown exception"},
        {"01 C4 01", "unit 1: function 68: exception 1, Illegal function"},
    };
    for (const auto &c : cases) {
        const FrameDescription rtu = DescribeAnswer(View(Rtu(c.first)), MB_FRAMING_RTU);
        EXPECT_EQ(DescriptionLine(rtu), c.second);
        EXPECT_EQ(rtu.exception, Hex(c.first)[2]);
        EXPECT_EQ(Answer(Mbap(1, c.first), {}, MB_FRAMING_TCP), std::string("transaction 1, ") + c.second);
    }
}

TEST(FrameDescription, CrcCutShortAndMalformed)
{
    Bytes spoiled = Rtu("01 03 04 12 34 56 78");
    spoiled[4] ^= 0x01;
    const FrameDescription bad = DescribeAnswer(View(spoiled), MB_FRAMING_RTU);
    EXPECT_TRUE(bad.crcBad);
    EXPECT_EQ(DescriptionLine(bad), "unit 1: read holding registers, count 2: 4661 22136; CRC bad");
    Bytes badRequest = Rtu("01 03 00 00 00 02");
    badRequest.back() ^= 0xFF;
    EXPECT_EQ(Request(badRequest), "unit 1: read holding registers, address 0, count 2; CRC bad");

    const Bytes whole = Rtu("01 03 04 12 34 56 78");
    const std::pair<Bytes, const char *> rtu[] = {
        {Bytes(whole.begin(), whole.begin() + 4), "unit 1: read holding registers: cut short (4 of 9 bytes)"},
        {Bytes(whole.begin(), whole.begin() + 2), "unit 1: read holding registers: cut short (2 bytes)"},
        {Hex("01"), "unit 1: cut short (1 byte)"},
        {{}, "cut short (0 bytes)"},
        {Rtu("01 03 04 12 34 56 78 9A"), "unit 1: read holding registers: malformed (10 bytes, 9 expected)"},
        {Rtu("01 03 03 12 34 56"), "unit 1: read holding registers: malformed (odd byte count 3)"},
        {Rtu("01 10 00 DC 00 02 04 FF"), "unit 1: write registers: malformed (10 bytes, 8 expected)"},
    };
    for (const auto &c : rtu)
        EXPECT_EQ(Answer(c.first), c.second) << c.second;
    EXPECT_EQ(DescribeAnswer(View(rtu[0].first), MB_FRAMING_RTU).shape, FrameDescription::Shape::CutShort);
    EXPECT_EQ(DescribeAnswer(View(rtu[4].first), MB_FRAMING_RTU).shape, FrameDescription::Shape::Malformed);
    EXPECT_EQ(Request(Rtu("01 10 00 DC 00 02 04 FF")), "unit 1: write registers: cut short (10 of 13 bytes)");

    const Bytes mbap = Mbap(7, "01 03 04 12 34 56 78");
    Bytes protocol = mbap;
    protocol[3] = 1;
    Bytes length = mbap;
    length[5] = 1;
    const std::pair<Bytes, const char *> tcp[] = {
        {Bytes(mbap.begin(), mbap.begin() + 10),
         "transaction 7, unit 1: read holding registers: cut short (10 of 13 bytes)"},
        {Bytes(mbap.begin(), mbap.begin() + 5), "transaction 7: cut short (5 bytes)"},
        {protocol, "transaction 7, unit 1: read holding registers: malformed (protocol id 1)"},
        {length, "transaction 7, unit 1: read holding registers: malformed (length field 1)"},
        {Mbap(7, "01 03 06 12 34 56 78"), "transaction 7, unit 1: read holding registers: malformed (13 bytes, 15 "
                                          "expected)"},
    };
    for (const auto &c : tcp)
        EXPECT_EQ(Answer(c.first, {}, MB_FRAMING_TCP), c.second) << c.second;
    Bytes longer = mbap;
    longer.push_back(0);
    EXPECT_EQ(Answer(longer, {}, MB_FRAMING_TCP),
              "transaction 7, unit 1: read holding registers: malformed (14 bytes, 13 expected)");
}

// Any bytes at all, cut, stretched or spoiled from frames of each function:
// described without reading past them (the sanitizer runs watch that).
TEST(FrameDescription, DescribesAnyBytes)
{
    const char *seeds[] = {"01 01 00 0A 00 04",       "01 03 04 12 34 56 78", "01 0F 00 D2 00 03 01 06",
                           "01 10 00 DC 00 02 04 FF FE 00 07", "01 11 03 0A FF 42", "01 83 02",
                           "01 17 00 DC 00 03 00 DE 00 01 02 00 09"};
    uint32_t state = 12345;
    const auto next = [&state] { return state = state * 1103515245u + 12345u; };
    for (int round = 0; round < 20000; ++round) {
        const int framing = round % 2 == 0 ? MB_FRAMING_RTU : MB_FRAMING_TCP;
        const std::string seed = seeds[next() % 7];
        Bytes frame = framing == MB_FRAMING_RTU ? Rtu(seed) : Mbap(1, seed);
        frame.resize(next() % (frame.size() + 8));
        for (size_t spoil = next() % 3; spoil > 0 && !frame.empty(); --spoil)
            frame[next() % frame.size()] = static_cast<uint8_t>(next() >> 16);
        const Bytes request = framing == MB_FRAMING_RTU ? Rtu(seeds[next() % 7]) : Mbap(1, seeds[next() % 7]);
        // Exactly as long as it is, so that any byte beyond is caught.
        const std::unique_ptr<uint8_t[]> exact(new uint8_t[frame.size()]);
        std::copy(frame.begin(), frame.end(), exact.get());
        const FrameBytes bytes = {exact.get(), frame.size()};
        EXPECT_FALSE(DescribeRequest(bytes, framing).text.empty());
        EXPECT_FALSE(DescribeAnswer(bytes, framing, View(request)).text.empty());
        EXPECT_FALSE(DescribeAnswer(View(request), framing, bytes).text.empty());
    }
}

} // namespace
