#include "tests/uart/uart_panel_driver.h"

#include "app/main_window.h"
#include "net/tcp.h"
#include "uart/saved_settings.h"

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <csignal>
#include <ctime>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/radiobox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

extern char **environ;

namespace uart_testing {

using namespace testing_support;

TerminalPanel *Panel()
{
    return MainWindow::GetInstance()->m_terminalPanel;
}

const UartLink &Link()
{
    return Panel()->Link();
}

PanelControls Controls()
{
    return ControlsOf(Panel());
}

wxBitmapButton *PeriodicButton()
{
    return PeriodicButtonOf(Panel());
}

void Click(int id)
{
    wxWindow *source = Panel()->FindWindow(id);
    wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, id);
    click.SetEventObject(source);
    Panel()->GetEventHandler()->ProcessEvent(click);
}

void SetChecked(int id, bool checked)
{
    auto *box = dynamic_cast<wxCheckBox *>(Panel()->FindWindow(id));
    ASSERT_NE(box, nullptr) << id;
    box->SetValue(checked);
    wxCommandEvent click(wxEVT_COMMAND_CHECKBOX_CLICKED, id);
    click.SetInt(checked);
    click.SetEventObject(box);
    box->GetEventHandler()->ProcessEvent(click);
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
    Select(Controls().rxTypeRadio, notation);
}

void SelectTransmissionType(int notation)
{
    Select(Controls().txTypeRadio, notation);
}

void ResetPanel()
{
    TerminalPanel *panel = Panel();
    const PanelControls ui = Controls();
    ModalRecorder boxes;
    if (PeriodicButton()->GetId() == TerminalPanel::ID_STOP_PERIODICALLY)
        ClickPeriodicButton();
    panel->SetRules({});
    Click(TerminalPanel::ID_CLEAR_LIST);
    if (ui.periodText->IsEnabled())
        ClickPeriodicCheck();
    ui.periodText->ChangeValue("");
    ui.periodUnitCombo->SetSelection(0);
    ui.msgCounterCheck->SetValue(false);
    ui.totalSizeText->ChangeValue("");
    ui.lineEndingCombo->SetSelection(0);
    SetChecked(TerminalPanel::ID_RECONNECT, false);
    // The log in the current folder, in its exact form.
    UartSettings settings = panel->CurrentSettings();
    settings.logFolder.clear();
    settings.logLineBreaks = false;
    panel->ApplySettings(settings);
    for (wxTextCtrl *entry : ui.txEntries)
        entry->ChangeValue("");
    panel->SetConnectionParameters(std::nullopt);
    PumpEvents(Millis(20));
    tcp_set_connect_timeout(1);
    SetChecked(TerminalPanel::ID_TIMESTAMP, false);
    SetChecked(TerminalPanel::ID_WRAP, false);
    SelectReadType(NotationAscii);
    SelectTransmissionType(NotationAscii);
    panel->SetRxLimits(kRxScrollbackChars, kRxLineChars);
    Click(TerminalPanel::ID_CLEAR_RX);
    panel->SelectMediaFile(wxString(), wxString());
}

void SetParameters(const std::string &ip, uint16_t port)
{
    Panel()->SetConnectionParameters(LinkEndpoint{ip, port, LinkMode::TcpClient});
}

void AddMessage(int notation, const wxString &text, bool withButton)
{
    SelectTransmissionType(notation);
    Controls().txEntries[notation]->ChangeValue(text);
    if (withButton)
        Click(TerminalPanel::ID_ADD_MESSAGE);
    else
        PressKey(WXK_RETURN);
}

void PressKey(int key, bool control)
{
    const PanelControls ui = Controls();
    wxTextCtrl *entry = ui.txEntries[ui.txTypeRadio->GetSelection()];
    wxKeyEvent typed(wxEVT_CHAR);
    typed.m_keyCode = key;
    typed.m_controlDown = control;
    typed.SetEventObject(entry);
    typed.SetId(entry->GetId());
    entry->GetEventHandler()->ProcessEvent(typed);
}

void ClickPeriodicButton()
{
    wxBitmapButton *button = PeriodicButton();
    wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

void ClickPeriodicCheck()
{
    auto *box = dynamic_cast<wxCheckBox *>(Panel()->FindWindow(TerminalPanel::ID_PERIODIC_CHECK));
    box->SetValue(!box->GetValue());
    wxCommandEvent click(wxEVT_COMMAND_CHECKBOX_CLICKED, box->GetId());
    click.SetInt(box->GetValue());
    click.SetEventObject(box);
    box->GetEventHandler()->ProcessEvent(click);
}

void ConnectClick(ModalRecorder &boxes)
{
    boxes.Clear();
    Click(TerminalPanel::ID_CONNECT);
}

Connected::Connected()
{
    SetParameters(m_listener.Ip(), m_listener.Port());
    ModalRecorder boxes;
    ConnectClick(boxes);
    EXPECT_EQ(boxes.Messages(), "Connection successful");
    m_peer = m_listener.Accept();
    EXPECT_TRUE(m_peer.Valid());
}

Connected::~Connected()
{
    if (Link().Connected() || Link().Reconnecting()) {
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

void Connected::SendAndStage(const std::string &bytes)
{
    Send(bytes);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Link().ReceivedInFlight() == 0 && std::chrono::steady_clock::now() < deadline)
        wxMilliSleep(1);
    // The receive thread posts the chunk right after taking its slot.
    wxMilliSleep(20);
    wxTheApp->ProcessPendingEvents();
}

SerialBridge::SerialBridge()
{
    char dir[] = "/tmp/uart_socat_XXXXXX";
    if (mkdtemp(dir) == nullptr)
        return;
    m_dir = dir;
    m_link = m_dir + "/vtty";
    {
        LoopbackListener probe;
        m_port = probe.Port();
    }
    int errors[2];
    if (pipe(errors) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, errors[0]);
    const std::string pty = "PTY,link=" + m_link + ",raw,echo=0";
    const std::string tcp = "TCP-LISTEN:" + std::to_string(m_port) + ",bind=127.0.0.1,reuseaddr";
    const char *argv[] = {"socat", "-d", "-d", pty.c_str(), tcp.c_str(), nullptr};
    if (posix_spawnp(&m_pid, "socat", &actions, nullptr, const_cast<char **>(argv), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(errors[1]);
    m_errors.Reset(errors[0]);
}

SerialBridge::~SerialBridge()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    std::system(("rm -rf " + m_dir).c_str());
}

bool SerialBridge::Ready()
{
    const std::string wanted = "listening on AF=2 127.0.0.1:" + std::to_string(m_port);
    return m_pid > 0 && ReadUntilSaid(m_errors.Get(), wanted);
}

bool WriteToDevice(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = write(fd, bytes.data() + done, bytes.size() - done);
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

std::string ReadFromDevice(int fd, size_t count, Millis timeout)
{
    return ReadAtLeast(fd, count, timeout);
}

bool WaitShown(uint64_t bytes, Millis timeout)
{
    return WaitUntil([bytes] { return Panel()->RxBytesShown() >= bytes; }, timeout);
}

wxString LinkStatusShown()
{
    return MainWindow::GetInstance()->m_statusBar->GetStatusText(1);
}

wxString ViewText(int notation)
{
    return Panel()->RxViewText(notation);
}

wxString LocalStamp(std::time_t at)
{
    std::tm local{};
    localtime_r(&at, &local);
    char text[128] = {};
    std::strftime(text, sizeof(text), "%c", &local);
    return wxString::FromUTF8(text);
}

wxString Unstamped(wxString text, const wxDateTime &since)
{
    for (std::time_t at = since.GetTicks(); at <= std::time(nullptr) + 1; ++at)
        text.Replace(LocalStamp(at), "");
    return text;
}

bool ShowsImage(const wxBitmap &shown, const char *file)
{
    const wxImage expected(file, wxBITMAP_TYPE_JPEG);
    const wxImage actual = shown.ConvertToImage();
    return expected.IsOk() && actual.IsOk() && actual.GetSize() == expected.GetSize() &&
           std::equal(actual.GetData(), actual.GetData() + 3 * actual.GetWidth() * actual.GetHeight(),
                      expected.GetData());
}

} // namespace uart_testing
