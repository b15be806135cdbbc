#include "app/main_window.h"
#include "net/tcp.h"
#include "tests/uart/uart_panel_driver.h"
#include "uart/worker_events.h"

#include <atomic>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <thread>
#include <vector>
#include <wx/app.h>
#include <wx/bmpbuttn.h>
#include <wx/stattext.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

// Larger than what the loopback connection buffers, so that a stream whose
// peer does not read stays in the middle of the file.
constexpr size_t kLargeFile = 16u << 20;

// Every byte value, in an order that shows a lost, repeated or shifted chunk.
std::string Bytes(size_t size, unsigned seed = 0)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256 + seed) & 0xff);
    return bytes;
}

bool Streaming()
{
    return Link().Streaming();
}

// Counts the progress events that reach the panel and keeps their counts;
// bound after the panel's own handler, so it runs first and passes them on.
class ProgressProbe : public wxEvtHandler {
public:
    ProgressProbe()
    {
        Panel()->Connect(wxID_ANY, EVT_FILE_PROGRESS, wxCommandEventHandler(ProgressProbe::OnProgress), nullptr,
                         this);
    }
    ~ProgressProbe() override
    {
        // The panel's own Disconnect hides the toolkit's.
        static_cast<wxEvtHandler *>(Panel())->Disconnect(wxID_ANY, EVT_FILE_PROGRESS,
                                                         wxCommandEventHandler(ProgressProbe::OnProgress), nullptr,
                                                         this);
    }
    std::vector<uint64_t> counts;
    bool offGuiThread = false;

private:
    void OnProgress(wxCommandEvent &event)
    {
        offGuiThread = offGuiThread || !wxThread::IsMain();
        counts.push_back(reinterpret_cast<uintptr_t>(event.GetClientData()));
        event.Skip();
    }
};

class MediaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetPanel();
        char dir[] = "/tmp/uart_media_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override
    {
        EXPECT_TRUE(WaitUntil([] { return !Streaming(); })) << "a stream outlived its test";
        ResetPanel();
        std::system(("rm -rf '" + m_dir + "'").c_str());
    }

    // Writes the file and chooses it for streaming, as the menu command does.
    wxString Choose(const std::string &name, const std::string &bytes)
    {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        const wxString widePath = wxString::FromUTF8(path);
        Panel()->SelectMediaFile(widePath, wxString::FromUTF8(name));
        return widePath;
    }

    std::string m_dir;
};

// Reads what the stream sends until it has been quiet for a while: the
// stream is then paused, ended, or stuck on a peer that stopped reading.
std::string ReadWhileSending(int fd)
{
    return ReadUntilQuiet(fd, Millis(300), Millis(20000));
}

TEST_F(MediaTest, FileArrivesExactlyAndPlayAfterItsEndStartsAgain)
{
    Connected link;
    const std::string bytes = Bytes(600);
    // A name the C library's encoding cannot express in the "C" locale, with
    // an "&" the caption shows as it is.
    Choose("chanson \xc3\xa9t\xc3\xa9 & co.mp3", bytes);
    EXPECT_EQ(Controls().mediaLabel->GetLabelText(),
              wxString::FromUTF8("Selected media stream:\nchanson \xc3\xa9t\xc3\xa9 & co.mp3"));
    ProgressProbe probe;
    ModalRecorder boxes;
    for (int round = 0; round < 2; ++round) {
        Click(TerminalPanel::ID_MEDIA_PLAY);
        EXPECT_EQ(ReadAtLeast(link.Peer(), bytes.size()), bytes) << "round " << round;
        ASSERT_TRUE(WaitUntil([] { return !Streaming() && Link().MediaBytesReported() == 600; }));
    }
    EXPECT_EQ(ReadUntilQuiet(link.Peer()), "");
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Messages();
    // Counts are taken after whole chunks of 256 bytes.
    ASSERT_FALSE(probe.counts.empty());
    for (const uint64_t count : probe.counts)
        EXPECT_TRUE(count == 256 || count == 512 || count == 600) << count;
    EXPECT_FALSE(probe.offGuiThread);
}

TEST_F(MediaTest, EmptyFileEndsQuietlyAndAFileThatCannotBeOpenedSaysWhy)
{
    Connected link;
    ModalRecorder boxes;
    Choose("empty.ogg", "");
    Click(TerminalPanel::ID_MEDIA_PLAY);
    EXPECT_TRUE(WaitUntil([] { return !Streaming(); }));
    PumpEvents();
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Messages();

    const wxString gone = Choose("gone.avi", "never sent");
    ASSERT_EQ(std::remove(gone.utf8_str()), 0);
    Click(TerminalPanel::ID_MEDIA_PLAY);
    ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().empty(); }));
    EXPECT_EQ(boxes.Messages(), "Cannot open the media file \"" + gone + "\": No such file or directory");
    EXPECT_FALSE(Streaming());
    EXPECT_EQ(ReadUntilQuiet(link.Peer()), "");
    EXPECT_TRUE(Link().Connected());
}

TEST_F(MediaTest, PauseHoldsTheStreamAndPlayGoesOnWithNothingLostOrRepeated)
{
    Connected link;
    const std::string bytes = Bytes(kLargeFile);
    Choose("film.mp4", bytes);
    Click(TerminalPanel::ID_MEDIA_PLAY);
    // Play while the stream runs starts no second stream.
    Click(TerminalPanel::ID_MEDIA_PLAY);
    Click(TerminalPanel::ID_MEDIA_PAUSE);
    Click(TerminalPanel::ID_MEDIA_PAUSE);
    std::string received = ReadWhileSending(link.Peer());
    ASSERT_LT(received.size(), bytes.size()) << "the pause did not hold the stream";
    EXPECT_TRUE(Streaming());
    EXPECT_TRUE(received == bytes.substr(0, received.size()));

    Click(TerminalPanel::ID_MEDIA_PLAY);
    received += ReadAtLeast(link.Peer(), bytes.size() - received.size(), Millis(20000));
    ASSERT_EQ(received.size(), bytes.size());
    EXPECT_TRUE(received == bytes);
    EXPECT_TRUE(WaitUntil([] { return !Streaming(); }));
    EXPECT_EQ(ReadUntilQuiet(link.Peer()), "");
}

TEST_F(MediaTest, BackwardEndsAPausedOrBlockedStreamAndPlayStartsOver)
{
    Connected link;
    const std::string bytes = Bytes(kLargeFile);
    Choose("film.mpg", bytes);

    Click(TerminalPanel::ID_MEDIA_PLAY);
    Click(TerminalPanel::ID_MEDIA_PAUSE);
    const std::string beforePause = ReadWhileSending(link.Peer());
    ASSERT_LT(beforePause.size(), bytes.size());
    Click(TerminalPanel::ID_MEDIA_BACKWARD);
    EXPECT_FALSE(Streaming()) << "backward returns once the stream has ended";
    EXPECT_EQ(ReadUntilQuiet(link.Peer()), "");

    // A stream held up by a peer that does not read: backward ends it at
    // once, and what the peer reads later is the start of the file.
    Click(TerminalPanel::ID_MEDIA_PLAY);
    ASSERT_TRUE(WaitUntil([] { return Link().MediaBytesReported() > 0; }));
    std::string fromStart;
    std::thread reader([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        fromStart = ReadWhileSending(link.Peer());
    });
    Click(TerminalPanel::ID_MEDIA_BACKWARD);
    EXPECT_FALSE(Streaming());
    reader.join();
    ASSERT_LT(fromStart.size(), bytes.size());
    EXPECT_TRUE(fromStart == bytes.substr(0, fromStart.size())) << "a new play starts at the beginning";

    Click(TerminalPanel::ID_MEDIA_PLAY);
    const std::string whole = ReadAtLeast(link.Peer(), bytes.size(), Millis(20000));
    EXPECT_TRUE(whole == bytes);
}

TEST_F(MediaTest, NewFileWhileStreamingChangesTheCaptionButNotTheRunningStream)
{
    Connected link;
    const std::string first = Bytes(kLargeFile);
    Choose("first.flv", first);
    Click(TerminalPanel::ID_MEDIA_PLAY);
    ASSERT_TRUE(WaitUntil([] { return Link().MediaBytesReported() > 0; }));
    const std::string second = Bytes(1000, 99);
    const wxString secondPath = Choose("second.mp3", second);
    EXPECT_EQ(Controls().mediaLabel->GetLabel(), "Selected media stream:\nsecond.mp3");
    EXPECT_EQ(Panel()->MediaFilePath(), secondPath);

    const std::string received = ReadAtLeast(link.Peer(), first.size(), Millis(20000));
    EXPECT_TRUE(received == first);
    ASSERT_TRUE(WaitUntil([] { return !Streaming(); }));
    Click(TerminalPanel::ID_MEDIA_PLAY);
    EXPECT_EQ(ReadAtLeast(link.Peer(), second.size()), second);
    EXPECT_TRUE(WaitUntil([] { return !Streaming(); }));
}

TEST_F(MediaTest, EveryButtonWantsAConnectionAndLoopDoesNothing)
{
    Choose("clip.mp3", Bytes(600));
    for (const int id : {TerminalPanel::ID_MEDIA_BACKWARD, TerminalPanel::ID_MEDIA_PLAY,
                         TerminalPanel::ID_MEDIA_PAUSE, TerminalPanel::ID_MEDIA_LOOP}) {
        ModalRecorder boxes;
        Click(id);
        ASSERT_EQ(boxes.Boxes().size(), 1u) << id;
        EXPECT_EQ(boxes.Boxes()[0].message, "You have to connect first.");
        EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
        EXPECT_EQ(boxes.Boxes()[0].style & (wxOK | wxICON_ERROR), wxOK | wxICON_ERROR);
        EXPECT_FALSE(Streaming());
    }

    Connected link;
    ModalRecorder boxes;
    Click(TerminalPanel::ID_MEDIA_LOOP);
    EXPECT_FALSE(Streaming());
    EXPECT_EQ(ReadUntilQuiet(link.Peer()), "");
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Messages();
}

// A stream that runs while the GUI thread is busy leaves one progress event
// waiting, not one per chunk, and that event brings the final count.
TEST_F(MediaTest, ProgressNeverFloodsTheEventQueueAndEndsWithTheFinalCount)
{
    Connected link;
    const std::string bytes = Bytes(8u << 20);
    Choose("long.ogv", bytes);
    ProgressProbe probe;
    PumpEvents();
    // A peer that reads slowly keeps the stream going over many reports.
    std::string received;
    std::thread reader([&] {
        for (int turn = 0; turn < 5000 && received.size() < bytes.size(); ++turn) {
            received += ReadAtLeast(link.Peer(), 1, Millis(1000));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    Click(TerminalPanel::ID_MEDIA_PLAY);
    reader.join();
    for (int waited = 0; Streaming() && waited < 5000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(Streaming());
    EXPECT_TRUE(received == bytes);

    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(probe.counts.size(), 1u);
    EXPECT_EQ(Link().MediaBytesReported(), bytes.size());
    EXPECT_FALSE(probe.offGuiThread);
}

// The stream's sends fail once the connection is gone: it ends and says why.
TEST_F(MediaTest, DisconnectEndsARunningStreamWithTheSocketsError)
{
    ModalRecorder boxes;
    {
        Connected link;
        Choose("film.avi", Bytes(kLargeFile));
        Click(TerminalPanel::ID_MEDIA_PLAY);
        ASSERT_TRUE(WaitUntil([] { return Link().MediaBytesReported() > 0; }));
        Click(TerminalPanel::ID_CONNECT);
        EXPECT_FALSE(Link().Connected());
        EXPECT_TRUE(WaitUntil([] { return !Streaming(); }));
    }
    ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().empty(); }));
    PumpEvents();
    EXPECT_EQ(boxes.Messages(), "Broken pipe");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
}

int Threads()
{
    int count = 0;
    if (DIR *dir = opendir("/proc/self/task")) {
        while (const dirent *entry = readdir(dir))
            count += entry->d_name[0] != '.';
        closedir(dir);
    }
    return count;
}

// At exit a paused stream is resumed and ended before the panel goes; run in
// a child process, since the one main window cannot come back.
TEST(MediaDeathTest, ClosingTheFrameEndsAPausedStreamFirst)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            MainWindow *window = MainWindow::GetInstance();
            TerminalPanel *panel = window->m_terminalPanel;
            PumpEvents(Millis(200));
            const int threadsBefore = Threads();
            char path[] = "/tmp/uart_media_exit_XXXXXX";
            const int file = mkstemp(path);
            const std::string bytes = Bytes(kLargeFile);
            if (file < 0 || write(file, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
                std::exit(3);
            close(file);
            LoopbackListener listener;
            SetParameters(listener.Ip(), listener.Port());
            ModalRecorder boxes;
            Click(TerminalPanel::ID_CONNECT);
            Fd peer = listener.Accept();
            panel->SelectMediaFile(path, "exit.mp4");
            Click(TerminalPanel::ID_MEDIA_PLAY);
            Click(TerminalPanel::ID_MEDIA_PAUSE);
            ReadWhileSending(peer.Get());
            const bool paused = Link().Streaming();
            window->m_frame->Close();
            wxWakeUpIdle();
            const int status = wxTheApp->OnRun();
            unlink(path);
            window->CloseSocketLibrary();
            EndProgram(paused && status == 0 && wxTopLevelWindows.empty() && Threads() <= threadsBefore);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
