#include "app/main_window.h"
#include "tests/support/gui_test.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/utils.h>
#include <wx/statbmp.h>
#include <wx/statusbr.h>

#include <cstdlib>

namespace {

using namespace testing_support;

wxStaticBitmap *FindLogo(wxFrame *frame)
{
    for (wxWindow *child : frame->GetChildren())
        if (auto *bitmap = dynamic_cast<wxStaticBitmap *>(child))
            return bitmap;
    return nullptr;
}

TEST(MainWindow, IsOneInstance)
{
    MainWindow *first = MainWindow::GetInstance();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(MainWindow::GetInstance(), first);
    EXPECT_NE(first->m_frame, nullptr);
}

TEST(MainWindow, ShowsTheFrameWithTitleStatusAndLogo)
{
    wxFrame *frame = MainWindow::GetInstance()->m_frame;
    ASSERT_TRUE(WaitUntil([frame] { return frame->GetMenuBar()->GetSize().x == frame->GetClientSize().x; }))
        << "the frame laid out";
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(frame->GetTitle(), "ORV Terminal");
    // Menu bar, client area and status bar take 800 x 600 together, whatever
    // a window manager's decorations add around them.
    const int bars = frame->GetMenuBar()->GetSize().y + frame->GetStatusBar()->GetSize().y;
    const wxSize content = frame->GetClientSize() + wxSize(0, bars);
    EXPECT_EQ(content, wxSize(800, 600)) << content.x << "x" << content.y;
    EXPECT_FALSE(frame->IsMaximized());
    const long style = frame->GetWindowStyleFlag();
    // It can be resized and maximised; the start size is the least one.
    for (const long flag : {wxCAPTION, wxSYSTEM_MENU, wxMINIMIZE_BOX, wxMAXIMIZE_BOX, wxCLOSE_BOX, wxRESIZE_BORDER})
        EXPECT_TRUE(style & flag) << std::hex << flag;
    EXPECT_EQ(frame->GetMinClientSize(), frame->GetClientSize());
    EXPECT_EQ(frame->GetBackgroundColour(), *wxWHITE);

    ASSERT_NE(frame->GetStatusBar(), nullptr);
    EXPECT_EQ(frame->GetStatusBar(), MainWindow::GetInstance()->m_statusBar);
    EXPECT_EQ(frame->GetStatusBar()->GetFieldsCount(), 2);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), "ORV-Terminal - Version 1.0.4");
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(1), "Not connected") << "the UART terminal's link";
    wxRect version;
    ASSERT_TRUE(frame->GetStatusBar()->GetFieldRect(0, version));
    EXPECT_GE(version.width, frame->GetStatusBar()->GetTextExtent("ORV-Terminal - Version 1.0.4").x);

    wxStaticBitmap *logo = FindLogo(frame);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->GetPosition(), wxPoint(585, 40));
    EXPECT_EQ(logo->GetSize(), wxSize(200, 50));
    EXPECT_TRUE(logo->GetBitmap().IsOk()) << "icons/logo.jpg missing";
    EXPECT_EQ(logo->GetBitmap().GetSize(), wxSize(200, 50));
}

// Logged errors become message boxes in the program; counted here instead.
class ErrorCount : public wxLog {
public:
    int errors = 0;

protected:
    void DoLogRecord(wxLogLevel level, const wxString &, const wxLogRecordInfo &) override
    {
        errors += level <= wxLOG_Error ? 1 : 0;
    }
};

// Started where "icons/" is missing, the program shows its window with empty
// image places and no error at all.
TEST(MainWindowDeathTest, MissingImagesLeaveTheirPlacesEmpty)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            const wxString empty = wxFileName::CreateTempFileName("orv-noicons");
            wxRemoveFile(empty);
            wxMkdir(empty);
            wxSetWorkingDirectory(empty);
            auto *count = new ErrorCount;
            delete wxLog::SetActiveTarget(count);
            MainWindow *window = MainWindow::GetInstance();
            PumpEvents();
            wxStaticBitmap *logo = FindLogo(window->m_frame);
            const bool ok = count->errors == 0 && logo != nullptr && !logo->GetBitmap().IsOk() &&
                            window->m_frame->IsShown();
            wxRmdir(empty);
            EndProgram(ok && !testing::Test::HasFailure());
        },
        testing::ExitedWithCode(0), "");
}

// Closing the frame ends the event loop and the program cleanly; run in a
// child process, since the one main window cannot come back.
TEST(MainWindowDeathTest, ClosingTheFrameEndsTheProgram)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            MainWindow *window = MainWindow::GetInstance();
            PumpEvents();
            window->m_frame->Close();
            wxWakeUpIdle();
            const int status = wxTheApp->OnRun();
            window->CloseSocketLibrary();
            EndProgram(status == 0 && wxTopLevelWindows.empty());
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
