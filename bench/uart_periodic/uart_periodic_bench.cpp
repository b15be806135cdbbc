// Cadence of periodic sending. Drives the real panel of the real main window
// and its sender thread against a loopback receiver, at periods of 1, 10 and
// 100 ms in counter mode, 1000 messages each, and prints per period: the
// mean period seen by the receiver, its drift from the period asked for, the
// p99 of the deviation of single periods (jitter), the delay of the first
// message, and whether the counter values ran strictly consecutively. For
// comparison, a plain loop that sleeps the period before each send runs at
// the same time and is measured the same way. Run under `xvfb-run -a`.
#include "app/main_window.h"
#include "bench/support/bench_support.h"
#include "uart/terminal_panel.h"

#include <algorithm>
#include <cmath>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wx/app.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/textctrl.h>

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

constexpr size_t kMessages = 1000;
constexpr size_t kMessageSize = 4; // counter + "AB"
const int kPeriodsMs[] = {1, 10, 100};

struct Arrival {
    unsigned counter;
    Clock::time_point at;
};

// The module's side: reads the stream and stamps each whole message with
// the moment the receive that completed it returned.
class Receiver {
public:
    explicit Receiver(int fd) : m_fd(fd), m_thread([this] { Run(); }) {}
    ~Receiver()
    {
        shutdown(m_fd, SHUT_RDWR);
        m_thread.join();
    }
    size_t Count() const
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        return m_arrivals.size();
    }
    std::vector<Arrival> Take()
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        std::vector<Arrival> taken;
        taken.swap(m_arrivals);
        return taken;
    }

private:
    void Run()
    {
        std::string pending;
        char buffer[4096];
        for (;;) {
            const ssize_t count = recv(m_fd, buffer, sizeof(buffer), 0);
            const Clock::time_point now = Clock::now();
            if (count <= 0)
                return;
            pending.append(buffer, static_cast<size_t>(count));
            const std::lock_guard<std::mutex> lock(m_lock);
            size_t at = 0;
            for (; at + kMessageSize <= pending.size(); at += kMessageSize)
                m_arrivals.push_back({static_cast<unsigned>(static_cast<uint8_t>(pending[at])) << 8 |
                                          static_cast<uint8_t>(pending[at + 1]),
                                      now});
            pending.erase(0, at);
        }
    }

    const int m_fd;
    mutable std::mutex m_lock;
    std::vector<Arrival> m_arrivals;
    std::thread m_thread;
};

void Report(const char *what, int periodMs, const std::vector<Arrival> &arrivals, Clock::time_point start)
{
    if (arrivals.size() < kMessages) {
        std::printf("  %-30s %3d ms: only %zu messages arrived\n", what, periodMs, arrivals.size());
        return;
    }
    const double mean = Millis(arrivals[kMessages - 1].at - arrivals[0].at).count() / (kMessages - 1);
    std::vector<double> deviations;
    for (size_t k = 1; k < kMessages; ++k)
        deviations.push_back(std::abs(Millis(arrivals[k].at - arrivals[k - 1].at).count() - periodMs));
    bool consecutive = true;
    for (size_t k = 0; k < arrivals.size(); ++k)
        consecutive = consecutive && arrivals[k].counter == (k + 1) % 65536;
    std::printf("  %-30s %3d ms: mean %9.4f ms  drift %+7.3f %%  p99 jitter %6.3f ms  first after %8.3f ms  "
                "counter %s\n",
                what, periodMs, mean, 100.0 * (mean - periodMs) / periodMs, bench::Percentile(deviations, 0.99),
                Millis(arrivals[0].at - start).count(), consecutive ? "consecutive" : "BROKEN");
    std::fflush(stdout);
}

void WaitFor(const Receiver &receiver, size_t count, double seconds)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                          std::chrono::duration<double>(seconds));
    while (receiver.Count() < count && Clock::now() < deadline) {
        wxTheApp->ProcessPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// The periodic-send button of that face; a replaced one waits hidden for its
// deletion.
wxWindow *ShownButton(TerminalPanel *panel, int id)
{
    for (wxWindow *child : panel->GetChildren())
        if (child->GetId() == id && child->IsShown())
            return child;
    return nullptr;
}

// The panel's sender repeats the message "ABCD" in counter mode.
void PreparePanel(TerminalPanel *panel)
{
    // The ASCII entry, the first of the four.
    dynamic_cast<wxTextCtrl *>(panel->FindWindow(TerminalPanel::ID_TX_ENTRY))->ChangeValue("ABCD");
    bench::ClickButton(panel->FindWindow(TerminalPanel::ID_ADD_MESSAGE));
    auto *check = dynamic_cast<wxCheckBox *>(panel->FindWindow(TerminalPanel::ID_PERIODIC_CHECK));
    check->SetValue(true);
    wxCommandEvent toggle(wxEVT_COMMAND_CHECKBOX_CLICKED, TerminalPanel::ID_PERIODIC_CHECK);
    toggle.SetEventObject(check);
    panel->GetEventHandler()->ProcessEvent(toggle);
    dynamic_cast<wxCheckBox *>(panel->FindWindow(TerminalPanel::ID_MSG_COUNTER))->SetValue(true);
}

// The panel's sender and, at the same time and under the same load, a plain
// loop that sleeps the period before each send on a socket of its own.
void Measure(TerminalPanel *panel, Receiver &panelReceiver, int client, Receiver &loopReceiver, int period)
{
    auto *periodText = dynamic_cast<wxTextCtrl *>(panel->FindWindow(TerminalPanel::ID_PERIOD));
    periodText->ChangeValue(wxString::Format("%d", period));
    const Clock::time_point start = Clock::now();
    std::thread loop([client, period] {
        for (unsigned counter = 1; counter <= kMessages; ++counter) {
            std::this_thread::sleep_for(std::chrono::milliseconds(period));
            const char message[kMessageSize] = {static_cast<char>(counter >> 8), static_cast<char>(counter & 0xff),
                                                'A', 'B'};
            send(client, message, sizeof(message), MSG_NOSIGNAL);
        }
    });
    bench::ClickButton(ShownButton(panel, TerminalPanel::ID_SEND_PERIODICALLY));
    WaitFor(panelReceiver, kMessages, 3.0 * kMessages * period / 1000.0 + 10);
    bench::ClickButton(ShownButton(panel, TerminalPanel::ID_STOP_PERIODICALLY));
    loop.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Report("panel sender (deadlines)", period, panelReceiver.Take(), start);
    Report("sleep before each send", period, loopReceiver.Take(), start);
}

int Run()
{
    TerminalPanel *panel = MainWindow::GetInstance()->m_terminalPanel;
    uint16_t port = 0;
    const int listener = bench::ListenOnLoopback(&port);
    panel->SetConnectionParameters(LinkEndpoint{"127.0.0.1", port, LinkMode::TcpClient});
    bench::ClickButton(panel->FindWindow(TerminalPanel::ID_CONNECT));
    const int panelPeer = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    const int client = bench::ConnectToLoopback(port);
    const int loopPeer = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (!panel->Link().Connected() || panelPeer < 0 || client < 0 || loopPeer < 0) {
        std::printf("could not connect\n");
        return 1;
    }
    PreparePanel(panel);
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("%zu messages of %zu bytes per period, received on loopback (load average %.2f)\n", kMessages,
                kMessageSize, load[0]);
    {
        Receiver panelReceiver(panelPeer);
        Receiver loopReceiver(loopPeer);
        for (const int period : kPeriodsMs)
            Measure(panel, panelReceiver, client, loopReceiver, period);
    }
    for (const int fd : {panelPeer, client, loopPeer, listener})
        close(fd);
    MainWindow::GetInstance()->m_frame->Close();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (!bench::StartToolkit(argc, argv))
        return 2;
    const int status = Run();
    bench::StopToolkit();
    return status;
}
