// The state of the UART terminal's link as the frame's status bar says it.
// One plain function builds the text, so that what the field shows is
// decided in one place.
#ifndef ORV_UART_LINK_STATUS_H
#define ORV_UART_LINK_STATUS_H

#include "uart/link_endpoint.h"

#include <cstdint>
#include <string>

enum class LinkState { NotConnected, Connected, ClosedByModule, Lost };

struct LinkStatus {
    LinkState state = LinkState::NotConnected;
    // The module's address and port while connected, and the link's mode
    // with its local port (UDP); a serial link's device path and its line
    // settings ("115200 8N1").
    std::string host;
    unsigned port = 0;
    LinkMode mode = LinkMode::TcpClient;
    unsigned localPort = 0;
    std::string lineSettings;
    // A server's module as connected now, empty while it listens; the last
    // peer it refused; datagrams dropped from other addresses.
    std::string peer;
    std::string refused;
    uint64_t dropped = 0;
    // When the link ended (the panel's timestamp), and why it was lost.
    std::string endedAt;
    std::string reason;
    // Bytes received and sent since the connection was made (kept after it
    // ended, until the next one or a disconnect).
    uint64_t rxBytes = 0;
    uint64_t txBytes = 0;
    // The full path of the log being written, if any, and its size.
    std::string logPath;
    uint64_t logBytes = 0;
    // The link tries to connect again every few seconds.
    bool reconnecting = false;
};

// "Not connected", "Connected to HOST:PORT" (a server: "Listening on port
// P" or "Connected from HOST:PORT"; UDP: "UDP to HOST:PORT, receiving on
// port P"; serial: "Connected to DEVICE (115200 8N1)"), "Closed by the module at TIME" or "Connection lost at TIME:
// REASON"; once a connection was made, then " | RX n B, TX n B", then
// " | Refused HOST:PORT" after a server turned a module away and
// " | Dropped N datagrams from other addresses", and while a log runs
// " | Log PATH (SIZE)"; while the link reconnects, all that after
// "Reconnecting every 2 s | ".
std::string LinkStatusText(const LinkStatus &status);

// "512 B", "1.5 KB", "12.0 MB" (1024 steps, one decimal above bytes).
std::string ByteCountText(uint64_t bytes);

#endif
