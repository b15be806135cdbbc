// Drives the UART panel of the one main window the way a user does, for the
// UART tests: clicks, connecting to a loopback peer, waiting for received
// data to be shown. It uses the panel's public interface and its controls'
// ids, nothing else.
#ifndef ORV_TESTS_UART_PANEL_DRIVER_H
#define ORV_TESTS_UART_PANEL_DRIVER_H

#include "tests/support/gui_test.h"
#include "tests/support/loopback.h"
#include "tests/uart/uart_panel_controls.h"
#include "uart/terminal_panel.h"

#include <cstdint>
#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <sys/types.h>
#include <wx/datetime.h>

namespace uart_testing {

using testing_support::Fd;
using testing_support::Millis;

TerminalPanel *Panel();
const UartLink &Link();
PanelControls Controls();
wxBitmapButton *PeriodicButton();

// Brings the panel back to its start state: no periodic sending, message
// list empty, no rules, disconnected, parameters not set, views empty with
// their usual limits, ASCII everywhere, check boxes off and fields empty, no
// media file, 1 s connect time-out.
void ResetPanel();

void Click(int id);
// Checks or unchecks the box of that id as a click does.
void SetChecked(int id, bool checked);
void SelectReadType(int notation);
void SelectTransmissionType(int notation);

// Gives the panel a TCP client's connection parameters, as the dialog does.
void SetParameters(const std::string &ip, uint16_t port);

// Chooses `notation` as transmission type, types `text` into its entry and
// adds it with Enter, or with the add button.
void AddMessage(int notation, const wxString &text, bool withButton = false);
// A key typed in the entry of the current transmission type, with Ctrl held
// when `control`.
void PressKey(int key, bool control = false);
// Clicks the periodic-send button as it is now (start or stop face).
void ClickPeriodicButton();
// Clicks the "Send periodically every" check box.
void ClickPeriodicCheck();

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
    // Sends one small chunk and lets the panel take it over from the receive
    // thread without running the event loop: it waits for the display timer.
    void SendAndStage(const std::string &bytes);
    testing_support::LoopbackListener &Listener() { return m_listener; }
    Fd &PeerFd() { return m_peer; }

private:
    testing_support::LoopbackListener m_listener;
    Fd m_peer;
};

// A serial line behind the module: socat bridges a loopback TCP port to a
// pseudo terminal, the device's end of the line.
class SerialBridge {
public:
    SerialBridge();
    ~SerialBridge();
    SerialBridge(const SerialBridge &) = delete;
    SerialBridge &operator=(const SerialBridge &) = delete;
    // Waits for socat's "listening on" line (probing by connecting would use
    // up its single accept).
    bool Ready();
    uint16_t Port() const { return m_port; }
    // The path of the pseudo terminal.
    const std::string &Link() const { return m_link; }

private:
    std::string m_dir;
    std::string m_link;
    uint16_t m_port = 0;
    pid_t m_pid = -1;
    Fd m_errors;
};

// The pseudo terminal is no socket: plain write() and read(), bounded.
bool WriteToDevice(int fd, const std::string &bytes);
std::string ReadFromDevice(int fd, size_t count, Millis timeout = Millis(5000));

bool WaitShown(uint64_t bytes, Millis timeout = Millis(5000));
// What the frame's status bar says about the link.
wxString LinkStatusShown();
wxString ViewText(int notation);
// The panel's timestamp of a moment, built with the C library: the local
// time in "%c".
wxString LocalStamp(std::time_t at);
// The text with every timestamp of the time since `since` taken out.
wxString Unstamped(wxString text, const wxDateTime &since);
// True when the bitmap shows the picture of the JPEG file.
bool ShowsImage(const wxBitmap &shown, const char *file);

} // namespace uart_testing

#endif
