// What a Modbus frame says, in words, for the traffic views and traces:
// "unit 1: read holding registers, address 0, count 2: 4660 22136". Pure
// functions over the bytes as they went over the connection, in either
// framing; a frame that came only in part, or does not hold together, is
// described as far as it goes and called "cut short" or "malformed".
#ifndef ORV_MODBUS_FRAME_DESCRIPTION_H
#define ORV_MODBUS_FRAME_DESCRIPTION_H

#include <cstddef>
#include <cstdint>
#include <string>

// A frame as sent or received: with its CRC (RTU over TCP) or its MBAP
// header (Modbus TCP).
struct FrameBytes {
    const uint8_t *data = nullptr;
    size_t length = 0;
};

struct FrameDescription {
    enum class Shape { Whole, CutShort, Malformed };
    Shape shape = Shape::Whole;
    int transaction = -1; // Modbus TCP only
    int unit = -1;        // -1 when not even that came
    int function = -1;    // without the exception bit
    int exception = 0;    // the code of an exception answer, else 0
    bool crcBad = false;  // RTU: the frame is whole but its CRC is not its own
    // What the frame says, without transaction and unit: "read coils,
    // address 0, count 4: 1 0 0 1", "read holding registers: exception 2,
    // Illegal data address", ending in "; CRC bad" where it is.
    std::string text;
};

// `framing` is MB_FRAMING_RTU or MB_FRAMING_TCP.
FrameDescription DescribeRequest(FrameBytes frame, int framing);
// An answer; `request` is the frame it answers, when known: it gives the
// address and the number of bits asked for, which the answer lacks, and a
// note when the answer is another unit's or function's.
FrameDescription DescribeAnswer(FrameBytes frame, int framing, FrameBytes request = {});

// "transaction 1, unit 1: read ..." (transaction for Modbus TCP only).
std::string DescriptionLine(const FrameDescription &description);

// The protocol's name of an exception code ("Illegal data address"), or
// "unknown exception".
std::string ExceptionName(int code);

#endif
