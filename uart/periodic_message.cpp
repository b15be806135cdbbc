#include "uart/periodic_message.h"

#include <algorithm>

namespace {

constexpr size_t kCounterSize = 2;

} // namespace

std::vector<uint8_t> PadMessage(const std::vector<uint8_t> &message, int totalSize)
{
    if (totalSize < 1 || static_cast<size_t>(totalSize) <= message.size())
        return message;
    std::vector<uint8_t> padded(static_cast<size_t>(totalSize));
    for (size_t position = 0; position < padded.size(); ++position)
        padded[position] = position < message.size() ? message[position] : static_cast<uint8_t>(position % 256);
    return padded;
}

PeriodicMessage MakePeriodicMessage(const std::vector<uint8_t> &bytes, size_t endingSize, int totalSize)
{
    const size_t ending = std::min(endingSize, bytes.size());
    return {PadMessage(bytes, totalSize), bytes.size() - ending, ending};
}

std::vector<uint8_t> WithCounter(const PeriodicMessage &message, uint16_t counter)
{
    const std::vector<uint8_t> &bytes = message.bytes;
    const size_t textEnd = std::min(message.textSize, bytes.size());
    const size_t paddingStart = std::min(textEnd + message.endingSize, bytes.size());
    const size_t fromPadding = std::min(kCounterSize, bytes.size() - paddingStart);
    const size_t fromText = std::min(kCounterSize - fromPadding, textEnd);
    std::vector<uint8_t> framed{static_cast<uint8_t>(counter >> 8), static_cast<uint8_t>(counter & 0xFFU)};
    framed.insert(framed.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(textEnd - fromText));
    framed.insert(framed.end(), bytes.begin() + static_cast<std::ptrdiff_t>(textEnd),
                  bytes.end() - static_cast<std::ptrdiff_t>(fromPadding));
    return framed;
}
