#include "app/startup_target.h"

#include "app/ip_address.h"
#include "library/modbus_lib/modbus.h"

namespace startup_target {

bool IsHost(const std::string &text)
{
    ip_address::FieldTexts fields;
    size_t start = 0;
    for (size_t index = 0; index < fields.size(); ++index) {
        const size_t dot = index + 1 < fields.size() ? text.find('.', start) : text.size();
        if (dot == std::string::npos)
            return false;
        fields[index] = text.substr(start, dot - start);
        start = dot + 1;
    }
    // A fifth field would have stayed in the last one, with its dot.
    return ip_address::FieldsFormAddress(fields);
}

bool SplitHostPort(const std::string &text, const std::string &defaultPort, std::string &ip, std::string &port)
{
    const size_t colon = text.find(':');
    const std::string host = text.substr(0, colon);
    const std::string portText = colon == std::string::npos ? defaultPort : text.substr(colon + 1);
    if (!IsHost(host) || !ip_address::IsPortText(portText))
        return false;
    ip = host;
    port = portText;
    return true;
}

bool ParseFraming(const std::string &text, int &framing)
{
    if (text != "rtu" && text != "tcp")
        return false;
    framing = text == "tcp" ? MB_FRAMING_TCP : MB_FRAMING_RTU;
    return true;
}

} // namespace startup_target
