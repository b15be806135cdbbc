#include "uart/link_status.h"

std::string LinkStatusText(const LinkStatus &status)
{
    switch (status.state) {
    case LinkState::Connected:
        return "Connected to " + status.host + ":" + std::to_string(status.port);
    case LinkState::ClosedByModule:
        return "Closed by the module at " + status.endedAt;
    case LinkState::Lost:
        return "Connection lost at " + status.endedAt + ": " + status.reason;
    case LinkState::NotConnected:
        break;
    }
    return "Not connected";
}
