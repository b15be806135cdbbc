// The connection dialog's rows for a serial link: the device and its rate
// where a network link has its IP and port, and the line's frame (data
// bits, parity, stop bits, flow control) in two rows under the link mode.
#ifndef ORV_APP_SERIAL_LINK_ROWS_H
#define ORV_APP_SERIAL_LINK_ROWS_H

#include "uart/link_endpoint.h"

#include <string>
#include <vector>
#include <wx/gdicmn.h>

class wxComboBox;
class wxStaticText;
class wxWindow;

// What the error labels beside the device and the rate show.
constexpr const char *kInvalidDeviceText = "Invalid Device";
constexpr const char *kInvalidBaudText = "Invalid Baud Rate";

class SerialLinkRows {
public:
    // Builds the rows on `dialog`, hidden, at the design's rows: the device
    // at `deviceY`, the rate at `baudY`, the frame from `frameY` down. The
    // device list offers the serial devices present now.
    SerialLinkRows(wxWindow *dialog, int deviceY, int baudY, int frameY);

    void Show(bool shown);
    // 115200 8N1 without flow control until set.
    void Set(const std::string &device, const SerialSettings &settings);
    // Checks the device (any path typed) and the rate (any positive whole
    // number) into `link`; false, with the error labels set, when one is
    // invalid.
    bool Read(LinkEndpoint &link);
    // Once the controls have their toolkit sizes: the frame's second row
    // under its first, both columns aligned, the error labels beside their
    // fields. Returns the box that holds every row.
    wxRect Arrange();

    wxComboBox *device = nullptr;
    wxComboBox *baud = nullptr;
    wxStaticText *deviceError = nullptr;
    wxStaticText *baudError = nullptr;
    wxComboBox *dataBits = nullptr;
    wxComboBox *parity = nullptr;
    wxComboBox *stopBits = nullptr;
    wxComboBox *flow = nullptr;

private:
    std::vector<wxWindow *> Windows() const;

    const int m_frameY;
    std::vector<wxStaticText *> m_captions;
};

#endif
