// Drives the UART panel of the one main window the way a user does, for the
// UART tests: clicks, connecting to a loopback peer, waiting for received
// data to be shown.
#ifndef ORV_TESTS_UART_PANEL_DRIVER_H
#define ORV_TESTS_UART_PANEL_DRIVER_H

#include "tests/support/gui_test.h"
#include "tests/support/loopback.h"
#include "uart/terminal_panel.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace uart_testing {

using testing_support::Fd;
using testing_support::Millis;

TerminalPanel *Panel();

// Brings the panel back to its start state: disconnected, parameters not
// set, views empty, ASCII everywhere, check boxes off, 1 s connect time-out.
void ResetPanel();

void Click(int id);
void SetChecked(wxCheckBox *box, bool checked);
void SelectReadType(int notation);
void SelectTransmissionType(int notation);

// Clicks connect with the given parameters; the boxes shown on the way are
// left in `boxes`.
void ConnectClick(testing_support::ModalRecorder &boxes);

// A panel connected to a loopback listener, with the accepted peer.
class Connected {
public:
    Connected();
    ~Connected();
    int Peer() const { return m_peer.Get(); }
    void Send(const std::string &bytes);
    // Sends the bytes and waits until the panel shows all of them.
    void SendAndShow(const std::string &bytes);
    testing_support::LoopbackListener &Listener() { return m_listener; }
    Fd &PeerFd() { return m_peer; }

private:
    testing_support::LoopbackListener m_listener;
    Fd m_peer;
};

bool WaitShown(uint64_t bytes, Millis timeout = Millis(5000));
wxString ViewText(int notation);
// True when the bitmap shows the picture of the JPEG file.
bool ShowsImage(const wxBitmap &shown, const char *file);
// Open descriptors of this process.
int OpenDescriptors();

} // namespace uart_testing

#endif
