#include "app/serial_link_rows.h"

#include "app/toolkit_fit.h"
#include "uart/serial_options.h"

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <wx/arrstr.h>
#include <wx/combobox.h>
#include <wx/stattext.h>

namespace {

constexpr int kCaptionX = 10;
constexpr int kFieldX = 150;
// A caption sits this much lower than its field, as in the other rows.
constexpr int kCaptionDrop = 2;
// The design's distance between the tops of two rows, and the least gap
// between a row and the next.
constexpr int kRowStep = 33;
constexpr int kRowGap = 6;
constexpr int kColumnGap = 15;
constexpr int kLabelGap = 10;

wxComboBox *Choice(wxWindow *parent, int x, int y, int width, const wxArrayString &choices)
{
    auto *combo =
        new wxComboBox(parent, wxID_ANY, choices[0], wxPoint(x, y), wxSize(width, -1), choices, wxCB_READONLY);
    combo->SetSelection(0);
    return combo;
}

wxArrayString Texts(std::initializer_list<const char *> texts)
{
    wxArrayString array;
    for (const char *text : texts)
        array.Add(text);
    return array;
}

int RightOf(const wxWindow *control)
{
    return control->GetPosition().x + control->GetSize().x;
}

int BottomOf(const wxWindow *control)
{
    return control->GetPosition().y + control->GetSize().y;
}

// The selection of a read-only choice whose texts are numbers from `first`.
int NumberChoice(const wxComboBox *combo, int first)
{
    return first + std::max(0, combo->GetSelection());
}

} // namespace

SerialLinkRows::SerialLinkRows(wxWindow *dialog, int deviceY, int baudY, int frameY) : m_frameY(frameY)
{
    m_captions.push_back(new wxStaticText(dialog, wxID_ANY, "Device", wxPoint(kCaptionX, deviceY + 3)));
    wxArrayString devices;
    for (const std::string &path : serial_list_ports())
        devices.Add(wxString::FromUTF8(path));
    device = new wxComboBox(dialog, wxID_ANY, devices.empty() ? wxString() : devices[0], wxPoint(kFieldX, deviceY),
                            wxSize(170, -1), devices);
    device->SetHint("/dev/ttyUSB0");
    deviceError = new wxStaticText(dialog, wxID_ANY, "", wxPoint(330, deviceY + 3));

    m_captions.push_back(new wxStaticText(dialog, wxID_ANY, "Baud rate", wxPoint(kCaptionX, baudY)));
    wxArrayString rates;
    for (const uint32_t rate : StandardBaudRates())
        rates.Add(wxString::Format("%u", rate));
    baud = new wxComboBox(dialog, wxID_ANY, "115200", wxPoint(kFieldX, baudY - 2), wxSize(110, -1), rates);
    baudError = new wxStaticText(dialog, wxID_ANY, "", wxPoint(270, baudY));

    // Both frame rows start on the first; Arrange puts the second under it
    // once the toolkit has given the fields their heights.
    m_captions.push_back(new wxStaticText(dialog, wxID_ANY, "Data bits", wxPoint(kCaptionX, frameY + kCaptionDrop)));
    dataBits = Choice(dialog, kFieldX, frameY, 60, Texts({"5", "6", "7", "8"}));
    m_captions.push_back(new wxStaticText(dialog, wxID_ANY, "Parity", wxPoint(225, frameY + kCaptionDrop)));
    parity = Choice(dialog, 280, frameY, 90, Texts({"None", "Odd", "Even", "Mark", "Space"}));
    m_captions.push_back(new wxStaticText(dialog, wxID_ANY, "Stop bits", wxPoint(kCaptionX, frameY + kCaptionDrop)));
    stopBits = Choice(dialog, kFieldX, frameY, 60, Texts({"1", "2"}));
    m_captions.push_back(new wxStaticText(dialog, wxID_ANY, "Flow control", wxPoint(225, frameY + kCaptionDrop)));
    flow = Choice(dialog, 280, frameY, 90, Texts({"None", "RTS/CTS", "XON/XOFF"}));
    Set(std::string(), SerialSettings());
    Show(false);
}

std::vector<wxWindow *> SerialLinkRows::Windows() const
{
    std::vector<wxWindow *> windows(m_captions.begin(), m_captions.end());
    windows.insert(windows.end(), {device, baud, deviceError, baudError, dataBits, parity, stopBits, flow});
    return windows;
}

void SerialLinkRows::Show(bool shown)
{
    for (wxWindow *window : Windows())
        window->Show(shown);
    deviceError->SetLabel("");
    baudError->SetLabel("");
}

void SerialLinkRows::Set(const std::string &path, const SerialSettings &settings)
{
    // An empty path leaves the first device found.
    if (!path.empty())
        device->SetValue(wxString::FromUTF8(path));
    baud->SetValue(wxString::Format("%u", settings.baud));
    dataBits->SetSelection(settings.dataBits - 5);
    parity->SetSelection(static_cast<int>(settings.parity));
    stopBits->SetSelection(settings.stopBits - 1);
    flow->SetSelection(static_cast<int>(settings.flow));
}

bool SerialLinkRows::Read(LinkEndpoint &link)
{
    const std::string path = device->GetValue().Strip(wxString::both).utf8_string();
    const std::optional<uint32_t> rate = BaudOfText(baud->GetValue().Strip(wxString::both).utf8_string());
    deviceError->SetLabel(path.empty() ? kInvalidDeviceText : "");
    baudError->SetLabel(rate ? "" : kInvalidBaudText);
    if (path.empty() || !rate)
        return false;
    link.device = path;
    link.serial.baud = *rate;
    link.serial.dataBits = NumberChoice(dataBits, 5);
    link.serial.parity = static_cast<SerialParity>(std::max(0, parity->GetSelection()));
    link.serial.stopBits = NumberChoice(stopBits, 1);
    link.serial.flow = static_cast<SerialFlow>(std::max(0, flow->GetSelection()));
    return true;
}

wxRect SerialLinkRows::Arrange()
{
    for (wxWindow *window : Windows())
        toolkit_fit::GrowToContent(window);
    deviceError->Move(RightOf(device) + kLabelGap, deviceError->GetPosition().y);
    baudError->Move(RightOf(baud) + kLabelGap, baudError->GetPosition().y);

    // Two columns of caption and field, each field as wide as its column's
    // widest.
    const int firstWidth = std::max(dataBits->GetSize().x, stopBits->GetSize().x);
    const int secondWidth = std::max(parity->GetSize().x, flow->GetSize().x);
    const int secondCaptionX = kFieldX + firstWidth + kColumnGap;
    const int secondFieldX = secondCaptionX + std::max(m_captions[3]->GetSize().x, m_captions[5]->GetSize().x) +
                             kLabelGap;
    const int secondRowY = std::max(m_frameY + kRowStep, std::max(BottomOf(dataBits), BottomOf(parity)) + kRowGap);
    const struct {
        wxStaticText *caption;
        wxComboBox *field;
        wxPoint at;
        int width;
    } places[] = {
        {m_captions[2], dataBits, {kFieldX, m_frameY}, firstWidth},
        {m_captions[3], parity, {secondFieldX, m_frameY}, secondWidth},
        {m_captions[4], stopBits, {kFieldX, secondRowY}, firstWidth},
        {m_captions[5], flow, {secondFieldX, secondRowY}, secondWidth},
    };
    for (const auto &place : places) {
        place.field->SetSize(place.at.x, place.at.y, place.width, place.field->GetSize().y);
        const int captionX = place.at.x == kFieldX ? kCaptionX : secondCaptionX;
        place.caption->Move(captionX, place.at.y + kCaptionDrop);
    }

    wxRect box;
    for (const wxWindow *window : Windows())
        box.Union(window->GetRect());
    // The error labels are empty now: their texts' room counts.
    for (const auto &[label, text] : {std::pair{deviceError, kInvalidDeviceText}, std::pair{baudError, kInvalidBaudText}})
        box.Union(wxRect(label->GetPosition(), label->GetTextExtent(text)));
    return box;
}
