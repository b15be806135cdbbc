#include "tests/uart/uart_panel_driver.h"
#include "uart/saved_settings.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <wx/filedlg.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetPanel();
        char dir[] = "/tmp/uart_export_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override
    {
        ResetPanel();
        std::system(("rm -rf " + m_dir).c_str());
    }

    std::string m_dir;
};

std::string FileContents(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

struct SaveDialog {
    wxString message;
    wxString wildcard;
    long style = 0;
};

// Clicks export and answers the save dialog with `path`, or cancels it
// when the path is empty.
SaveDialog Export(const std::string &path)
{
    SaveDialog seen;
    ModalRecorder boxes;
    boxes.OnOther([&](wxDialog *dialog) {
        auto *save = dynamic_cast<wxFileDialog *>(dialog);
        if (save == nullptr)
            return static_cast<int>(wxID_CANCEL);
        seen = {save->GetMessage(), save->GetWildcard(), save->GetWindowStyle()};
        if (path.empty())
            return static_cast<int>(wxID_CANCEL);
        save->SetPath(path);
        return static_cast<int>(wxID_OK);
    });
    Click(TerminalPanel::ID_EXPORT);
    EXPECT_EQ(boxes.Messages(), "");
    return seen;
}

TEST_F(CommandsTest, ExportSavesTheShownViewWhole)
{
    const std::string hexFile = m_dir + "/hex.txt";
    const std::string asciiFile = m_dir + "/ascii.txt";
    const std::string emptyFile = m_dir + "/empty.txt";
    const SaveDialog seen = Export(emptyFile);
    EXPECT_EQ(seen.message, "Save File As?");
    EXPECT_EQ(seen.wildcard, "Text files (*.txt)|*.txt");
    EXPECT_EQ(seen.style & (wxFD_SAVE | wxFD_OVERWRITE_PROMPT), wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    EXPECT_EQ(access(emptyFile.c_str(), F_OK), 0);
    EXPECT_EQ(FileContents(emptyFile), "");

    Connected link;
    SetChecked(TerminalPanel::ID_WRAP, true);
    link.SendAndShow("\x41\x0a\xff");
    link.SendAndShow("BC");
    // Hex was hidden while the data came: its text was held until now.
    SelectReadType(NotationHex);
    Export(hexFile);
    EXPECT_EQ(FileContents(hexFile), "41 0a ff\n42 43\n");
    SelectReadType(NotationAscii);
    { std::ofstream(asciiFile) << "older and longer content"; }
    Export(asciiFile);
    EXPECT_EQ(FileContents(asciiFile), "A\n\xc3\xbf\nBC\n") << "the view's text in UTF-8, replacing the file";

    Export("");
    EXPECT_EQ(ViewText(NotationHex), "41 0a ff\n42 43\n") << "the views keep their text";
    link.SendAndStage("D");
    Export(asciiFile);
    EXPECT_EQ(FileContents(asciiFile), "A\n\xc3\xbf\nBC\nD\n") << "data received before the click is saved";
}

// The receive views and the message list are cleared apart: each button
// empties its own, and the connection stays up.
TEST_F(CommandsTest, ClearButtonsEmptyTheViewsOrTheListAndHistory)
{
    const PanelControls ui = Controls();
    TerminalPanel *panel = Panel();
    Connected link;
    SetChecked(TerminalPanel::ID_TIMESTAMP, true);
    link.SendAndShow("abc");
    for (const char *text : {"a", "b"})
        AddMessage(NotationAscii, text);
    ModalRecorder boxes;
    Click(TerminalPanel::ID_CLEAR_RX);
    for (int n = 0; n < kNotationCount; ++n)
        EXPECT_EQ(ViewText(n), "") << n;
    EXPECT_EQ(ui.messageList->GetCount(), 2u);
    link.SendAndShow("d");
    EXPECT_EQ(ViewText(NotationDecimal), "100");
    // The received text starts afresh: a new run, with its timestamp.
    const wxString afresh = ViewText(NotationAscii);
    EXPECT_TRUE(afresh.StartsWith("\n") && afresh.EndsWith(" [RX] - d")) << afresh;

    Click(TerminalPanel::ID_CLEAR_LIST);
    EXPECT_EQ(ui.messageList->GetCount(), 0u);
    EXPECT_TRUE(panel->CurrentSettings().messages.empty());
    SelectTransmissionType(NotationHex);
    PressKey(WXK_UP);
    EXPECT_EQ(ui.txEntries[NotationHex]->GetValue(), "") << "nothing to recall";
    EXPECT_EQ(ViewText(NotationAscii), afresh);
    // New messages fill the history from its first slot again; texts from
    // before the clear stay out of reach.
    AddMessage(NotationHex, "0f");
    const std::vector<SavedMessage> history = panel->CurrentSettings().messages;
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].text, L"0f");
    PressKey(WXK_UP);
    PressKey(WXK_UP);
    EXPECT_EQ(ui.txEntries[NotationHex]->GetValue(), "0f");
    PressKey(WXK_DOWN);
    EXPECT_EQ(ui.txEntries[NotationHex]->GetValue(), "");
    EXPECT_TRUE(Link().Connected());
    EXPECT_EQ(boxes.Messages(), "");
}

} // namespace
