#include "modbus/frame_description.h"

#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_mbap.h"
#include "library/modbus_lib/modbus_rtu.h"

#include <algorithm>

namespace {

using Shape = FrameDescription::Shape;

uint16_t Word(const uint8_t *bytes)
{
    return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
}

const char *FunctionText(int function)
{
    switch (function) {
    case MB_FC_READ_COILS: return "read coils";
    case MB_FC_READ_DISCRETE_INPUTS: return "read discrete inputs";
    case MB_FC_READ_HOLDING_REGISTERS: return "read holding registers";
    case MB_FC_READ_INPUT_REGISTERS: return "read input registers";
    case MB_FC_WRITE_SINGLE_COIL: return "write coil";
    case MB_FC_WRITE_SINGLE_REGISTER: return "write register";
    case MB_FC_WRITE_MULTIPLE_COILS: return "write coils";
    case MB_FC_WRITE_MULTIPLE_REGISTERS: return "write registers";
    case MB_FC_REPORT_SLAVE_ID: return "report slave id";
    case MB_FC_WRITE_AND_READ_REGISTERS: return "read/write registers";
    default: return nullptr;
    }
}

std::string FunctionName(int function)
{
    const char *text = FunctionText(function);
    return text != nullptr ? text : "function " + std::to_string(function);
}

// The protocol data unit (function code first) as far as it came.
struct Pdu {
    const uint8_t *data;
    size_t length;
};

// How long the protocol data unit of `function` must be, from what came of
// it: up to its byte count the least it can be, then all of it. -1 for a
// function whose layout is unknown.
long NeededPdu(Pdu pdu, bool request)
{
    const int function = pdu.data[0];
    const auto counted = [&pdu](size_t at, long fixed) {
        return pdu.length <= at ? static_cast<long>(at) + 1 : fixed + pdu.data[at];
    };
    if (!request && (function & 0x80) != 0)
        return 2;
    switch (function) {
    case MB_FC_READ_COILS:
    case MB_FC_READ_DISCRETE_INPUTS:
    case MB_FC_READ_HOLDING_REGISTERS:
    case MB_FC_READ_INPUT_REGISTERS:
        return request ? 5 : counted(1, 2);
    case MB_FC_WRITE_SINGLE_COIL:
    case MB_FC_WRITE_SINGLE_REGISTER:
        return 5;
    case MB_FC_WRITE_MULTIPLE_COILS:
    case MB_FC_WRITE_MULTIPLE_REGISTERS:
        return request ? counted(5, 6) : 5;
    case MB_FC_REPORT_SLAVE_ID:
        return request ? 1 : counted(1, 2);
    case MB_FC_WRITE_AND_READ_REGISTERS:
        return request ? counted(9, 10) : counted(1, 2);
    default:
        return -1;
    }
}

std::string Bits(const uint8_t *packed, size_t count)
{
    std::string text;
    for (size_t index = 0; index < count; ++index)
        text += (index == 0 ? "" : " ") + std::to_string((packed[index / 8] >> (index % 8)) & 1);
    return text;
}

std::string Registers(const uint8_t *bytes, size_t count)
{
    std::string text;
    for (size_t index = 0; index < count; ++index)
        text += (index == 0 ? "" : " ") + std::to_string(Word(bytes + 2 * index));
    return text;
}

std::string AddressCount(const uint8_t *fields)
{
    return "address " + std::to_string(Word(fields)) + ", count " + std::to_string(Word(fields + 2));
}

std::string CoilState(uint16_t value)
{
    if (value == 0xFF00)
        return "on";
    return value == 0 ? "off" : "value " + std::to_string(value) + " (neither on nor off)";
}

// The words of a whole request's protocol data unit.
std::string RequestText(Pdu pdu)
{
    const uint8_t *p = pdu.data;
    const std::string name = FunctionName(p[0]);
    switch (p[0]) {
    case MB_FC_READ_COILS:
    case MB_FC_READ_DISCRETE_INPUTS:
    case MB_FC_READ_HOLDING_REGISTERS:
    case MB_FC_READ_INPUT_REGISTERS:
        return name + ", " + AddressCount(p + 1);
    case MB_FC_WRITE_SINGLE_COIL:
        return name + ", address " + std::to_string(Word(p + 1)) + ", " + CoilState(Word(p + 3));
    case MB_FC_WRITE_SINGLE_REGISTER:
        return name + ", address " + std::to_string(Word(p + 1)) + ", value " + std::to_string(Word(p + 3));
    case MB_FC_WRITE_MULTIPLE_COILS: {
        const size_t count = std::min<size_t>(Word(p + 3), 8u * p[5]);
        return name + ", " + AddressCount(p + 1) + ": " + Bits(p + 6, count);
    }
    case MB_FC_WRITE_MULTIPLE_REGISTERS:
        return name + ", " + AddressCount(p + 1) + ": " + Registers(p + 6, p[5] / 2u);
    case MB_FC_REPORT_SLAVE_ID:
        return name;
    case MB_FC_WRITE_AND_READ_REGISTERS:
        return name + ", read " + AddressCount(p + 1) + ", write " + AddressCount(p + 5) + ": " +
               Registers(p + 10, p[9] / 2u);
    default:
        return name + ", " + std::to_string(pdu.length - 1) + " data bytes";
    }
}

// The request an answer goes with, when it is whole and of the same unit
// and function.
struct Asked {
    bool known = false;
    int address = 0;
    int count = 0;
};

std::string CountNote(int received, const Asked &asked)
{
    return asked.known && asked.count != received ? "; " + std::to_string(asked.count) + " asked" : "";
}

std::string ReadAnswerText(Pdu pdu, const Asked &asked, bool bits, FrameDescription &description)
{
    const uint8_t *p = pdu.data;
    const std::string name = FunctionName(p[0]);
    const std::string where = asked.known ? ", address " + std::to_string(asked.address) : "";
    if (bits) {
        const size_t available = 8u * p[1];
        if (!asked.known)
            return name + ", " + std::to_string(p[1]) + (p[1] == 1 ? " byte: " : " bytes: ") + Bits(p + 2, available);
        const size_t count = std::min<size_t>(static_cast<size_t>(asked.count), available);
        const bool fits = (static_cast<size_t>(asked.count) + 7) / 8 == p[1];
        return name + where + ", count " + std::to_string(count) + ": " + Bits(p + 2, count) +
               (fits ? "" : "; " + std::to_string(asked.count) + " asked");
    }
    if (p[1] % 2 != 0) {
        description.shape = Shape::Malformed;
        return name + ": malformed (odd byte count " + std::to_string(p[1]) + ")";
    }
    const int count = p[1] / 2;
    return name + where + ", count " + std::to_string(count) + ": " + Registers(p + 2, static_cast<size_t>(count)) +
           CountNote(count, asked);
}

// The words of a whole answer's protocol data unit.
std::string AnswerText(Pdu pdu, const Asked &asked, FrameDescription &description)
{
    const uint8_t *p = pdu.data;
    if ((p[0] & 0x80) != 0) {
        description.exception = p[1];
        return FunctionName(p[0] & 0x7F) + ": exception " + std::to_string(p[1]) + ", " + ExceptionName(p[1]);
    }
    const std::string name = FunctionName(p[0]);
    switch (p[0]) {
    case MB_FC_READ_COILS:
    case MB_FC_READ_DISCRETE_INPUTS:
        return ReadAnswerText(pdu, asked, true, description);
    case MB_FC_READ_HOLDING_REGISTERS:
    case MB_FC_READ_INPUT_REGISTERS:
    case MB_FC_WRITE_AND_READ_REGISTERS:
        return ReadAnswerText(pdu, asked, false, description);
    case MB_FC_WRITE_SINGLE_COIL:
    case MB_FC_WRITE_SINGLE_REGISTER:
        return RequestText(pdu);
    case MB_FC_WRITE_MULTIPLE_COILS:
    case MB_FC_WRITE_MULTIPLE_REGISTERS:
        return name + ", " + AddressCount(p + 1);
    case MB_FC_REPORT_SLAVE_ID:
        return name + ", " + std::to_string(p[1]) + (p[1] == 1 ? " byte" : " bytes");
    default:
        return name + ", " + std::to_string(pdu.length - 1) + " data bytes";
    }
}

std::string ByteCount(size_t count)
{
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

// The unit id and protocol data unit of a frame (RTU: without the CRC,
// Modbus TCP: without the first 6 header bytes), after the checks of its
// framing. `whole` is false when the description is already complete.
struct Body {
    const uint8_t *data = nullptr;
    size_t length = 0;
    bool whole = false;
};

// Names the function (when it came) and says how the frame falls short.
void Flaw(FrameDescription &description, Shape shape, const std::string &detail)
{
    description.shape = shape;
    const std::string word = shape == Shape::CutShort ? "cut short" : "malformed";
    description.text = (description.function >= 0 ? FunctionName(description.function) + ": " : "") + word + " (" +
                       detail + ")";
}

// Checks the length the function calls for (`needed`, -1 when unknown)
// against the `available` bytes of protocol data unit; `overhead` is the
// framing's bytes around it.
bool LengthFits(FrameDescription &description, long needed, size_t available, size_t overhead, bool mbap)
{
    if (needed < 0 || static_cast<size_t>(needed) == available)
        return true;
    const size_t expected = static_cast<size_t>(needed) + overhead;
    const size_t length = available + overhead;
    // In Modbus TCP the header gave the length: a function that wants more
    // is a frame that does not hold together, not one that stopped coming.
    if (static_cast<size_t>(needed) > available && !mbap)
        Flaw(description, Shape::CutShort, std::to_string(length) + " of " + ByteCount(expected));
    else
        Flaw(description, Shape::Malformed, ByteCount(length) + ", " + std::to_string(expected) + " expected");
    return false;
}

Body RtuBody(FrameBytes frame, bool request, FrameDescription &description)
{
    const uint8_t *f = frame.data;
    if (frame.length >= 1)
        description.unit = f[0];
    if (frame.length >= 2)
        description.function = f[1] & 0x7F;
    if (frame.length < 2 + MB_RTU_CHECKSUM_LENGTH) {
        Flaw(description, Shape::CutShort, ByteCount(frame.length));
        return {};
    }
    const size_t bodyLength = frame.length - MB_RTU_CHECKSUM_LENGTH;
    // The count byte may sit where the CRC of a shorter frame would: the
    // length is read from all that came.
    const long needed = NeededPdu({f + 1, frame.length - 1}, request);
    if (!LengthFits(description, needed, bodyLength - 1, 1 + MB_RTU_CHECKSUM_LENGTH, false))
        return {};
    const uint16_t crc = static_cast<uint16_t>(f[frame.length - 2] | f[frame.length - 1] << 8);
    description.crcBad = crc != mb_rtu_crc16(f, bodyLength);
    return {f, bodyLength, true};
}

Body MbapBody(FrameBytes frame, bool request, FrameDescription &description)
{
    const uint8_t *f = frame.data;
    if (frame.length >= 2)
        description.transaction = Word(f);
    if (frame.length >= MB_MBAP_HEADER_LENGTH)
        description.unit = f[6];
    if (frame.length > MB_MBAP_HEADER_LENGTH)
        description.function = f[7] & 0x7F;
    if (frame.length < MB_MBAP_HEADER_LENGTH + 1) {
        Flaw(description, Shape::CutShort, ByteCount(frame.length));
        return {};
    }
    if (Word(f + 2) != 0) {
        Flaw(description, Shape::Malformed, "protocol id " + std::to_string(Word(f + 2)));
        return {};
    }
    const size_t follows = Word(f + 4);
    if (follows < MB_MBAP_MIN_LENGTH || follows > MB_MBAP_MAX_LENGTH) {
        Flaw(description, Shape::Malformed, "length field " + std::to_string(follows));
        return {};
    }
    const size_t expected = MB_MBAP_PREFIX_LENGTH + follows;
    if (frame.length != expected) {
        Flaw(description, frame.length < expected ? Shape::CutShort : Shape::Malformed,
             frame.length < expected ? std::to_string(frame.length) + " of " + ByteCount(expected)
                                     : ByteCount(frame.length) + ", " + std::to_string(expected) + " expected");
        return {};
    }
    const long needed = NeededPdu({f + MB_MBAP_HEADER_LENGTH, follows - 1}, request);
    if (!LengthFits(description, needed, follows - 1, MB_MBAP_HEADER_LENGTH, true))
        return {};
    return {f + MB_MBAP_PREFIX_LENGTH, follows, true};
}

Body BodyOf(FrameBytes frame, int framing, bool request, FrameDescription &description)
{
    return framing == MB_FRAMING_TCP ? MbapBody(frame, request, description)
                                     : RtuBody(frame, request, description);
}

void NoteCrc(FrameDescription &description)
{
    if (description.crcBad)
        description.text += "; CRC bad";
}

} // namespace

FrameDescription DescribeRequest(FrameBytes frame, int framing)
{
    FrameDescription description;
    const Body body = BodyOf(frame, framing, true, description);
    if (!body.whole)
        return description;
    description.text = RequestText({body.data + 1, body.length - 1});
    NoteCrc(description);
    return description;
}

FrameDescription DescribeAnswer(FrameBytes frame, int framing, FrameBytes request)
{
    FrameDescription description;
    const Body body = BodyOf(frame, framing, false, description);
    if (!body.whole)
        return description;
    Asked asked;
    bool foreign = false;
    if (request.data != nullptr) {
        FrameDescription ignored;
        const Body asking = BodyOf(request, framing, true, ignored);
        foreign = !asking.whole || asking.data[0] != body.data[0] || asking.data[1] != (body.data[1] & 0x7F) ||
                  ignored.transaction != description.transaction;
        if (!foreign && asking.length >= 6) {
            asked.known = true;
            asked.address = Word(asking.data + 2);
            asked.count = Word(asking.data + 4);
        }
    }
    description.text = AnswerText({body.data + 1, body.length - 1}, asked, description);
    if (foreign && description.shape == Shape::Whole)
        description.text += "; not an answer to the request";
    NoteCrc(description);
    return description;
}

std::string DescriptionLine(const FrameDescription &description)
{
    std::string line;
    if (description.transaction >= 0)
        line = "transaction " + std::to_string(description.transaction);
    if (description.unit >= 0)
        line += (line.empty() ? "" : ", ") + std::string("unit ") + std::to_string(description.unit);
    return line.empty() ? description.text : line + ": " + description.text;
}

std::string ExceptionName(int code)
{
    const bool known = code >= 1 && code <= 11 && code != 9;
    return known ? mb_strerror(MB_ERROR_BASE + code) : "unknown exception";
}
