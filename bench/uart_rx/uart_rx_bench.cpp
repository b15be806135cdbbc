// Receive path of the UART panel under load. Drives the real panel of the
// real main window against a loopback peer and prints, per scenario: the
// intake rate, the receive-to-screen lag (median, p99; sampled by a 10 ms
// GUI timer), how far behind the screen is when the peer has sent its last
// byte and how long it takes to catch up, the longest gap between two ticks
// of that timer, the peak memory of the process, and whether the shown view
// ends with exactly the newest data. Scenarios with switches then show each
// notation in turn and time the switch. Every byte also goes to the log file,
// which is checked afterwards against the data. Run under `xvfb-run -a`; each
// scenario runs in a fresh child process so that its peak memory is its own.
// The data is made on the fly, so the benchmark itself holds none of it;
// `--with-1gb` adds a 1 GB stream.
#include "app/main_window.h"
#include "bench/support/bench_support.h"
#include "uart/rx_render.h"
#include "uart/terminal_panel.h"

#include <algorithm>
#include <cctype>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <netinet/in.h>
#include <netinet/tcp.h>
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
    bool lineBreaks;       // the data has line breaks of its own
    bool switches;         // then shows each notation in turn
};

constexpr size_t kMB = size_t{1} << 20;
const char *const kNotationNames[kNotationCount] = {"ASCII", "Hex", "Binary", "Decimal"};

const Scenario kScenarios[] = {
    {"2 MB at 100 KB/s, timestamps and wrapping", 2 * kMB, 100.0 * 1024, true, true, false},
    {"2 MB at 512 KB/s, timestamps and wrapping", 2 * kMB, 512.0 * 1024, true, true, false},
    {"64 MB at full speed, timestamps and wrapping", 64 * kMB, 0, true, true, false},
    {"256 MB at full speed, timestamps and wrapping", 256 * kMB, 0, true, true, true},
    {"64 MB without line breaks at full speed, no timestamps, no wrapping", 64 * kMB, 0, false, false, true},
    {"1 GB at full speed, timestamps and wrapping", 1024 * kMB, 0, true, true, false},
};
constexpr int kOptionalScenarios = 1; // the last ones, run with --with-1gb

constexpr size_t kBlock = 1024;
constexpr int kTickMs = 10;
// Slower than this and a scenario is given up.
constexpr double kSlowestBytesPerSecond = 256.0 * 1024;

// Printable text; with line breaks, lines of 80 ended by '\r' (a line break
// for the text views).
char DataByte(size_t i, bool lineBreaks)
{
    if (lineBreaks && i % 80 == 79)
        return '\r';
    return static_cast<char>('!' + (i * 7 + i / 80) % 94);
}

void FillData(size_t offset, size_t size, bool lineBreaks, char *out)
{
    for (size_t i = 0; i < size; ++i)
        out[i] = DataByte(offset + i, lineBreaks);
}

// When each block was sent, in ms from the start: block i ends at byte
// (i + 1) * kBlock. Kept small, so that the peak memory is the terminal's.
using SentTimes = std::vector<float>;

size_t BlockEnd(size_t index, size_t bytes)
{
    return std::min((index + 1) * kBlock, bytes);
}

// The module: sends the data in blocks, paced or as fast as it can.
void Serve(int peer, const Scenario &scenario, Clock::time_point start, SentTimes *sent, std::atomic<bool> *done)
{
    const double rate = scenario.bytesPerSecond;
    char block[kBlock];
    for (size_t offset = 0; offset < scenario.bytes; offset += kBlock) {
        const size_t size = std::min(kBlock, scenario.bytes - offset);
        FillData(offset, size, scenario.lineBreaks, block);
        if (rate > 0)
            std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(
                                                      std::chrono::duration<double>(offset / rate)));
        for (size_t sentBytes = 0; sentBytes < size;) {
            const ssize_t count = send(peer, block + sentBytes, size - sentBytes, MSG_NOSIGNAL);
            if (count <= 0)
                return;
            sentBytes += static_cast<size_t>(count);
        }
        sent->push_back(static_cast<float>(Millis(Clock::now() - start).count()));
    }
    *done = true;
}

// CPU time of the calling thread: the GUI thread's own cost per byte, which
// unlike the intake rate does not depend on how the threads share the cores.
double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

void Click(TerminalPanel *panel, int id)
{
    bench::ClickButton(panel->FindWindow(id));
}

void SelectReadType(TerminalPanel *panel, int notation)
{
    auto *radio = dynamic_cast<wxRadioBox *>(panel->FindWindow(TerminalPanel::ID_READ_TYPE));
    radio->SetSelection(notation);
    wxCommandEvent choice(wxEVT_COMMAND_RADIOBOX_SELECTED, TerminalPanel::ID_READ_TYPE);
    choice.SetInt(notation);
    choice.SetEventObject(radio);
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

// The log holds exactly the bytes received. Read in blocks and held against
// the data as it is made.
std::string CheckLog(const std::string &dir, const Scenario &scenario)
{
    wxArrayString files;
    wxDir::GetAllFiles(dir, &files, "wifilog-*.txt", wxDIR_FILES);
    if (files.size() != 1)
        return "no single log file";
    std::ifstream log(files[0].ToStdString(), std::ios::binary);
    std::vector<char> buffer(1 << 20);
    size_t at = 0;
    bool exact = true;
    while (log) {
        log.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        for (std::streamsize i = 0; i < log.gcount(); ++i, ++at)
            exact = exact && at < scenario.bytes && buffer[static_cast<size_t>(i)] == DataByte(at, scenario.lineBreaks);
    }
    exact = exact && at == scenario.bytes;
    char text[128];
    std::snprintf(text, sizeof(text), "%s (%zu bytes)", exact ? "every byte, in order" : "MISMATCH", at);
    return text;
}

// The bytes' texts in a view, without line breaks, timestamps and the
// blanks between bytes: with timestamps and wrapping each chunk starts a line
// with a stamp and " [RX] - "; the line bound breaks chunks and runs alike.
std::string ViewDigits(const std::string &shown, bool stampedLines)
{
    std::string digits;
    digits.reserve(shown.size());
    for (size_t start = 0; start < shown.size();) {
        size_t end = shown.find('\n', start);
        if (end == std::string::npos)
            end = shown.size();
        size_t from = start;
        if (stampedLines) {
            // A line without the marker goes on with the chunk of the line
            // before, broken at the line bound.
            const size_t marker = shown.find(" [RX] - ", start);
            if (marker != std::string::npos && marker < end)
                from = marker + 8;
        }
        for (size_t i = from; i < end; ++i)
            if (shown[i] != ' ')
                digits += shown[i];
        start = end + 1;
    }
    return digits;
}

// The Hex view holds the hex of the newest bytes of the stream, exactly,
// and the view on screen holds the newest part of what the panel keeps for
// it (the toolkit view holds a window of it), at least a screenful.
std::string CheckHexView(TerminalPanel *panel, const Scenario &scenario)
{
    const std::string kept = panel->RxViewUtf8(NotationHex);
    const std::string screen =
        dynamic_cast<wxTextCtrl *>(panel->FindWindow(NotationHex))->GetValue().utf8_string();
    if (screen.size() < std::min<size_t>(kept.size(), 2048) || kept.size() < screen.size() ||
        kept.compare(kept.size() - screen.size(), screen.size(), screen) != 0)
        return "the view on screen is not the newest part of its text";
    const std::string digits = ViewDigits(kept, scenario.stampedLines);
    const size_t bytes = digits.size() / 2;
    if (digits.size() % 2 != 0 || bytes > scenario.bytes)
        return "NOT EXACT";
    std::string data(bytes, ' ');
    FillData(scenario.bytes - bytes, bytes, scenario.lineBreaks, &data[0]);
    std::string expected;
    for (const char c : Rendered(NotationHex, reinterpret_cast<const uint8_t *>(data.data()), data.size()))
        if (c != ' ')
            expected += c;
    char text[160];
    std::snprintf(text, sizeof(text), "%s: the newest %.1f MB of data in %.1f M characters",
                  digits == expected ? "exact" : "NOT EXACT", bytes / double(kMB), kept.size() / 1e6);
    return text;
}

int RunScenario(const Scenario &scenario)
{
    MainWindow *window = MainWindow::GetInstance();
    TerminalPanel *panel = window->m_terminalPanel;
    dynamic_cast<wxCheckBox *>(panel->FindWindow(TerminalPanel::ID_TIMESTAMP))->SetValue(scenario.stampedLines);
    dynamic_cast<wxCheckBox *>(panel->FindWindow(TerminalPanel::ID_WRAP))->SetValue(scenario.stampedLines);

    uint16_t port = 0;
    const int listener = bench::ListenOnLoopback(&port);
    panel->SetConnectionParameters(LinkEndpoint{"127.0.0.1", port, LinkMode::TcpClient});
    Click(panel, TerminalPanel::ID_CONNECT);
    const int peer = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    // A module's own buffer is small; the system's default for a loopback
    // sender would hold megabytes that count as sent but are not on their
    // way to the terminal yet.
    const int moduleBuffer = 64 * 1024;
    setsockopt(peer, SOL_SOCKET, SO_SNDBUF, &moduleBuffer, sizeof(moduleBuffer));
    // The module sends each block at once rather than waiting for the
    // terminal's acknowledgement of the one before: the lag measured is the
    // terminal's, not the sender's coalescing.
    const int noDelay = 1;
    setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    if (!panel->Link().Connected() || peer < 0) {
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

    SentTimes sent;
    sent.reserve(scenario.bytes / kBlock + 1);
    std::atomic<bool> peerDone{false};
    Sampler sampler(panel);
    sampler.shown.reserve(100000);
    const double memoryBefore = bench::PeakMemoryKb() / 1024.0;
    sampler.Start(kTickMs);
    const double guiCpuBefore = ThreadCpuSeconds();
    const Clock::time_point start = Clock::now();
    const auto giveUp = std::chrono::duration<double>(std::max(120.0, scenario.bytes / kSlowestBytesPerSecond));
    std::thread module(Serve, peer, std::cref(scenario), start, &sent, &peerDone);
    RunLoopUntil(sampler, [&] {
        return (peerDone && panel->RxBytesShown() >= scenario.bytes) || Clock::now() - start > giveUp;
    });
    const double guiCpu = ThreadCpuSeconds() - guiCpuBefore;
    shutdown(peer, SHUT_RDWR);
    module.join();
    const double gapWhileReceiving = sampler.LongestGap();
    const double memoryPeak = bench::PeakMemoryKb() / 1024.0;

    // Lag of each sent block: from the end of its send to the first sample
    // showing all of it.
    const auto sentAt = [&](size_t index) {
        return start + std::chrono::duration_cast<Clock::duration>(Millis(sent[index]));
    };
    std::vector<double> lags;
    size_t sample = 0;
    for (size_t index = 0; index < sent.size(); ++index) {
        while (sample < sampler.shown.size() && (sampler.shown[sample].second < BlockEnd(index, scenario.bytes) ||
                                                 sampler.shown[sample].first < sentAt(index)))
            ++sample;
        if (sample == sampler.shown.size())
            break;
        lags.push_back(Millis(sampler.shown[sample].first - sentAt(index)).count());
    }
    const Clock::time_point lastSent = sent.empty() ? start : sentAt(sent.size() - 1);
    uint64_t shownAtLastSend = 0;
    for (const auto &[at, shown] : sampler.shown)
        if (at <= lastSent)
            shownAtLastSend = shown;
    const bool complete = panel->RxBytesShown() >= scenario.bytes;
    Clock::time_point allShown = sampler.shown.empty() ? lastSent : sampler.shown.back().first;
    for (const auto &[at, shown] : sampler.shown)
        if (shown >= scenario.bytes) {
            allShown = at;
            break;
        }
    const double seconds = std::max(1e-3, std::chrono::duration<double>(allShown - start).count());

    std::printf("  taken in at %.0f KB/s (%.1f s from the first byte sent to the last shown); shown: %s\n",
                scenario.bytes / 1024.0 / seconds, seconds, complete ? "all" : "NOT ALL (gave up)");
    std::printf("  GUI thread busy %.1f s, %.2f s per MB\n", guiCpu, guiCpu / (scenario.bytes / double(kMB)));
    std::printf("  lag receive-to-screen: median %.0f ms, p99 %.0f ms, max %.0f ms (%zu blocks of %zu bytes)\n",
                bench::Percentile(lags, 0.5), bench::Percentile(lags, 0.99), bench::Percentile(lags, 1.0),
                lags.size(), kBlock);
    std::printf("  behind when the peer sent its last byte: %.0f KB; all on screen %.2f s after it\n",
                (scenario.bytes - shownAtLastSend) / 1024.0,
                std::chrono::duration<double>(allShown - lastSent).count());
    std::printf("  longest gap of the 10 ms GUI timer: %.0f ms\n", gapWhileReceiving);
    std::printf("  peak memory: %.0f MB (%.0f MB before the stream)\n", memoryPeak, memoryBefore);
    std::fflush(stdout);

    if (scenario.switches && complete) {
        for (const int notation : {NotationHex, NotationBinary, NotationDecimal, NotationAscii}) {
            sampler.ResetGaps();
            const Clock::time_point before = Clock::now();
            SelectReadType(panel, notation);
            const double switchMs = Millis(Clock::now() - before).count();
            const Clock::time_point settle = Clock::now();
            RunLoopUntil(sampler, [&] { return Clock::now() - settle > std::chrono::seconds(3); });
            std::printf("  switch to %s: %.0f ms in the handler, longest timer gap in the 3 s after: %.0f ms, %.1f M "
                        "characters shown\n",
                        kNotationNames[notation], switchMs, sampler.LongestGap(),
                        dynamic_cast<wxTextCtrl *>(panel->FindWindow(notation))->GetLastPosition() / 1e6);
            if (notation == NotationHex)
                std::printf("  Hex view: %s\n", CheckHexView(panel, scenario).c_str());
            std::fflush(stdout);
        }
        std::printf("  peak memory after the switches: %.0f MB\n", bench::PeakMemoryKb() / 1024.0);
    } else if (complete) {
        SelectReadType(panel, NotationHex);
        std::printf("  Hex view: %s\n", CheckHexView(panel, scenario).c_str());
    }
    sampler.Stop();
    Click(panel, TerminalPanel::ID_LOG_STOP);
    std::printf("  log file: %s\n", CheckLog(logDir, scenario).c_str());
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

// With a scenario's number the process runs that scenario alone.
int main(int argc, char **argv)
{
    if (argc == 2 && std::isdigit(static_cast<unsigned char>(argv[1][0])))
        return RunChild(std::atoi(argv[1]));
    const bool all = argc == 2 && std::strcmp(argv[1], "--with-1gb") == 0;
    const int count = static_cast<int>(sizeof(kScenarios) / sizeof(kScenarios[0])) - (all ? 0 : kOptionalScenarios);
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
