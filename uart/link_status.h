// The state of the UART terminal's link as the frame's status bar says it.
// One plain function builds the text, so that what the field shows is
// decided in one place.
#ifndef ORV_UART_LINK_STATUS_H
#define ORV_UART_LINK_STATUS_H

#include <string>

enum class LinkState { NotConnected, Connected, ClosedByModule, Lost };

struct LinkStatus {
    LinkState state = LinkState::NotConnected;
    // The module's address and port while connected.
    std::string host;
    unsigned port = 0;
    // When the link ended (the panel's timestamp), and why it was lost.
    std::string endedAt;
    std::string reason;
};

// "Not connected", "Connected to HOST:PORT", "Closed by the module at TIME"
// or "Connection lost at TIME: REASON".
std::string LinkStatusText(const LinkStatus &status);

#endif
