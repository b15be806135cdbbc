// The bytes of periodic sending: padding to a total size, and the 16-bit
// message counter that replaces the first bytes of each message.
#ifndef ORV_UART_PERIODIC_MESSAGE_H
#define ORV_UART_PERIODIC_MESSAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The message padded to `totalSize` bytes, where the byte at position p is
// p modulo 256. A total size below 1 leaves the message as it is; one smaller
// than the message sends the message whole and unpadded.
std::vector<uint8_t> PadMessage(const std::vector<uint8_t> &message, int totalSize);

// The message as sent in counter mode: the counter, high byte first, followed
// by all but the last two bytes of the message, so the length stays the same.
// A message shorter than two bytes goes out as the two counter bytes alone.
std::vector<uint8_t> WithCounter(const std::vector<uint8_t> &message, uint16_t counter);

// Counter values of successive messages: 1, 2, ..., 65535, 0, 1, ...
class MessageCounter {
public:
    uint16_t Value() const { return m_value; }
    void Advance() { m_value = static_cast<uint16_t>(m_value + 1); }

private:
    uint16_t m_value = 1;
};

#endif
