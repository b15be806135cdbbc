#include "app/main_window.h"
#include "modbus/modbus_terminal_panel.h"
#include "tests/support/gui_test.h"
#include "tests/uart/uart_panel_controls.h"
#include "uart/terminal_panel.h"

#include <gtest/gtest.h>
#include <wx/bmpbuttn.h>
#include <wx/filedlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

using namespace testing_support;

wxFrame *Frame()
{
    return MainWindow::GetInstance()->m_frame;
}

// Extra > Stream media File, answering the file dialog with `path`.
void ChooseMediaFile(const wxString &path)
{
    ModalRecorder dialogs;
    dialogs.OnOther([&path](wxDialog *dialog) {
        auto *chooser = dynamic_cast<wxFileDialog *>(dialog);
        if (chooser == nullptr)
            return static_cast<int>(wxID_CANCEL);
        chooser->SetPath(path);
        return static_cast<int>(wxID_OK);
    });
    wxCommandEvent command(wxEVT_MENU, wxID_FILE);
    command.SetEventObject(Frame());
    Frame()->GetEventHandler()->ProcessEvent(command);
    EXPECT_EQ(dialogs.OtherTitles().size(), 1u);
    EXPECT_TRUE(dialogs.Boxes().empty()) << dialogs.Messages();
}

std::array<wxWindow *, 5> MediaControls(TerminalPanel *panel)
{
    const uart_testing::PanelControls ui = uart_testing::ControlsOf(panel);
    return {ui.mediaLabel, ui.mediaBackwardButton, ui.mediaPlayButton, ui.mediaPauseButton, ui.mediaLoopButton};
}

class MediaMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/media_menu_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override
    {
        MainWindow *window = MainWindow::GetInstance();
        TerminalPanel *panel = window->m_terminalPanel;
        panel->SelectMediaFile(wxString(), wxString());
        window->m_modbusPanel->Hide();
        panel->Show();
        window->m_sizer->Layout();
        std::system(("rm -rf '" + m_dir + "'").c_str());
    }

    wxString File(const std::string &name)
    {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << "media bytes";
        return wxString::FromUTF8(path);
    }

    std::string m_dir;
};

TEST_F(MediaMenuTest, ChosenFileReachesTheUartPanel)
{
    TerminalPanel *panel = MainWindow::GetInstance()->m_terminalPanel;
    const wxString path = File("clip.mp3");
    ChooseMediaFile(path);
    EXPECT_EQ(panel->MediaFilePath(), path);
    EXPECT_EQ(uart_testing::ControlsOf(panel).mediaLabel->GetLabel(), "Selected media stream:\nclip.mp3");
    for (wxWindow *control : MediaControls(panel))
        EXPECT_TRUE(control->IsShown()) << control->GetId();
}

// The command neither needs nor shows the UART panel.
TEST_F(MediaMenuTest, ChosenFileReachesTheHiddenUartPanelWhileModbusIsShown)
{
    MainWindow *window = MainWindow::GetInstance();
    TerminalPanel *panel = window->m_terminalPanel;
    panel->Hide();
    window->m_modbusPanel->Show();
    window->m_sizer->Layout();

    const wxString path = File("film.mp4");
    ChooseMediaFile(path);
    EXPECT_EQ(panel->MediaFilePath(), path);
    EXPECT_EQ(uart_testing::ControlsOf(panel).mediaLabel->GetLabel(), "Selected media stream:\nfilm.mp4");
    for (wxWindow *control : MediaControls(panel))
        EXPECT_TRUE(control->IsShown()) << control->GetId();
    EXPECT_FALSE(panel->IsShown());
    EXPECT_TRUE(window->m_modbusPanel->IsShown());
}

} // namespace
