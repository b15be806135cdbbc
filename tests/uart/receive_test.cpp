#include "tests/support/file_size_limit.h"
#include "tests/uart/system_stand_ins.h"
#include "tests/uart/uart_panel_driver.h"

#include <gtk/gtk.h>
#include <wx/bmpbuttn.h>
#include <wx/tooltip.h>
#include "uart/log_file.h"
#include "uart/saved_settings.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/checkbox.h>
#include <wx/datetime.h>
#include <wx/dir.h>
#include <wx/dirdlg.h>
#include <wx/fdrepdlg.h>
#include <wx/regex.h>
#include <wx/textctrl.h>
#include <wx/tokenzr.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

class ReceiveTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPanel(); }
    void TearDown() override { ResetPanel(); }
};

// The stamps the panel can have written between `before` and now.
bool IsStampOfNow(const wxString &stamp, const wxDateTime &before)
{
    for (std::time_t at = before.GetTicks(); at <= std::time(nullptr) + 1; ++at)
        if (LocalStamp(at) == stamp)
            return true;
    return false;
}

// A time zone of the test's choosing while it lives: far from any zone the
// machine may be in, so that a stamp in another zone shows.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char *zone)
    {
        if (const char *old = std::getenv("TZ"))
            m_old = old;
        m_had = std::getenv("TZ") != nullptr;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string m_old;
    bool m_had = false;
};

std::string FileContents(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string NameOfLogAt(std::time_t at)
{
    std::tm local{};
    localtime_r(&at, &local);
    return LogFileName(local);
}

// Descriptors of this process open on files under `dir`.
int DescriptorsInto(const std::string &dir)
{
    int count = 0;
    wxArrayString links;
    wxDir::GetAllFiles("/proc/self/fd", &links, "", wxDIR_FILES);
    for (const wxString &link : links) {
        char target[PATH_MAX] = {};
        if (readlink(link.c_str(), target, sizeof(target) - 1) > 0 && std::string(target).rfind(dir, 0) == 0)
            ++count;
    }
    return count;
}

std::vector<std::string> LogFilesIn(const std::string &dir)
{
    std::vector<std::string> names;
    wxArrayString found;
    wxDir::GetAllFiles(dir, &found, "wifilog-*.txt", wxDIR_FILES);
    for (const wxString &name : found)
        names.push_back(name.ToStdString());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(ReceiveTest, ThreeBytesInTheFourViews)
{
    const PanelControls ui = Controls();
    Connected link;
    link.SendAndShow("\x41\x0a\xff");
    EXPECT_EQ(ViewText(NotationAscii), wxString(L"A\n\u00ff"));
    EXPECT_EQ(ViewText(NotationHex), "41 0a ff");
    EXPECT_EQ(ViewText(NotationBinary), "01000001 00001010 11111111");
    EXPECT_EQ(ViewText(NotationDecimal), "65 10 255");
    wxTextAttr style;
    ASSERT_TRUE(ui.rxViews[NotationAscii]->GetStyle(1, style));
    EXPECT_EQ(style.GetTextColour(), *wxGREEN);
    for (int n = 0; n < kNotationCount; ++n)
        EXPECT_EQ(ui.rxViews[n]->IsShown(), n == NotationAscii);
}

TEST_F(ReceiveTest, WrappingGivesEveryChunkItsOwnLine)
{
    SetChecked(TerminalPanel::ID_WRAP, true);
    Connected link;
    link.SendAndShow("12");
    link.SendAndShow("34");
    EXPECT_EQ(ViewText(NotationAscii), "12\n34\n");
    EXPECT_EQ(ViewText(NotationHex), "31 32\n33 34\n");
    SetChecked(TerminalPanel::ID_WRAP, false);
    link.SendAndShow("5");
    link.SendAndShow("6");
    EXPECT_EQ(ViewText(NotationDecimal), "49 50\n51 52\n53 54");
}

TEST_F(ReceiveTest, TimestampAndWrappingStampEveryChunkInEveryView)
{
    // Stamps are local time: a zone 7 hours west of GMT, with summer time.
    const ScopedTimeZone zone("ORV+7ORVS,M3.2.0,M11.1.0");
    SetChecked(TerminalPanel::ID_TIMESTAMP, true);
    SetChecked(TerminalPanel::ID_WRAP, true);
    const wxDateTime before = wxDateTime::UNow() - wxTimeSpan::Seconds(1);
    Connected link;
    link.SendAndShow("A");
    link.SendAndShow("BC");
    const wxString chunks[kNotationCount][2] = {{"A", "BC"}, {"41", "42 43"}, {"01000001", "01000010 01000011"},
                                                {"65", "66 67"}};
    for (int n = 0; n < kNotationCount; ++n) {
        const wxArrayString lines = wxSplit(ViewText(n), '\n', '\0');
        ASSERT_EQ(lines.size(), 3u) << ViewText(n);
        EXPECT_EQ(lines[2], "");
        for (int k = 0; k < 2; ++k) {
            const wxString suffix = " [RX] - " + chunks[n][k];
            ASSERT_TRUE(lines[k].EndsWith(suffix)) << lines[k];
            EXPECT_TRUE(IsStampOfNow(lines[k].Left(lines[k].length() - suffix.length()), before)) << lines[k];
        }
    }
}

TEST_F(ReceiveTest, TimestampWithoutWrappingStampsOnlyTheFirstChunkInAsciiOnly)
{
    SetChecked(TerminalPanel::ID_TIMESTAMP, true);
    const wxDateTime before = wxDateTime::UNow() - wxTimeSpan::Seconds(1);
    Connected link;
    link.SendAndShow("A");
    link.SendAndShow("B");
    const wxString ascii = ViewText(NotationAscii);
    ASSERT_TRUE(ascii.StartsWith("\n")) << ascii;
    ASSERT_TRUE(ascii.EndsWith(" [RX] - AB")) << ascii;
    EXPECT_TRUE(IsStampOfNow(ascii.Mid(1, ascii.length() - 11), before)) << ascii;
    EXPECT_EQ(ViewText(NotationHex), "41 42");
    EXPECT_EQ(ViewText(NotationBinary), "01000001 01000010");
    EXPECT_EQ(ViewText(NotationDecimal), "65 66");
}

// A burst larger than one receive arrives as several chunks of at most 512
// bytes, each on its own line, in order and complete; the hidden views hold
// the same chunks.
TEST_F(ReceiveTest, LongBurstArrivesWholeAsChunksOfAtMost512)
{
    SetChecked(TerminalPanel::ID_WRAP, true);
    std::string burst;
    for (int i = 0; i < 200000; ++i)
        burst += static_cast<char>('!' + (i * 7 + i / 13) % 90);
    Connected link;
    link.SendAndShow(burst);

    const wxArrayString asciiLines = wxSplit(ViewText(NotationAscii), '\n', '\0');
    const wxArrayString hexLines = wxSplit(ViewText(NotationHex), '\n', '\0');
    ASSERT_EQ(asciiLines.size(), hexLines.size());
    ASSERT_GE(asciiLines.size(), 200000u / 512);
    wxString joined;
    for (size_t k = 0; k + 1 < asciiLines.size(); ++k) {
        EXPECT_LE(asciiLines[k].length(), 512u);
        EXPECT_EQ(hexLines[k].length(), asciiLines[k].length() * 3 - 1);
        joined += asciiLines[k];
    }
    EXPECT_TRUE(joined == wxString(burst));
    EXPECT_EQ(hexLines[0].Left(8), "21 28 2f");

    // Shown again, a view scrolls to its newest text.
    SelectReadType(NotationHex);
    wxTextCtrl *hex = Controls().rxViews[NotationHex];
    EXPECT_TRUE(WaitUntil([hex] {
        const int thumb = hex->GetScrollThumb(wxVERTICAL);
        const int range = hex->GetScrollRange(wxVERTICAL);
        return range > thumb && hex->GetScrollPos(wxVERTICAL) + thumb >= range;
    }));
}

// Shows "line 100" to "line 399" with a toolkit window of 900 characters,
// a hundred of those lines; returns them.
std::string ShowNumberedLinesInASmallWindow(Connected &link)
{
    Panel()->SetRxLimits(kRxScrollbackChars, kRxLineChars, 900);
    std::string lines;
    for (int n = 100; n < 400; ++n)
        lines += "line " + std::to_string(n) + "\n";
    link.SendAndShow(lines);
    return lines;
}

// The position of the first character on screen, or -1 while unknown.
long TopShown(wxTextCtrl *view)
{
    long top = -1;
    return view->HitTest(wxPoint(1, 1), &top) != wxTE_HT_UNKNOWN ? top : -1;
}

// The toolkit view holds only the newest part of a view's text while text
// comes, in whole lines; scrolled up to its top, the older text goes in
// front of it and the line on screen stays where it was, whatever the wall
// clock does.
TEST_F(ReceiveTest, ShownViewHoldsTheNewestTextAndPagesInTheOlderAsTheUserScrollsUp)
{
    Connected link;
    const std::string lines = ShowNumberedLinesInASmallWindow(link);
    wxTextCtrl *view = Controls().rxViews[NotationAscii];
    EXPECT_EQ(ViewText(NotationAscii), lines) << "the kept text is whole";
    const std::string newest = lines.substr(lines.size() - 900);
    EXPECT_EQ(view->GetValue(), newest) << "the newest hundred whole lines";
    link.SendAndShow("x\n");
    EXPECT_EQ(view->GetValue(), newest + "x\n") << "new text goes on after them";

    view->ScrollPages(-100);
    ASSERT_TRUE(WaitUntil([view] { return TopShown(view) == 0; }));
    // A wall clock set back meanwhile (a correction of an hour) holds the
    // paging up not at all.
    const WallClockSetBack corrected(std::chrono::hours(1));
    ASSERT_TRUE(WaitUntil([view, &lines] { return view->GetValue() == lines + "x\n"; }));
    EXPECT_TRUE(WaitUntil([view] {
        const long top = TopShown(view);
        return top >= 0 && view->GetRange(top, top + 8) == "line 300";
    })) << "the line on screen stays on screen";
}

void ToView(wxTextCtrl *view, wxEvent &event)
{
    event.SetEventObject(view);
    view->GetEventHandler()->ProcessEvent(event);
}

void WheelOn(wxTextCtrl *view, int rotation)
{
    wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
    wheel.m_wheelRotation = rotation;
    wheel.m_wheelDelta = 120;
    ToView(view, wheel);
}

// Scrolled up, the view holds still while text comes, and follows again
// once scrolled back to the bottom; Ctrl+A selects all that is kept, and
// the find box finds text in it or says it is not there.
TEST_F(ReceiveTest, ScrolledUpViewHoldsStillSelectsAllAndFinds)
{
    Connected link;
    const std::string lines = ShowNumberedLinesInASmallWindow(link);
    wxTextCtrl *view = Controls().rxViews[NotationAscii];
    WheelOn(view, 120);
    view->ScrollPages(-1);
    const wxString held = view->GetValue();
    link.SendAndShow("new 1\n");
    EXPECT_EQ(view->GetValue(), held) << "a view scrolled up does not move";
    EXPECT_EQ(ViewText(NotationAscii), lines + "new 1\n");
    view->ScrollPages(100);
    ASSERT_TRUE(WaitUntil([view] {
        WheelOn(view, -120);
        return view->GetValue().EndsWith("new 1\n");
    })) << "back at the bottom it follows again";
    link.SendAndShow("new 2\n");
    EXPECT_TRUE(view->GetValue().EndsWith("new 1\nnew 2\n"));

    wxKeyEvent selectAll(wxEVT_KEY_DOWN);
    selectAll.m_keyCode = 'A';
    selectAll.SetControlDown(true);
    ToView(view, selectAll);
    EXPECT_EQ(view->GetStringSelection(), lines + "new 1\nnew 2\n");

    wxKeyEvent find(wxEVT_CHAR_HOOK);
    find.m_keyCode = 'F';
    find.SetControlDown(true);
    find.ResumePropagation(wxEVENT_PROPAGATE_MAX); // as the toolkit sends it
    ToView(view, find);
    wxFindReplaceDialog *box = nullptr;
    for (wxWindow *window : wxTopLevelWindows)
        if ((box = dynamic_cast<wxFindReplaceDialog *>(window)) != nullptr)
            break;
    ASSERT_NE(box, nullptr);
    // The box as a user fills it in: its field, its case box, its Find button.
    auto search = [box](const wxString &what, bool matchCase) {
        for (wxWindow *child : box->GetChildren()) {
            if (auto *field = dynamic_cast<wxTextCtrl *>(child))
                field->SetValue(what);
            if (auto *check = dynamic_cast<wxCheckBox *>(child); check != nullptr && check->GetLabel() == "Match case")
                check->SetValue(matchCase);
        }
        wxWindow *button = box->FindWindow(wxID_FIND);
        wxCommandEvent click(wxEVT_BUTTON, wxID_FIND);
        click.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(click);
    };
    search("LINE 150", false);
    EXPECT_EQ(view->GetStringSelection(), "line 150");
    search("line 1", false);
    EXPECT_EQ(view->GetStringSelection(), "line 1") << "from the top of the view";
    ModalRecorder boxes;
    search("LINE 150", true);
    EXPECT_EQ(boxes.Messages(), "Cannot find \"LINE 150\"");
    wxCommandEvent cancel(wxEVT_BUTTON, wxID_CANCEL);
    box->GetEventHandler()->ProcessEvent(cancel);
    PumpEvents();
}

// Data received before a click, still waiting for the display timer, comes
// before the echo, which starts a line of its own in every view; the
// module's reply to the message follows the echo.
TEST_F(ReceiveTest, EchoStartsItsOwnLineAfterTheDataBeforeAndPrecedesTheReply)
{
    Connected link;
    const wxString messages[kNotationCount] = {"AT", "41 54", "01000001 01010100", "65 84"};
    const wxString ok[kNotationCount] = {"OK", "4f 4b", "01001111 01001011", "79 75"};
    for (int n = 0; n < kNotationCount; ++n) {
        Click(TerminalPanel::ID_CLEAR_RX);
        AddMessage(n, messages[n]);
        const uint64_t before = Panel()->RxBytesShown();
        link.SendAndStage("OK");
        ASSERT_EQ(Panel()->RxBytesShown(), before) << "shown before the click";
        std::thread module([&link] {
            if (ReadAtLeast(link.Peer(), 2) == "AT")
                WriteAll(link.Peer(), "OK");
        });
        Click(TerminalPanel::ID_SEND);
        module.join();
        ASSERT_TRUE(WaitShown(before + 4));
        EXPECT_EQ(ViewText(n), ok[n] + "\n" + messages[n] + "\n" + ok[n]) << n;
    }
}

class LogTest : public ReceiveTest {
protected:
    void SetUp() override
    {
        ReceiveTest::SetUp();
        char pattern[] = "/tmp/uart_logs_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        ASSERT_NE(getcwd(m_home, sizeof(m_home)), nullptr);
    }
    void TearDown() override
    {
        ReceiveTest::TearDown();
        std::system(("rm -rf " + m_dir).c_str());
    }
    // By default the log is created in the current directory; images are
    // loaded relative to the usual one, so only the click runs in the log's.
    void ClickIn(const std::string &dir, int id)
    {
        ASSERT_EQ(chdir(dir.c_str()), 0);
        Click(id);
        ASSERT_EQ(chdir(m_home), 0);
    }
    // Picks the folder of the next log in the folder chooser.
    static void ChooseLogFolder(const std::string &folder)
    {
        ModalRecorder boxes;
        boxes.OnOther([&folder](wxDialog *dialog) {
            auto *chooser = dynamic_cast<wxDirDialog *>(dialog);
            if (chooser == nullptr)
                return static_cast<int>(wxID_CANCEL);
            // What the chooser's own accept leaves in the dialog.
            chooser->wxDirDialogBase::SetPath(folder);
            return static_cast<int>(wxID_OK);
        });
        Click(TerminalPanel::ID_LOG_FOLDER);
        EXPECT_EQ(boxes.OtherTitles().size(), 1u);
        EXPECT_EQ(Panel()->CurrentSettings().logFolder, folder);
    }
    std::string m_dir;
    char m_home[4096] = {};
};

// The log is a copy of what arrived: no line break is added where a
// receive happened to end.
TEST_F(LogTest, HoldsExactlyTheBytesReceivedWhileLogging)
{
    ModalRecorder boxes;
    ClickIn(m_dir, TerminalPanel::ID_LOG_START);
    EXPECT_TRUE(LogFilesIn(m_dir).empty()) << "log started while not connected";

    Connected link;
    link.SendAndShow("before");
    const std::time_t now = std::time(nullptr);
    ClickIn(m_dir, TerminalPanel::ID_LOG_START);
    std::vector<std::string> files = LogFilesIn(m_dir);
    ASSERT_EQ(files.size(), 1u);
    const std::string name = files[0].substr(m_dir.size() + 1);
    EXPECT_TRUE(name == NameOfLogAt(now) || name == NameOfLogAt(now + 1)) << name;

    link.SendAndShow("\x1b\x3b");
    link.SendAndShow(std::string("\xaa\x55\0\r\n", 5));
    // The status bar names the running log by its whole path, with its size.
    Panel()->ShowLinkStatus();
    EXPECT_TRUE(LinkStatusShown().EndsWith(" | RX 13 B, TX 0 B | Log " + files[0] + " (7 B)")) << LinkStatusShown();
    ClickIn(m_dir, TerminalPanel::ID_LOG_STOP);
    EXPECT_TRUE(LinkStatusShown().EndsWith(" | RX 13 B, TX 0 B")) << LinkStatusShown();
    link.SendAndShow("after");
    EXPECT_EQ(FileContents(files[0]), std::string("\x1b\x3b\xaa\x55\0\r\n", 7));
    EXPECT_EQ(boxes.Messages(), "");
    // Every picture button says what it does, to the eye and to the bus.
    for (wxWindow *child : Panel()->GetChildren()) {
        if (dynamic_cast<wxBitmapButton *>(child) == nullptr)
            continue;
        const wxString said = child->GetToolTipText();
        EXPECT_FALSE(said.empty()) << child->GetId();
        auto *widget = static_cast<GtkWidget *>(child->GetHandle());
        EXPECT_STREQ(atk_object_get_name(gtk_widget_get_accessible(widget)), said.utf8_str().data());
    }
    EXPECT_EQ(Controls().connectButton->GetToolTipText(), "Disconnect");
    EXPECT_EQ(TerminalPanel::ButtonName(TerminalPanel::ID_LOG_START), "Start log");
    EXPECT_EQ(TerminalPanel::ButtonName(TerminalPanel::ID_LOG_STOP), "Stop log");
}

// The folder chosen and the older form, a line break after each packet,
// are kept with the settings; a later log of the same second gets a name of
// its own.
TEST_F(LogTest, ChosenFolderAndLineBreaksPerPacketAreKept)
{
    Connected link;
    ChooseLogFolder(m_dir);
    auto *lineBreaks = dynamic_cast<wxCheckBox *>(Panel()->FindWindow(TerminalPanel::ID_LOG_LINE_BREAKS));
    ASSERT_NE(lineBreaks, nullptr);
    lineBreaks->SetValue(true);
    wxCommandEvent click(wxEVT_COMMAND_CHECKBOX_CLICKED, TerminalPanel::ID_LOG_LINE_BREAKS);
    click.SetEventObject(lineBreaks);
    lineBreaks->GetEventHandler()->ProcessEvent(click);
    EXPECT_TRUE(Panel()->CurrentSettings().logLineBreaks);
    Click(TerminalPanel::ID_LOG_START);
    link.SendAndShow("AB");
    link.SendAndShow("C");
    const std::string name = LogFilesIn(m_dir).at(0);
    Click(TerminalPanel::ID_LOG_START);
    link.SendAndShow("D");
    Click(TerminalPanel::ID_LOG_STOP);
    const std::vector<std::string> files = LogFilesIn(m_dir);
    ASSERT_GE(files.size(), 2u);
    EXPECT_EQ(FileContents(name), "AB\nC\n");
    EXPECT_EQ(FileContents(files.back() == name ? files.front() : files.back()), "D\n");
}

// A link that drops and is taken up again by itself writes on into the
// same file; the log runs meanwhile and Disconnect ends it.
TEST_F(LogTest, LogGoesOnOverADroppedAndRetakenLink)
{
    TerminalPanel *panel = Panel();
    Connected link;
    SetChecked(TerminalPanel::ID_RECONNECT, true);
    ChooseLogFolder(m_dir);
    Click(TerminalPanel::ID_LOG_START);
    link.SendAndShow("one ");
    link.PeerFd().Reset();
    ASSERT_TRUE(WaitUntil([] { return LinkStatusShown().StartsWith("Reconnecting every 2 s | "); }));
    const std::vector<std::string> files = LogFilesIn(m_dir);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(LinkStatusShown().EndsWith(" | Log " + files[0] + " (4 B)")) << LinkStatusShown();
    Fd again;
    ASSERT_TRUE(WaitUntil(
        [&] {
            again = link.Listener().Accept(Millis(0));
            return again.Valid();
        },
        Millis(10000)));
    ASSERT_TRUE(WaitUntil([panel] { return Link().Connected(); }));
    const uint64_t shown = panel->RxBytesShown();
    ASSERT_TRUE(WriteAll(again.Get(), "two"));
    ASSERT_TRUE(WaitShown(shown + 3));
    EXPECT_EQ(FileContents(files[0]), "one two");
    ModalRecorder boxes;
    Click(TerminalPanel::ID_CONNECT);
    EXPECT_EQ(DescriptorsInto(m_dir), 0) << "Disconnect ends the log";
    EXPECT_EQ(LogFilesIn(m_dir).size(), 1u);
}

// The status timer reads the log's state while a write waits for a stalled
// disk: the window never waits for the log writer.
TEST_F(LogTest, StatusBarNeverWaitsForALogWriteHeldUpByTheDisk)
{
    Connected link;
    ChooseLogFolder(m_dir);
    Click(TerminalPanel::ID_LOG_START);
    link.SendAndShow("A");
    const std::string path = LogFilesIn(m_dir).at(0);
    StalledLogWrites stall;
    link.Send("B");
    ASSERT_TRUE(stall.WaitHeld(Millis(5000)));
    // Should the window wait for the write, the watchdog frees it.
    std::atomic<bool> shown{false};
    std::atomic<bool> freed{false};
    std::thread watchdog([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!shown && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        freed = !shown;
        stall.Release();
    });
    Panel()->ShowLinkStatus();
    shown = true;
    watchdog.join();
    EXPECT_FALSE(freed) << "the status bar waited for the log writer";
    EXPECT_TRUE(LinkStatusShown().EndsWith(" | Log " + path + " (1 B)")) << LinkStatusShown();
    ASSERT_TRUE(WaitShown(Panel()->RxBytesShown() + 1));
    EXPECT_EQ(FileContents(path), "AB");
}

TEST_F(LogTest, StartingAgainClosesTheOpenLogAndDisconnectEndsIt)
{
    Connected link;
    ClickIn(m_dir, TerminalPanel::ID_LOG_START);
    link.SendAndShow("1");
    const std::string second = m_dir + "/second";
    ASSERT_EQ(mkdir(second.c_str(), 0700), 0);
    ClickIn(second, TerminalPanel::ID_LOG_START);
    link.SendAndShow("2");
    EXPECT_EQ(DescriptorsInto(m_dir), 1);
    ModalRecorder boxes;
    Click(TerminalPanel::ID_CONNECT);
    EXPECT_EQ(DescriptorsInto(m_dir), 0);
    ASSERT_EQ(LogFilesIn(m_dir).size(), 1u);
    ASSERT_EQ(LogFilesIn(second).size(), 1u);
    EXPECT_EQ(FileContents(LogFilesIn(m_dir)[0]), "1");
    EXPECT_EQ(FileContents(LogFilesIn(second)[0]), "2");
}

// The scrollback limit and the line bound at a small size: the oldest whole
// lines go, on screen too, the newest text stays whole, a hidden view keeps
// no more and the view shown next gets just that, and the log keeps every
// byte.
TEST_F(LogTest, ViewsKeepTheirNewestLinesWithinTheLimitAndTheLogEverything)
{
    const PanelControls ui = Controls();
    Panel()->SetRxLimits(12, 8);
    Connected link;
    ClickIn(m_dir, TerminalPanel::ID_LOG_START);
    link.SendAndShow("ABCDEFGHIJ");
    EXPECT_EQ(ViewText(NotationAscii), "ABCDEFGH\nIJ");
    EXPECT_EQ(ViewText(NotationHex), "47 48 49\n4a");
    link.SendAndShow("KL");
    EXPECT_EQ(ViewText(NotationAscii), "IJKL");
    EXPECT_EQ(ui.rxViews[NotationAscii]->GetValue(), "IJKL");
    EXPECT_EQ(ViewText(NotationHex), "4a 4b 4c");
    EXPECT_EQ(ViewText(NotationBinary), "01001100");
    EXPECT_EQ(ViewText(NotationDecimal), "74 75 76");
    SelectReadType(NotationHex);
    EXPECT_EQ(ui.rxViews[NotationHex]->GetValue(), "4a 4b 4c");
    EXPECT_EQ(ui.rxViews[NotationAscii]->GetValue(), "");
    Click(TerminalPanel::ID_LOG_STOP);
    const std::vector<std::string> files = LogFilesIn(m_dir);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(FileContents(files[0]), "ABCDEFGHIJKL");
}

// A log that cannot be written (here: the file may not grow, as on a full
// disk) stops with a box naming it and the reason; it keeps what it held.
TEST_F(LogTest, LogThatCannotBeWrittenStopsWithABoxAndKeepsWhatItHolds)
{
    Connected link;
    ClickIn(m_dir, TerminalPanel::ID_LOG_START);
    link.SendAndShow("AB");
    ModalRecorder boxes;
    {
        const FileSizeLimit full(2);
        link.SendAndShow("CD");
        ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().empty(); }));
    }
    link.SendAndShow("EF");
    const std::vector<std::string> files = LogFilesIn(m_dir);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(boxes.Messages(), "Cannot write the log file \"" + files[0] + "\": File too large; logging has stopped");
    EXPECT_EQ(FileContents(files[0]), "AB");
    EXPECT_EQ(ViewText(NotationAscii), "ABCDEF");
}

TEST_F(LogTest, LogThatCannotBeCreatedIsReportedAndStaysOff)
{
    Connected link;
    const std::string gone = m_dir + "/gone";
    ASSERT_EQ(mkdir(gone.c_str(), 0700), 0);
    ASSERT_EQ(chdir(gone.c_str()), 0);
    ASSERT_EQ(rmdir(gone.c_str()), 0);
    ModalRecorder boxes;
    Click(TerminalPanel::ID_LOG_START);
    ASSERT_EQ(chdir(m_home), 0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    EXPECT_TRUE(boxes.Boxes()[0].message.StartsWith("Cannot create the log file \"wifilog-"));
    EXPECT_TRUE(boxes.Boxes()[0].message.EndsWith(".txt\": No such file or directory")) << boxes.Messages();
    link.SendAndShow("still shown");
    EXPECT_EQ(ViewText(NotationAscii), "still shown");
}

} // namespace
