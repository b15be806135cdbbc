#include "tests/uart/uart_panel_driver.h"

#include "app/main_window.h"
#include "net/tcp.h"

#include <algorithm>
#include <dirent.h>
#include <wx/image.h>
#include <wx/checkbox.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>

namespace uart_testing {

using namespace testing_support;

TerminalPanel *Panel()
{
    return MainWindow::GetInstance()->m_terminalPanel;
}

void Click(int id)
{
    wxWindow *source = Panel()->FindWindow(id);
    wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, id);
    click.SetEventObject(source);
    Panel()->GetEventHandler()->ProcessEvent(click);
}

void SetChecked(wxCheckBox *box, bool checked)
{
    box->SetValue(checked);
}

namespace {

void Select(wxRadioBox *radio, int notation)
{
    radio->SetSelection(notation);
    wxCommandEvent choice(wxEVT_COMMAND_RADIOBOX_SELECTED, radio->GetId());
    choice.SetInt(notation);
    choice.SetEventObject(radio);
    Panel()->GetEventHandler()->ProcessEvent(choice);
}

} // namespace

void SelectReadType(int notation)
{
    Select(Panel()->m_rxTypeRadio, notation);
}

void SelectTransmissionType(int notation)
{
    Select(Panel()->m_txTypeRadio, notation);
}

void ResetPanel()
{
    TerminalPanel *panel = Panel();
    ModalRecorder boxes;
    panel->SetConnectionParameters("not set", "not set");
    PumpEvents(Millis(20));
    tcp_set_connect_timeout(1);
    SetChecked(panel->m_timestampCheck, false);
    SetChecked(panel->m_wrapCheck, false);
    SelectReadType(NotationAscii);
    SelectTransmissionType(NotationAscii);
    panel->ClearRxViews();
    panel->m_rxLineStart = true;
    panel->m_rxLineCount = 0;
}

void ConnectClick(ModalRecorder &boxes)
{
    boxes.Clear();
    Click(TerminalPanel::ID_CONNECT);
}

Connected::Connected()
{
    Panel()->SetConnectionParameters(m_listener.Ip(), wxString::Format("%u", m_listener.Port()));
    ModalRecorder boxes;
    ConnectClick(boxes);
    EXPECT_EQ(boxes.Messages(), "Connection successful");
    m_peer = m_listener.Accept();
    EXPECT_TRUE(m_peer.Valid());
}

Connected::~Connected()
{
    if (Panel()->m_connected) {
        ModalRecorder boxes;
        Click(TerminalPanel::ID_CONNECT);
    }
}

void Connected::Send(const std::string &bytes)
{
    ASSERT_TRUE(WriteAll(m_peer.Get(), bytes));
}

void Connected::SendAndShow(const std::string &bytes)
{
    const uint64_t before = Panel()->RxBytesShown();
    Send(bytes);
    ASSERT_TRUE(WaitShown(before + bytes.size()));
}

bool WaitShown(uint64_t bytes, Millis timeout)
{
    return WaitUntil([bytes] { return Panel()->RxBytesShown() >= bytes; }, timeout);
}

wxString ViewText(int notation)
{
    return Panel()->RxViewText(notation);
}

bool ShowsImage(const wxBitmap &shown, const char *file)
{
    const wxImage expected(file, wxBITMAP_TYPE_JPEG);
    const wxImage actual = shown.ConvertToImage();
    return expected.IsOk() && actual.IsOk() && actual.GetSize() == expected.GetSize() &&
           std::equal(actual.GetData(), actual.GetData() + 3 * actual.GetWidth() * actual.GetHeight(),
                      expected.GetData());
}

int OpenDescriptors()
{
    int count = 0;
    if (DIR *dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++count;
        closedir(dir);
    }
    return count;
}

} // namespace uart_testing
