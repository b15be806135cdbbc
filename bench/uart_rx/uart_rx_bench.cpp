// Receive path of the UART panel under load. Drives the real panel of the
// real main window against a loopback peer and prints, per scenario: the
// receive-to-screen lag (median, p99; sampled by a 10 ms GUI timer), how far
// behind the screen is when the peer has sent its last byte and how long it
// takes to catch up, the longest gap between two ticks of that timer, and
// the peak memory of the process. Every byte also goes to the log file,
// which is checked afterwards. Run under `xvfb-run -a`; each scenario runs in
// a fresh child process so that its peak memory is its own.
#include "app/main_window.h"
#include "bench/support/bench_support.h"
#include "uart/rx_render.h"
#include "uart/terminal_panel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/dir.h>
#include <wx/evtloop.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

struct Scenario {
    const char *name;
    size_t bytes;
    double bytesPerSecond; // 0: as fast as loopback allows
    bool stampedLines;     // "Write Timestamp" and "Wrap packets"
    bool switchToHex;
};

const Scenario kScenarios[] = {
    {"2 MB at 100 KB/s, timestamps and wrapping", 2u << 20, 100.0 * 1024, true, false},
    {"2 MB at 512 KB/s, timestamps and wrapping", 2u << 20, 512.0 * 1024, true, false},
    {"4 MB at full speed, timestamps and wrapping", 4u << 20, 0, true, true},
    {"4 MB at full speed, no timestamps, no wrapping (no target)", 4u << 20, 0, false, true},
};

constexpr size_t kBlock = 1024;
constexpr int kTickMs = 10;
constexpr double kGiveUpSeconds = 120;

// Printable text in lines ended by '\r' (a line break for the text views,
// while '\n' stays free to mark the chunks in the log).
std::string MakeData(size_t size)
{
    std::string data(size, ' ');
    for (size_t i = 0; i < size; ++i)
        data[i] = (i % 80 == 79) ? '\r' : static_cast<char>('!' + (i * 7 + i / 80) % 94);
    return data;
}

struct SentBlock {
    size_t end;
    Clock::time_point at;
};

// The module: sends the data in blocks, paced or as fast as it can.
void Serve(int peer, const std::string &data, double rate, std::vector<SentBlock> *sent, std::atomic<bool> *done)
{
    const Clock::time_point start = Clock::now();
    for (size_t offset = 0; offset < data.size(); offset += kBlock) {
        const size_t size = std::min(kBlock, data.size() - offset);
        if (rate > 0)
            std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(
                                                      std::chrono::duration<double>(offset / rate)));
        for (size_t sentBytes = 0; sentBytes < size;) {
            const ssize_t count = send(peer, data.data() + offset + sentBytes, size - sentBytes, MSG_NOSIGNAL);
            if (count <= 0)
                return;
            sentBytes += static_cast<size_t>(count);
        }
        sent->push_back({offset + size, Clock::now()});
    }
    *done = true;
}

void Click(TerminalPanel *panel, int id)
{
    bench::ClickButton(panel->FindWindow(id));
}

void SelectReadType(TerminalPanel *panel, int notation)
{
    panel->m_rxTypeRadio->SetSelection(notation);
    wxCommandEvent choice(wxEVT_COMMAND_RADIOBOX_SELECTED, TerminalPanel::ID_READ_TYPE);
    choice.SetInt(notation);
    choice.SetEventObject(panel->m_rxTypeRadio);
    panel->GetEventHandler()->ProcessEvent(choice);
}

// A 10 ms GUI timer: records its tick gaps and how much the panel shows.
class Sampler : public wxTimer {
public:
    explicit Sampler(TerminalPanel *panel) : m_panel(panel) {}
    void Notify() override
    {
        const Clock::time_point now = Clock::now();
        if (m_last != Clock::time_point())
            m_longestGap = std::max(m_longestGap, Millis(now - m_last).count());
        m_last = now;
        shown.push_back({now, m_panel->RxBytesShown()});
        if (stop && stop())
            loop->Exit();
    }
    void ResetGaps()
    {
        m_longestGap = 0;
        m_last = Clock::time_point();
    }
    double LongestGap() const { return m_longestGap; }

    std::vector<std::pair<Clock::time_point, uint64_t>> shown;
    std::function<bool()> stop;
    wxEventLoopBase *loop = nullptr;

private:
    TerminalPanel *m_panel;
    Clock::time_point m_last;
    double m_longestGap = 0;
};

void RunLoopUntil(Sampler &sampler, std::function<bool()> stop)
{
    wxEventLoop loop;
    sampler.loop = &loop;
    sampler.stop = std::move(stop);
    loop.Run();
    sampler.stop = nullptr;
}

std::string ReadFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The log holds each chunk followed by "\n"; the data has no "\n" of its own.
std::string CheckLog(const std::string &dir, const std::string &data)
{
    wxArrayString files;
    wxDir::GetAllFiles(dir, &files, "wifilog-*.txt", wxDIR_FILES);
    if (files.size() != 1)
        return "no single log file";
    const std::string log = ReadFile(files[0].ToStdString());
    std::string joined;
    size_t chunks = 0;
    size_t longest = 0;
    for (size_t start = 0; start < log.size();) {
        const size_t end = log.find('\n', start);
        if (end == std::string::npos)
            return "log does not end with a line break";
        joined.append(log, start, end - start);
        longest = std::max(longest, end - start);
        ++chunks;
        start = end + 1;
    }
    char text[128];
    std::snprintf(text, sizeof(text), "%s (%zu chunks, largest %zu bytes)",
                  joined == data ? "every byte, in order" : "MISMATCH", chunks, longest);
    return text;
}

// The Hex view holds the hex of the whole stream. With timestamps and
// wrapping it has one line per chunk, the bytes after " [RX] - ", and the
// lines joined with blanks must be that text exactly; without them the chunks
// run on unseparated, so only the digits can be compared.
bool HexViewComplete(TerminalPanel *panel, const std::string &data, bool stampedLines)
{
    const std::string shown = panel->m_rxViews[NotationHex]->GetValue().utf8_string();
    const std::string expected = Rendered(NotationHex, reinterpret_cast<const uint8_t *>(data.data()), data.size());
    std::string joined;
    joined.reserve(expected.size());
    if (!stampedLines) {
        std::string digits;
        for (const char c : expected)
            if (c != ' ')
                digits += c;
        for (const char c : shown)
            if (c != ' ')
                joined += c;
        return joined == digits;
    }
    for (size_t start = 0; start < shown.size();) {
        size_t end = shown.find('\n', start);
        if (end == std::string::npos)
            end = shown.size();
        const size_t marker = shown.find(" [RX] - ", start);
        if (marker == std::string::npos || marker > end)
            return false;
        if (!joined.empty())
            joined += ' ';
        joined.append(shown, marker + 8, end - marker - 8);
        start = end + 1;
    }
    return joined == expected;
}

int RunScenario(const Scenario &scenario)
{
    MainWindow *window = MainWindow::GetInstance();
    TerminalPanel *panel = window->m_terminalPanel;
    panel->m_timestampCheck->SetValue(scenario.stampedLines);
    panel->m_wrapCheck->SetValue(scenario.stampedLines);

    uint16_t port = 0;
    const int listener = bench::ListenOnLoopback(&port);
    panel->SetConnectionParameters("127.0.0.1", wxString::Format("%u", port));
    Click(panel, TerminalPanel::ID_CONNECT);
    const int peer = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (!panel->m_connected || peer < 0) {
        std::printf("  could not connect\n");
        return 1;
    }

    char logDir[] = "/tmp/uart_rx_bench_XXXXXX";
    char home[4096];
    if (mkdtemp(logDir) == nullptr || getcwd(home, sizeof(home)) == nullptr || chdir(logDir) != 0)
        return 1;
    Click(panel, TerminalPanel::ID_LOG_START);
    if (chdir(home) != 0)
        return 1;

    const std::string data = MakeData(scenario.bytes);
    std::vector<SentBlock> sent;
    sent.reserve(data.size() / kBlock + 1);
    std::atomic<bool> peerDone{false};
    Sampler sampler(panel);
    sampler.Start(kTickMs);
    const Clock::time_point start = Clock::now();
    std::thread module(Serve, peer, std::cref(data), scenario.bytesPerSecond, &sent, &peerDone);
    RunLoopUntil(sampler, [&] {
        return (peerDone && panel->RxBytesShown() >= data.size()) ||
               Clock::now() - start > std::chrono::seconds(static_cast<int>(kGiveUpSeconds));
    });
    module.join();
    const double gapWhileReceiving = sampler.LongestGap();

    // Lag of each sent block: from the end of its send to the first sample
    // showing all of it.
    std::vector<double> lags;
    size_t sample = 0;
    for (const SentBlock &block : sent) {
        while (sample < sampler.shown.size() &&
               (sampler.shown[sample].second < block.end || sampler.shown[sample].first < block.at))
            ++sample;
        if (sample == sampler.shown.size())
            break;
        lags.push_back(Millis(sampler.shown[sample].first - block.at).count());
    }
    const Clock::time_point lastSent = sent.empty() ? start : sent.back().at;
    uint64_t shownAtLastSend = 0;
    for (const auto &[at, shown] : sampler.shown)
        if (at <= lastSent)
            shownAtLastSend = shown;
    const bool complete = panel->RxBytesShown() >= data.size();
    Clock::time_point allShown = sampler.shown.empty() ? lastSent : sampler.shown.back().first;
    for (const auto &[at, shown] : sampler.shown)
        if (shown >= data.size()) {
            allShown = at;
            break;
        }

    std::printf("  sending took %.1f s (%.0f KB/s); shown: %s\n", std::chrono::duration<double>(lastSent - start).count(),
                data.size() / 1024.0 / std::max(1e-3, std::chrono::duration<double>(lastSent - start).count()),
                complete ? "all" : "NOT ALL (gave up)");
    std::printf("  lag receive-to-screen: median %.0f ms, p99 %.0f ms, max %.0f ms (%zu blocks of %zu bytes)\n",
                bench::Percentile(lags, 0.5), bench::Percentile(lags, 0.99), bench::Percentile(lags, 1.0), lags.size(), kBlock);
    std::printf("  behind when the peer sent its last byte: %.0f KB; all on screen %.2f s after it\n",
                (data.size() - shownAtLastSend) / 1024.0, std::chrono::duration<double>(allShown - lastSent).count());
    std::printf("  longest gap of the 10 ms GUI timer: %.0f ms\n", gapWhileReceiving);

    // Measured before the checks below, which hold copies of the texts.
    std::printf("  peak memory: %.0f MB\n", bench::PeakMemoryKb() / 1024.0);
    if (scenario.switchToHex && complete) {
        sampler.ResetGaps();
        const Clock::time_point before = Clock::now();
        SelectReadType(panel, NotationHex);
        const double switchMs = Millis(Clock::now() - before).count();
        const Clock::time_point settle = Clock::now();
        RunLoopUntil(sampler, [&] { return Clock::now() - settle > std::chrono::seconds(3); });
        const double peakMb = bench::PeakMemoryKb() / 1024.0;
        std::printf("  switch to Hex: %.0f ms in the handler, longest timer gap in the 3 s after: %.0f ms, peak "
                    "memory %.0f MB; Hex view %s\n",
                    switchMs, sampler.LongestGap(), peakMb,
                    HexViewComplete(panel, data, scenario.stampedLines) ? "complete and exact" : "NOT COMPLETE");
    }
    sampler.Stop();
    Click(panel, TerminalPanel::ID_LOG_STOP);
    std::printf("  log file: %s\n", CheckLog(logDir, data).c_str());
    std::fflush(stdout);
    std::system((std::string("rm -rf ") + logDir).c_str());
    // The views' text is not worth a tidy teardown here.
    std::_Exit(complete ? 0 : 1);
}

int RunChild(int index)
{
    int argc = 1;
    char name[] = "uart_rx_bench";
    char *argv[] = {name, nullptr};
    if (!bench::StartToolkit(argc, argv))
        return 2;
    return RunScenario(kScenarios[index]);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2)
        return RunChild(std::atoi(argv[1]));
    const int count = static_cast<int>(sizeof(kScenarios) / sizeof(kScenarios[0]));
    for (int index = 0; index < count; ++index) {
        std::printf("%s\n", kScenarios[index].name);
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            const std::string number = std::to_string(index);
            execl("/proc/self/exe", argv[0], number.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::printf("  (scenario ended with status %d)\n", status);
    }
    return 0;
}
