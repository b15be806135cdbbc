// Media streaming throughput. Streams a 50 MB file over loopback to a reading
// peer through the real panel and its streaming thread (play clicked on the
// real main window, the GUI event loop running), and sends the same file in
// a plain loop of 256-byte send calls, the limit for that chunk size. Each
// run streams the file several times over one connection and prints the
// median MB/s; runs of the two kinds alternate, so that other load on the
// machine hits both alike. Also printed: the progress events the GUI thread
// handled and the peak memory of the process, with a file twice as large as
// well. The peer compares every byte with the file. Run under `xvfb-run -a`;
// each run is a fresh child process, so that its peak memory is its own.
#include "app/main_window.h"
#include "bench/support/bench_support.h"
#include "uart/terminal_panel.h"
#include "uart/worker_events.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/timer.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMegabyte = 1u << 20;
constexpr size_t kChunk = 256;
constexpr int kRepetitions = 5;
constexpr int kRounds = 3;
constexpr int kGiveUpSeconds = 120;

uint64_t FileSize(const std::string &path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    return file ? static_cast<uint64_t>(file.tellg()) : 0;
}

// The module: accepts one connection and reads the file `repetitions` times
// over, comparing every byte with the file and noting when each copy was
// complete.
class Peer {
public:
    Peer(int listener, const std::string &path, int repetitions)
        : m_size(FileSize(path)), m_thread([this, listener, path, repetitions] { Run(listener, path, repetitions); })
    {
    }
    ~Peer() { m_thread.join(); }
    bool Done() const { return m_done; }
    // Copies complete so far.
    int Copies() const { return m_copies; }
    Clock::time_point CopyDone(int copy) const { return m_copyDone[static_cast<size_t>(copy)]; }
    bool Exact() const { return m_exact; }

private:
    void Run(int listener, const std::string &path, int repetitions)
    {
        m_copyDone.resize(static_cast<size_t>(repetitions));
        const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        std::ifstream file(path, std::ios::binary);
        std::vector<char> buffer(1 << 16);
        std::vector<char> original(buffer.size());
        const uint64_t expected = m_size * static_cast<uint64_t>(repetitions);
        uint64_t received = 0;
        bool exact = fd >= 0 && m_size > 0;
        while (exact && received < expected) {
            const uint64_t copyLeft = m_size - received % m_size;
            const ssize_t count = recv(fd, buffer.data(), std::min<uint64_t>(buffer.size(), copyLeft), 0);
            if (count <= 0)
                break;
            file.read(original.data(), count);
            exact = file.gcount() == count && std::memcmp(buffer.data(), original.data(), count) == 0;
            received += static_cast<uint64_t>(count);
            if (received % m_size == 0) {
                m_copyDone[static_cast<size_t>(m_copies)] = Clock::now();
                ++m_copies;
                file.clear();
                file.seekg(0);
            }
        }
        m_exact = exact && received == expected;
        m_done = true;
        if (fd >= 0)
            close(fd);
    }

    const uint64_t m_size;
    std::vector<Clock::time_point> m_copyDone;
    std::atomic<int> m_copies{0};
    std::atomic<bool> m_exact{false};
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void Report(const char *what, uint64_t size, const std::vector<double> &seconds, bool exact, const std::string &extra)
{
    std::vector<double> rates;
    for (const double s : seconds)
        rates.push_back(size / double(kMegabyte) / s);
    std::printf("  %-6s median %6.1f MB/s (min %.1f, max %.1f over %zu x %.0f MB), %s, peak memory %.0f MB%s\n",
                what, Median(rates), rates.empty() ? 0 : *std::min_element(rates.begin(), rates.end()),
                rates.empty() ? 0 : *std::max_element(rates.begin(), rates.end()), rates.size(),
                size / double(kMegabyte), exact ? "byte-exact" : "NOT EXACT", bench::PeakMemoryKb() / 1024.0, extra.c_str());
    std::fflush(stdout);
}

int RunPlain(const std::string &path)
{
    uint16_t port = 0;
    const int listener = bench::ListenOnLoopback(&port);
    if (listener < 0)
        return 1;
    Peer peer(listener, path, kRepetitions);
    const int fd = bench::ConnectToLoopback(port);
    if (fd < 0)
        return 1;

    // The file is read in large blocks, so that nearly only the sends count.
    std::vector<char> block(1 << 16);
    std::vector<double> seconds;
    for (int copy = 0; copy < kRepetitions; ++copy) {
        std::FILE *file = std::fopen(path.c_str(), "rb");
        if (file == nullptr)
            return 1;
        const Clock::time_point start = Clock::now();
        size_t count = 0;
        while ((count = std::fread(block.data(), 1, block.size(), file)) > 0)
            for (size_t offset = 0; offset < count;) {
                const size_t piece = std::min(kChunk, count - offset);
                const ssize_t sent = send(fd, block.data() + offset, piece, MSG_NOSIGNAL);
                if (sent < 0)
                    return 1;
                offset += static_cast<size_t>(sent);
            }
        std::fclose(file);
        while (peer.Copies() <= copy && !peer.Done())
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        if (peer.Copies() <= copy)
            break;
        seconds.push_back(std::chrono::duration<double>(peer.CopyDone(copy) - start).count());
    }
    while (!peer.Done())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    close(fd);
    Report("plain", FileSize(path), seconds, peer.Exact(), "");
    return peer.Exact() ? 0 : 1;
}

void Click(TerminalPanel *panel, int id)
{
    bench::ClickButton(panel->FindWindow(id));
}

// Counts the progress events the GUI thread handles, and passes them on.
class ProgressCounter : public wxEvtHandler {
public:
    void OnProgress(wxCommandEvent &event)
    {
        ++count;
        event.Skip();
    }
    uint64_t count = 0;
};

// Ends the event loop when `done` holds, checked every 10 ms (the times are
// taken by the peer; a busier check would take the processor from the stream).
class Watch : public wxTimer {
public:
    Watch(wxEventLoopBase &loop, std::function<bool()> done) : m_loop(loop), m_done(std::move(done)) {}
    void Notify() override
    {
        if (m_done())
            m_loop.Exit();
    }

private:
    wxEventLoopBase &m_loop;
    std::function<bool()> m_done;
};

void RunLoopUntil(std::function<bool()> done)
{
    wxEventLoop loop;
    Watch watch(loop, std::move(done));
    watch.Start(10);
    loop.Run();
}

int RunPanel(const std::string &path)
{
    TerminalPanel *panel = MainWindow::GetInstance()->m_terminalPanel;
    uint16_t port = 0;
    const int listener = bench::ListenOnLoopback(&port);
    const uint64_t size = FileSize(path);
    if (listener < 0 || size == 0)
        return 1;
    panel->SetConnectionParameters(LinkEndpoint{"127.0.0.1", port, LinkMode::TcpClient});
    Peer peer(listener, path, kRepetitions);
    Click(panel, TerminalPanel::ID_CONNECT);
    if (!panel->Link().Connected())
        return 1;
    ProgressCounter counter;
    panel->Connect(wxID_ANY, EVT_FILE_PROGRESS, wxCommandEventHandler(ProgressCounter::OnProgress), nullptr,
                   &counter);
    panel->SelectMediaFile(wxString::FromUTF8(path), "bench.mp4");
    wxTheApp->ProcessPendingEvents();
    const long before = bench::PeakMemoryKb();

    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(kGiveUpSeconds);
    std::vector<double> seconds;
    for (int copy = 0; copy < kRepetitions; ++copy) {
        const Clock::time_point start = Clock::now();
        Click(panel, TerminalPanel::ID_MEDIA_PLAY);
        RunLoopUntil([&] {
            return (peer.Copies() > copy && !panel->Link().Streaming() &&
                    panel->Link().MediaBytesReported() == size) ||
                   peer.Done() || Clock::now() > giveUp;
        });
        if (peer.Copies() <= copy)
            break;
        seconds.push_back(std::chrono::duration<double>(peer.CopyDone(copy) - start).count());
    }
    RunLoopUntil([&] { return peer.Done() || Clock::now() > giveUp; });
    char extra[160];
    std::snprintf(extra, sizeof(extra), " (%.0f MB before play); %.0f progress events per copy of %llu chunks",
                  before / 1024.0, counter.count / double(kRepetitions),
                  static_cast<unsigned long long>((size + kChunk - 1) / kChunk));
    Report("panel", size, seconds, peer.Exact(), extra);
    // The window is not worth a tidy teardown here.
    std::_Exit(peer.Exact() ? 0 : 1);
}

int RunChild(const std::string &mode, const std::string &path)
{
    if (mode == "plain")
        return RunPlain(path);
    int argc = 1;
    char name[] = "uart_media_bench";
    char *argv[] = {name, nullptr};
    if (!bench::StartToolkit(argc, argv))
        return 2;
    return RunPanel(path);
}

bool WriteFile(const std::string &path, size_t size)
{
    std::ofstream file(path, std::ios::binary);
    std::vector<char> block(kMegabyte);
    for (size_t offset = 0; offset < size; offset += block.size()) {
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(((offset + i) * 2654435761u) >> 13);
        file.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    return static_cast<bool>(file);
}

void RunInChild(const char *self, const char *mode, const std::string &path)
{
    const pid_t child = fork();
    if (child == 0) {
        execl("/proc/self/exe", self, mode, path.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::printf("  (%s run ended with status %d)\n", mode, status);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3)
        return RunChild(argv[1], argv[2]);
    char dir[] = "/tmp/uart_media_bench_XXXXXX";
    if (mkdtemp(dir) == nullptr)
        return 1;
    const std::string file50 = std::string(dir) + "/stream50.mp4";
    const std::string file100 = std::string(dir) + "/stream100.mp4";
    if (!WriteFile(file50, 50 * kMegabyte) || !WriteFile(file100, 100 * kMegabyte))
        return 1;

    std::printf("50 MB file in 256-byte chunks, %d rounds\n", kRounds);
    std::fflush(stdout);
    for (int round = 0; round < kRounds; ++round) {
        RunInChild(argv[0], "plain", file50);
        RunInChild(argv[0], "panel", file50);
    }
    std::printf("100 MB file (memory stays as for 50 MB)\n");
    std::fflush(stdout);
    RunInChild(argv[0], "plain", file100);
    RunInChild(argv[0], "panel", file100);
    std::system((std::string("rm -rf ") + dir).c_str());
    return 0;
}
