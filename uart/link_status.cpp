#include "uart/link_status.h"

#include <cstdio>
#include <initializer_list>

namespace {

std::string StateText(const LinkStatus &status)
{
    switch (status.state) {
    case LinkState::Connected:
        switch (status.mode) {
        case LinkMode::TcpServer:
            return status.peer.empty() ? "Listening on port " + std::to_string(status.port)
                                       : "Connected from " + status.peer;
        case LinkMode::Udp:
            return "UDP to " + status.host + ":" + std::to_string(status.port) + ", receiving on port " +
                   std::to_string(status.localPort);
        case LinkMode::Serial:
            return "Connected to " + status.host + " (" + status.lineSettings + ")";
        case LinkMode::TcpClient:
            break;
        }
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

} // namespace

std::string LinkStatusText(const LinkStatus &status)
{
    // Reconnecting comes first, where a narrow status bar still shows it.
    std::string text = status.reconnecting ? "Reconnecting every 2 s | " + StateText(status) : StateText(status);
    if (status.state != LinkState::NotConnected)
        text += " | RX " + ByteCountText(status.rxBytes) + ", TX " + ByteCountText(status.txBytes);
    if (!status.refused.empty())
        text += " | Refused " + status.refused;
    if (status.dropped > 0)
        text += " | Dropped " + std::to_string(status.dropped) + (status.dropped == 1 ? " datagram" : " datagrams") +
                " from other addresses";
    if (!status.logPath.empty())
        text += " | Log " + status.logPath + " (" + ByteCountText(status.logBytes) + ")";
    return text;
}

std::string ByteCountText(uint64_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + " B";
    const char *unit = "KB";
    double value = static_cast<double>(bytes) / 1024;
    for (const char *larger : {"MB", "GB"}) {
        if (value < 1024)
            break;
        value /= 1024;
        unit = larger;
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f %s", value, unit);
    return text;
}
