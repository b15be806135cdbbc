#include "uart/periodic_message.h"

#include <algorithm>

std::vector<uint8_t> PadMessage(const std::vector<uint8_t> &message, int totalSize)
{
    if (totalSize < 1 || static_cast<size_t>(totalSize) <= message.size())
        return message;
    std::vector<uint8_t> padded(static_cast<size_t>(totalSize));
    for (size_t position = 0; position < padded.size(); ++position)
        padded[position] = position < message.size() ? message[position] : static_cast<uint8_t>(position % 256);
    return padded;
}

std::vector<uint8_t> WithCounter(const std::vector<uint8_t> &message, uint16_t counter)
{
    std::vector<uint8_t> framed(message.size() > 2 ? message.size() : 2);
    framed[0] = static_cast<uint8_t>(counter >> 8);
    framed[1] = static_cast<uint8_t>(counter & 0xFFU);
    if (message.size() > 2)
        std::copy(message.begin(), message.end() - 2, framed.begin() + 2);
    return framed;
}
