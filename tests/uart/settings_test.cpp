#include "app/main_window.h"
#include "app/user_config.h"
#include "tests/uart/uart_panel_driver.h"
#include "uart/saved_settings.h"
#include "uart/tx_codec.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/dir.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

class SettingsTest : public ::testing::Test {
protected:
    // Earlier tests of the run may have changed settings, which the window
    // writes at once.
    void SetUp() override
    {
        ResetPanel();
        if (wxFileName::FileExists(user_config::FilePath()))
            wxRemoveFile(user_config::FilePath());
    }
    void TearDown() override
    {
        if (wxFileName::FileExists(user_config::FilePath()))
            wxRemoveFile(user_config::FilePath());
        Panel()->ApplySettings(UartSettings{});
        ResetPanel();
    }
};

wxString FileSays(const char *key)
{
    return wxFileConfig("orv-terminal", "", user_config::FilePath(), "", wxCONFIG_USE_LOCAL_FILE).Read(key, "");
}

// What the user set is written to the test's own configuration folder and
// comes back into the controls, the message list with its endings included.
TEST_F(SettingsTest, OptionsAndMessagesComeBackFromTheSettingsFile)
{
    const PanelControls ui = Controls();
    const char *home = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(user_config::FilePath(), wxString(home) + "/orv-terminal/orv-terminal.conf");

    TerminalPanel *panel = Panel();
    ui.lineEndingCombo->SetSelection(LineEndingCrLf);
    AddMessage(NotationAscii, "AT+VERSION?");
    AddMessage(NotationHex, "0a ff");
    SelectReadType(NotationBinary);
    SetChecked(TerminalPanel::ID_TIMESTAMP, true);
    ClickPeriodicCheck();
    ui.periodText->ChangeValue("250");
    ui.periodUnitCombo->SetSelection(1);
    ui.totalSizeText->ChangeValue("16");
    SetChecked(TerminalPanel::ID_RECONNECT, true);
    MainWindow::GetInstance()->ApplyConnection("127.0.0.9", "65101", 0);
    ASSERT_TRUE(MainWindow::GetInstance()->SaveSettings());

    panel->ApplySettings(UartSettings{});
    EXPECT_EQ(ui.messageList->GetCount(), 0u);
    EXPECT_FALSE(ui.periodText->IsEnabled());
    MainWindow::GetInstance()->RestoreSettings();
    EXPECT_EQ(wxJoin(ui.messageList->GetStrings(), '|', '\0'), "0a ff (Hex)|AT+VERSION? (ASCII, CR LF)");
    EXPECT_EQ(panel->CurrentSettings().messages.at(0).ending, LineEndingCrLf);
    EXPECT_EQ(ui.txTypeRadio->GetSelection(), NotationHex);
    EXPECT_TRUE(ui.txEntries[NotationHex]->IsShown());
    EXPECT_EQ(ui.rxTypeRadio->GetSelection(), NotationBinary);
    EXPECT_TRUE(ui.rxViews[NotationBinary]->IsShown());
    EXPECT_TRUE(ui.timestampCheck->GetValue());
    EXPECT_TRUE(ui.periodText->IsEnabled());
    EXPECT_EQ(ui.periodText->GetValue(), "250");
    EXPECT_EQ(ui.periodUnitCombo->GetSelection(), 1);
    EXPECT_EQ(ui.totalSizeText->GetValue(), "16");
    EXPECT_EQ(ui.lineEndingCombo->GetSelection(), LineEndingCrLf);
    EXPECT_TRUE(ui.reconnectCheck->GetValue());

    wxFileConfig file("orv-terminal", "", user_config::FilePath(), "", wxCONFIG_USE_LOCAL_FILE);
    EXPECT_EQ(file.Read("/Connection/IP", ""), "127.0.0.9");
    EXPECT_EQ(file.Read("/Connection/Port", ""), "65101");
    EXPECT_EQ(file.Read("/UART/Messages/Count", ""), "2");
    EXPECT_EQ(file.Read("/Connection/Framing", ""), "0");

    // A Modbus TCP connection keeps its framing too.
    MainWindow::GetInstance()->ApplyConnection("127.0.0.9", "502", 1, 1);
    ASSERT_TRUE(MainWindow::GetInstance()->SaveSettings());
    MainWindow::GetInstance()->ApplyConnection("127.0.0.9", "65101", 0);
    EXPECT_EQ(wxFileConfig("orv-terminal", "", user_config::FilePath(), "", wxCONFIG_USE_LOCAL_FILE)
                  .Read("/Connection/Framing", ""),
              "1");

    // So does a UART link's mode, with its fields.
    LinkEndpoint server("", 0, LinkMode::TcpServer);
    server.listenAddress = "127.0.0.1";
    MainWindow::GetInstance()->ApplyConnection("0.0.0.0", "5000", 0, 0, 500, server);
    ASSERT_TRUE(MainWindow::GetInstance()->SaveSettings());
    EXPECT_EQ(FileSays("/Connection/IP") + " " + FileSays("/Connection/Link") + " " +
                  FileSays("/Connection/ListenAddress"),
              "0.0.0.0 server 127.0.0.1");
    // And a serial link's device and line, by the command line's names.
    LinkEndpoint serial("", 0, LinkMode::Serial);
    serial.device = "/dev/ttyACM3";
    serial.serial.baud = 921600;
    serial.serial.parity = SerialParity::Even;
    serial.serial.flow = SerialFlow::RtsCts;
    MainWindow::GetInstance()->ApplyConnection("127.0.0.9", "65101", 0, 0, 500, serial);
    ASSERT_TRUE(MainWindow::GetInstance()->SaveSettings());
    wxString line;
    for (const char *key : {"/Connection/Link", "/Connection/Device", "/Connection/Baud", "/Connection/DataBits",
                            "/Connection/Parity", "/Connection/StopBits", "/Connection/Flow"})
        line += FileSays(key) + " ";
    EXPECT_EQ(line, "serial /dev/ttyACM3 921600 8 even 1 rtscts ");
    MainWindow::GetInstance()->ApplyConnection("127.0.0.9", "65101", 0);

    // A shorter list leaves no older entries behind.
    Click(TerminalPanel::ID_CLEAR_LIST);
    ASSERT_TRUE(MainWindow::GetInstance()->SaveSettings());
    wxFileConfig again("orv-terminal", "", user_config::FilePath(), "", wxCONFIG_USE_LOCAL_FILE);
    EXPECT_FALSE(again.Exists("/UART/Messages/1/Text"));
}

std::string FileContents(const wxString &path)
{
    std::ifstream file(path.utf8_string(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// A change is written within a second, without a quit, so that a killed
// program keeps it. Only what changed is written: what another instance
// wrote meanwhile stays, also at the end. The file is replaced whole, never
// rewritten in place.
TEST_F(SettingsTest, ChangesAreWrittenAtOnceAndOnlyThey)
{
    AddMessage(NotationAscii, "mine");
    ASSERT_TRUE(WaitUntil([] { return FileSays("/UART/Messages/1/Text") == "mine"; }, Millis(3000)));

    {
        wxFileConfig other("orv-terminal", "", user_config::FilePath(), "", wxCONFIG_USE_LOCAL_FILE);
        other.Write("/UART/Messages/Count", "2");
        other.Write("/UART/Messages/2/Text", "theirs");
        other.Write("/UART/Messages/2/Type", "0");
        ASSERT_TRUE(other.Flush());
    }
    const std::string before = FileContents(user_config::FilePath());
    std::ifstream opened(user_config::FilePath().utf8_string(), std::ios::binary);
    SetChecked(TerminalPanel::ID_TIMESTAMP, true);
    ASSERT_TRUE(WaitUntil([] { return FileSays("/UART/Timestamp") == "1"; }, Millis(3000)));
    EXPECT_EQ(FileSays("/UART/Messages/2/Text"), "theirs") << "another instance's message stays";
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(opened), {}), before) << "rewritten in place";
    wxArrayString files;
    wxDir::GetAllFiles(wxFileName(user_config::FilePath()).GetPath(), &files);
    EXPECT_EQ(files.size(), 1u) << "no temporary file left";

    // The close writes nothing that did not change.
    ASSERT_TRUE(MainWindow::GetInstance()->SaveSettings());
    EXPECT_EQ(FileSays("/UART/Messages/2/Text"), "theirs");
}

} // namespace
