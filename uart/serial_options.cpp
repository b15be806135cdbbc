#include "uart/serial_options.h"

#include <iterator>
#include <limits>

namespace {

constexpr const char *kParityNames[] = {"none", "odd", "even", "mark", "space"};
constexpr char kParityLetters[] = {'N', 'O', 'E', 'M', 'S'};
constexpr const char *kFlowNames[] = {"none", "rtscts", "xonxoff"};
constexpr const char *kFlowTexts[] = {"", " RTS/CTS", " XON/XOFF"};

std::optional<uint64_t> DigitsValue(const std::string &text, size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    uint64_t value = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(digit - '0');
    }
    return value;
}

std::optional<int> IntInRange(const std::string &text, int least, int most)
{
    const std::optional<uint64_t> value = DigitsValue(text, 1);
    if (!value || *value < static_cast<uint64_t>(least) || *value > static_cast<uint64_t>(most))
        return std::nullopt;
    return static_cast<int>(*value);
}

} // namespace

const std::vector<uint32_t> &StandardBaudRates()
{
    static const std::vector<uint32_t> rates = {
        300,    600,    1200,    2400,    4800,    9600,    19200,   38400,   57600,   115200,  230400,  460800,
        500000, 576000, 921600, 1000000, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};
    return rates;
}

std::optional<uint32_t> BaudOfText(const std::string &text)
{
    const std::optional<uint64_t> value = DigitsValue(text, 10);
    if (!value || *value == 0 || *value > std::numeric_limits<uint32_t>::max())
        return std::nullopt;
    return static_cast<uint32_t>(*value);
}

std::optional<int> DataBitsOfText(const std::string &text)
{
    return IntInRange(text, 5, 8);
}

std::optional<int> StopBitsOfText(const std::string &text)
{
    return IntInRange(text, 1, 2);
}

const char *SerialParityName(SerialParity parity)
{
    return kParityNames[static_cast<int>(parity)];
}

std::optional<SerialParity> SerialParityOfName(const std::string &name)
{
    for (int index = 0; index < static_cast<int>(std::size(kParityNames)); ++index)
        if (name == kParityNames[index])
            return static_cast<SerialParity>(index);
    return std::nullopt;
}

const char *SerialFlowName(SerialFlow flow)
{
    return kFlowNames[static_cast<int>(flow)];
}

std::optional<SerialFlow> SerialFlowOfName(const std::string &name)
{
    for (int index = 0; index < static_cast<int>(std::size(kFlowNames)); ++index)
        if (name == kFlowNames[index])
            return static_cast<SerialFlow>(index);
    return std::nullopt;
}

std::string SerialSummary(const SerialSettings &settings)
{
    return std::to_string(settings.baud) + " " + std::to_string(settings.dataBits) +
           kParityLetters[static_cast<int>(settings.parity)] + std::to_string(settings.stopBits) +
           kFlowTexts[static_cast<int>(settings.flow)];
}
