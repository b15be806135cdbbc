#include "app/ip_ctrl.h"
#include "app/main_window.h"
#include "app/menu_bar.h"
#include "app/new_dialog.h"
#include "tests/app/dialog_driving.h"
#include "tests/support/gui_test.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using namespace testing_support;

wxFrame *Frame()
{
    return MainWindow::GetInstance()->m_frame;
}

// Sends the menu command as choosing the item does.
void Choose(int id)
{
    wxCommandEvent command(wxEVT_MENU, id);
    command.SetEventObject(Frame());
    Frame()->GetEventHandler()->ProcessEvent(command);
}

TEST(MenuBar, HoldsTheThreeMenusWithTheirItems)
{
    MenuBar *bar = MainWindow::GetInstance()->m_menuBar;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(Frame()->GetMenuBar(), bar);
    ASSERT_EQ(bar->GetMenuCount(), 3u);
    EXPECT_EQ(bar->GetMenuLabel(0), "&File");
    EXPECT_EQ(bar->GetMenuLabel(1), "&Extra");
    EXPECT_EQ(bar->GetMenuLabel(2), "&Help");
    EXPECT_EQ(bar->GetMenu(0), bar->m_fileMenu);
    EXPECT_EQ(bar->GetMenu(1), bar->m_extraMenu);
    EXPECT_EQ(bar->GetMenu(2), bar->m_helpMenu);

    const struct {
        wxMenu *menu;
        std::size_t position;
        int id;
        const char *label;
    } items[] = {
        {bar->m_fileMenu, 0, wxID_NEW, "&New Connection"},
        {bar->m_fileMenu, 1, MenuBar::ID_OPEN_WORKSPACE, "&Open workspace..."},
        {bar->m_fileMenu, 2, MenuBar::ID_SAVE_WORKSPACE, "&Save workspace..."},
        {bar->m_fileMenu, 4, wxID_EXIT, "&Quit"},
        {bar->m_extraMenu, 0, wxID_FILE, "&Stream media File"},
        {bar->m_extraMenu, 1, MenuBar::ID_UART_RULES, "UART &rules..."},
        {bar->m_extraMenu, 2, MenuBar::ID_MESSAGE_SEQUENCE, "Message se&quence..."},
        {bar->m_extraMenu, 3, MenuBar::ID_PLOT_RECEIVED, "&Plot received numbers"},
        {bar->m_extraMenu, 4, MenuBar::ID_MODBUS_MONITOR, "Modbus &monitor"},
        {bar->m_extraMenu, 6, MenuBar::ID_SCAN_UNITS, "Scan Modbus &units..."},
        {bar->m_extraMenu, 7, MenuBar::ID_SCAN_REGISTERS, "Scan Modbus &registers..."},
        {bar->m_extraMenu, 8, MenuBar::ID_RAW_FRAME, "Modbus raw &frame..."}, {bar->m_helpMenu, 0, wxID_HELP, "&Help"},
        {bar->m_helpMenu, 1, wxID_ABOUT, "&About"},
    };
    EXPECT_EQ(bar->m_fileMenu->GetMenuItemCount(), 5u);
    EXPECT_EQ(bar->m_fileMenu->FindItemByPosition(3)->GetSubMenu(), bar->m_recentMenu);
    // The UART terminal's items and the monitor, then the Modbus diagnostics
    // after a separator.
    EXPECT_EQ(bar->m_extraMenu->GetMenuItemCount(), 9u);
    EXPECT_EQ(bar->m_helpMenu->GetMenuItemCount(), 2u);
    for (const auto &item : items) {
        const wxMenuItem *entry = item.menu->FindItemByPosition(item.position);
        ASSERT_NE(entry, nullptr) << item.label;
        EXPECT_EQ(entry->GetId(), item.id) << item.label;
        EXPECT_EQ(entry->GetItemLabel(), item.label);
        EXPECT_EQ(entry->GetKind(), wxITEM_NORMAL) << item.label;
        EXPECT_TRUE(entry->IsEnabled()) << item.label;
    }
}

TEST(MenuBar, NewConnectionTwiceOpensTwoIndependentDialogs)
{
    const std::size_t before = NewDialogsOf(Frame()).size();
    Choose(wxID_NEW);
    Choose(wxID_NEW);
    const std::vector<NewDialog *> dialogs = NewDialogsOf(Frame());
    ASSERT_EQ(dialogs.size(), before + 2);
    NewDialog *first = dialogs[before];
    NewDialog *second = dialogs[before + 1];
    for (NewDialog *dialog : {first, second}) {
        EXPECT_TRUE(dialog->IsShown());
        EXPECT_FALSE(dialog->IsModal());
        EXPECT_EQ(dialog->GetTitle(), "UART Conf");
        EXPECT_EQ(dialog->GetSize(), wxSize(480, 380));
        EXPECT_EQ(dialog->m_ipCtrl->GetValue(), "192.168.100.10");
        EXPECT_EQ(dialog->m_portText->GetValue(), "65100");
    }

    // Each acts on its own values: a bad port in the first leaves the second
    // alone, and confirming the second leaves the first open.
    first->m_portText->ChangeValue("");
    ClickButton(first, wxID_OK);
    EXPECT_TRUE(first->IsShown());
    EXPECT_EQ(first->m_portError->GetLabel(), "Invalid Port");
    EXPECT_EQ(second->m_portError->GetLabel(), "");
    ClickButton(second, wxID_OK);
    EXPECT_FALSE(second->IsShown());
    EXPECT_TRUE(first->IsShown());
    ClickButton(first, wxID_CANCEL);
    PumpEvents();
    EXPECT_EQ(NewDialogsOf(Frame()).size(), before) << "confirmed and cancelled dialogs are destroyed";
}

TEST(MenuBar, HelpAndAboutShowTheirBoxes)
{
    ModalRecorder boxes;
    Choose(wxID_HELP);
    Choose(wxID_ABOUT);
    ASSERT_EQ(boxes.Boxes().size(), 2u);

    const ShownBox &help = boxes.Boxes()[0];
    EXPECT_EQ(help.caption, "Help");
    EXPECT_EQ(help.message, "Context help will be available soon\n\n\nFor manuals and documentation please refer "
                            "to: https://tavrix.example");
    EXPECT_TRUE(help.style & wxOK);
    EXPECT_FALSE(help.style & (wxICON_ERROR | wxICON_WARNING | wxCANCEL | wxYES_NO));

    const ShownBox &about = boxes.Boxes()[1];
    EXPECT_EQ(about.caption, "About TAVRIX");
    EXPECT_TRUE(about.message.EndsWith("\n\nFor more informations please visit: https://tavrix.example"));
    EXPECT_GE(about.message.Freq('\n'), 8u) << "several paragraphs, separated by blank lines";
    EXPECT_FALSE(about.message.Contains("\n\n\n"));
    EXPECT_TRUE(about.style & wxOK);
    EXPECT_FALSE(about.style & (wxICON_ERROR | wxICON_WARNING | wxCANCEL | wxYES_NO));
}

TEST(MenuBar, StreamMediaFileAsksForAFileAndCancellingDoesNothing)
{
    wxString message, wildcard;
    long style = 0;
    wxWindow *parent = nullptr;
    ModalRecorder dialogs;
    dialogs.OnOther([&](wxDialog *dialog) {
        if (auto *chooser = dynamic_cast<wxFileDialog *>(dialog)) {
            message = chooser->GetMessage();
            wildcard = chooser->GetWildcard();
            style = chooser->GetWindowStyle();
            parent = chooser->GetParent();
        }
        return wxID_CANCEL;
    });
    const std::size_t windowsBefore = Frame()->GetChildren().size();
    Choose(wxID_FILE);
    ASSERT_EQ(dialogs.OtherTitles().size(), 1u);
    EXPECT_EQ(message, "Choose a file");
    EXPECT_EQ(wildcard, "Audio/Video files (*.mp3,*.ogg,*.ogv,*.avi,*.mpg,*.flv,*.mp4)|*.mp3;*.ogg;*.ogv;*.avi;*.mpg;"
                        "*.flv;*.mp4");
    EXPECT_TRUE(style & wxFD_OPEN);
    EXPECT_EQ(parent, Frame());
    PumpEvents();
    EXPECT_TRUE(dialogs.Boxes().empty()) << dialogs.Messages();
    EXPECT_EQ(Frame()->GetChildren().size(), windowsBefore);
}

// Quit ends the event loop and the program through the normal shutdown; run
// in a child process, since the one main window cannot come back.
TEST(MenuBarDeathTest, QuitEndsTheProgram)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            // A Quit that closed nothing would leave the loop running.
            std::thread([] {
                std::this_thread::sleep_for(std::chrono::seconds(30));
                std::_Exit(2);
            }).detach();
            MainWindow *window = MainWindow::GetInstance();
            PumpEvents();
            Choose(wxID_EXIT);
            wxWakeUpIdle();
            const int status = wxTheApp->OnRun();
            window->CloseSocketLibrary();
            EndProgram(status == 0 && wxTopLevelWindows.empty());
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
