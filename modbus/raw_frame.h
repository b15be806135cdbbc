// A raw Modbus frame as the user types it: hex bytes, checked against the
// sizes a frame may have. The window's "Raw frame" and `orv-modbus raw`
// read it the same way.
#ifndef ORV_MODBUS_RAW_FRAME_H
#define ORV_MODBUS_RAW_FRAME_H

#include <cstdint>
#include <string>
#include <vector>

// Hex bytes as typed, in one word or several ("01 03 00 00", "0x03",
// "010300"): each word two hex digits or a run of pairs. "" or the refusal.
std::string ParseHexBytes(const std::vector<std::string> &words, std::vector<uint8_t> &bytes);

// The frame to send: unit id and protocol data unit, or with `asIs` a whole
// frame of `framing` (MB_FRAMING_RTU or MB_FRAMING_TCP). "" or the refusal
// ("a raw frame takes 2 to 254 bytes, got 1").
std::string ParseRawFrame(const std::vector<std::string> &words, bool asIs, int framing, std::vector<uint8_t> &frame);

#endif
