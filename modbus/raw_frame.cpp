#include "modbus/raw_frame.h"

#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_mbap.h"
#include "library/modbus_lib/modbus_rtu.h"

#include <algorithm>
#include <cctype>
#include <sstream>

std::string ParseHexBytes(const std::vector<std::string> &words, std::vector<uint8_t> &bytes)
{
    bytes.clear();
    std::vector<std::string> split; // "01 03" in one argument, as copied from a trace
    for (const std::string &argument : words) {
        std::istringstream stream(argument);
        for (std::string word; stream >> word;)
            split.push_back(word);
    }
    for (const std::string &word : split) {
        const bool prefixed = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
        const std::string digits = prefixed ? word.substr(2) : word;
        const bool hex = std::all_of(digits.begin(), digits.end(),
                                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
        if (digits.empty() || digits.size() % 2 != 0 || !hex || (prefixed && digits.size() != 2))
            return "raw bytes are pairs of hex digits such as 01 03, not '" + word + "'";
        for (size_t at = 0; at < digits.size(); at += 2)
            bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(at, 2), nullptr, 16)));
    }
    return "";
}

std::string ParseRawFrame(const std::vector<std::string> &words, bool asIs, int framing, std::vector<uint8_t> &frame)
{
    const std::string refusal = ParseHexBytes(words, frame);
    if (!refusal.empty())
        return refusal;
    // Unit id and protocol data unit, or a whole frame of the framing.
    const int least = asIs && framing == MB_FRAMING_RTU ? 1 : 2;
    const int most = !asIs ? MB_RTU_MAX_ADU_LENGTH - MB_RTU_CHECKSUM_LENGTH
                     : framing == MB_FRAMING_TCP ? MB_MBAP_MAX_ADU_LENGTH
                                                 : MB_RTU_MAX_ADU_LENGTH;
    const int count = static_cast<int>(frame.size());
    if (count < least || count > most)
        return std::string("a raw frame") + (asIs ? " sent as is" : "") + " takes " + std::to_string(least) + " to " +
               std::to_string(most) + " bytes, got " + std::to_string(count);
    return "";
}
