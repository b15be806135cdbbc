#include "bench/support/bench_support.h"

#include <algorithm>
#include <chrono>
#include <arpa/inet.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/button.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/modalhook.h>
#include <wx/timer.h>

namespace {

class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

// Answers every modal box ("Connection successful") at once.
class AnswerBoxes : public wxModalDialogHook {
protected:
    int Enter(wxDialog *) override { return wxID_OK; }
    void Exit(wxDialog *) override {}
};

AnswerBoxes g_answers;

sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

char g_configHome[] = "/tmp/orv-bench-config-XXXXXX";

} // namespace

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

namespace bench {

bool StartToolkit(int argc, char **argv)
{
    // The program saves its settings when its frame closes: a run neither
    // starts from the user's nor writes over them.
    if (mkdtemp(g_configHome) == nullptr || setenv("XDG_CONFIG_HOME", g_configHome, 1) != 0)
        return false;
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return false;
    delete wxLog::SetActiveTarget(new wxLogStderr);
    g_answers.Register();
    return true;
}

void StopToolkit()
{
    g_answers.Unregister();
    wxTheApp->OnExit();
    wxEntryCleanup();
    std::filesystem::remove_all(g_configHome);
}

int ListenOnLoopback(uint16_t *port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof(address);
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), size) != 0 || listen(fd, 1) != 0) {
        close(fd);
        return -1;
    }
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size);
    *port = ntohs(address.sin_port);
    return fd;
}

int ConnectToLoopback(uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(port);
    if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void ClickButton(wxWindow *button)
{
    wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

long PeakMemoryKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()))];
}

namespace {

using Clock = std::chrono::steady_clock;

// A 10 ms GUI timer that records its longest gap and ends its loop when the
// time is up.
class GapTimer : public wxTimer {
public:
    void Notify() override
    {
        const Clock::time_point now = Clock::now();
        if (m_last != Clock::time_point())
            longest = std::max(longest, std::chrono::duration<double, std::milli>(now - m_last).count());
        m_last = now;
        if (now >= until)
            loop->Exit();
    }
    double longest = 0;
    Clock::time_point until;
    wxEventLoopBase *loop = nullptr;

private:
    Clock::time_point m_last;
};

} // namespace

double RunGuiFor(double seconds)
{
    GapTimer timer;
    wxEventLoop loop;
    timer.loop = &loop;
    timer.until = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    timer.Start(10);
    loop.Run();
    timer.Stop();
    return timer.longest;
}

} // namespace bench
