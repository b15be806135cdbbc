// The bytes of periodic sending: padding to a total size, and the 16-bit
// message counter that goes in front of each message.
#ifndef ORV_UART_PERIODIC_MESSAGE_H
#define ORV_UART_PERIODIC_MESSAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The message padded to `totalSize` bytes, where the byte at position p is
// p modulo 256. A total size below 1 leaves the message as it is; one smaller
// than the message sends the message whole and unpadded.
std::vector<uint8_t> PadMessage(const std::vector<uint8_t> &message, int totalSize);

// A message of periodic sending: its text's bytes, then its line ending's,
// then any padding.
struct PeriodicMessage {
    std::vector<uint8_t> bytes;
    size_t textSize = 0;
    size_t endingSize = 0;
};

// The message with its ending (the last `endingSize` of `bytes`), padded.
PeriodicMessage MakePeriodicMessage(const std::vector<uint8_t> &bytes, size_t endingSize, int totalSize);

// The message as sent in counter mode: the counter, high byte first, then the
// message less two bytes, so the length stays the same. The two bytes come
// off the end of the padding, and without padding off the end of the text;
// the line ending always goes out whole, as a device that waits for it
// answers nothing else. A text shorter than two bytes with no padding goes
// out as the counter and the ending alone.
std::vector<uint8_t> WithCounter(const PeriodicMessage &message, uint16_t counter);

// Counter values of successive messages: 1, 2, ..., 65535, 0, 1, ...
class MessageCounter {
public:
    uint16_t Value() const { return m_value; }
    void Advance() { m_value = static_cast<uint16_t>(m_value + 1); }

private:
    uint16_t m_value = 1;
};

#endif
