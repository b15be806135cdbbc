// The modeless dialog that asks for the module's IP address, the TCP port and
// the terminal type (or, for a UART terminal over a serial port, the device
// and its line), and hands valid values to MainWindow::ApplyConnection.
// It is destroyed once confirmed or closed.
#ifndef ORV_APP_NEW_DIALOG_H
#define ORV_APP_NEW_DIALOG_H

#include "app/serial_link_rows.h"
#include "uart/link_endpoint.h"

#include <memory>
#include <wx/dialog.h>
#include <wx/string.h>

class wxButton;
class wxCloseEvent;
class wxComboBox;
class wxCommandEvent;
class wxIPCtrl;
class wxStaticText;
class wxTextCtrl;

// Offered at start-up, from the menu, and by the panels while their
// parameters read "not set".
constexpr const char *kDefaultModuleIp = "192.168.100.10";
constexpr const char *kDefaultModulePort = "65100";
// What the error labels beside the IP and port entries show.
constexpr const char *kInvalidIpText = "Invalid IP";
constexpr const char *kInvalidPortText = "Invalid Port";
constexpr const char *kInvalidTimeoutText = "Invalid Time-out";
constexpr const char *kInvalidAddressText = "Invalid Address";

class NewDialog : public wxDialog {
public:
    enum { ID_PORT = 3501 };

    // Shows itself, non-modal, over its parent at the end of construction.
    NewDialog(wxWindow *parent, wxWindowID id, const wxString &title, const wxPoint &position, const wxSize &size,
              long style);
    ~NewDialog() override;

    void SetValues(const wxString &ip, const wxString &port);
    // 0 for UART, 1 for MODBUS.
    void SetTerminalType(int terminalType);
    // MB_FRAMING_RTU (0, "RTU over TCP") or MB_FRAMING_TCP (1, "Modbus TCP");
    // a MODBUS connection's only.
    void SetFraming(int framing);
    // The response time-out of a MODBUS connection, in milliseconds.
    void SetResponseTimeout(int milliseconds);
    // A UART connection's link: its mode, a server's listen address (empty:
    // every local address) and UDP's local port (0: the module's port).
    void SetLink(LinkMode mode, const std::string &listenAddress, uint16_t localPort);
    // A serial link's device and line settings (the first device listed
    // when `device` is empty).
    void SetSerial(const std::string &device, const SerialSettings &settings);
    void OnTerminalTypeChosen(wxCommandEvent &event);
    void OnLinkModeChosen(wxCommandEvent &event);
    // Checks the values and, when they are valid, hands them on and closes
    // the dialog for good (it is destroyed); true then.
    bool Confirm();
    void OnOk(wxCommandEvent &event);
    void OnCancel(wxCommandEvent &event);
    void OnClose(wxCloseEvent &event);

    // The IP control's parts are children of this dialog; the object that
    // groups them is owned here.
    std::unique_ptr<wxIPCtrl> m_ipCtrl;
    wxTextCtrl *m_portText = nullptr;
    wxStaticText *m_ipError = nullptr;
    wxStaticText *m_portError = nullptr;
    wxComboBox *m_terminalType = nullptr;
    wxComboBox *m_framing = nullptr;
    wxTextCtrl *m_timeoutText = nullptr;
    wxStaticText *m_timeoutError = nullptr;
    // A UART connection has the link rows where a Modbus one has the
    // framing and the time-out.
    wxStaticText *m_framingLabel = nullptr;
    wxStaticText *m_timeoutLabel = nullptr;
    wxStaticText *m_linkLabel = nullptr;
    wxComboBox *m_linkMode = nullptr;
    wxStaticText *m_linkFieldLabel = nullptr;
    wxTextCtrl *m_listenAddressText = nullptr;
    wxTextCtrl *m_localPortText = nullptr;
    wxStaticText *m_linkFieldError = nullptr;
    // A serial link's rows, in place of the IP and port.
    std::unique_ptr<SerialLinkRows> m_serialRows;

private:
    // Shows the rows of the chosen terminal type and link mode.
    void ShowRows();
    // Checks the link's own fields into `link`; false, with the error label
    // set, when one is invalid.
    bool ReadLinkFields(LinkEndpoint &link);
    // Confirm's part for a serial link, whose rows stand for the IP and port.
    bool ConfirmSerial(LinkEndpoint &link);
    // The IP and port rows, which a serial link does without.
    void ShowNetworkRows(bool shown);

    wxStaticText *m_ipCaption = nullptr;
    wxStaticText *m_portCaption = nullptr;
    wxButton *m_okButton = nullptr;
    wxButton *m_cancelButton = nullptr;
    // The serial rows take one row more than the network ones: the buttons'
    // row under them, and how much larger the dialog is with them.
    int m_serialButtonsY = 0;
    wxSize m_serialGrowth;
    bool m_serialLayout = false;
};

#endif
