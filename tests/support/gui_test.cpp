#include "tests/support/gui_test.h"

#include <glib.h>
#include <wx/app.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/init.h>
#include <wx/evtloop.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;

void RunPendingOnce()
{
    wxTheApp->ProcessPendingEvents();
    wxYield();
}

// GTK's file chooser reacts to a new name or folder with a timer of its own
// (200 ms) that it leaves running when it is destroyed; one that fires after
// a test has answered and destroyed the chooser trips over the chooser's
// disposed lists. A GLib timer started after the change and set later fires
// after the chooser's, whatever the machine's load: the chooser's has run
// once this one has.
void LetFileChooserSettle()
{
    constexpr guint kPastTheChooserTimersMs = 300;
    // Static: the timer may outlive a wait that gave up.
    static unsigned fired = 0;
    const unsigned before = fired;
    g_timeout_add(kPastTheChooserTimersMs,
                  [](gpointer) {
                      ++fired;
                      return G_SOURCE_REMOVE;
                  },
                  nullptr);
    WaitUntil([before] { return fired != before; }, Millis(60000));
}

} // namespace

bool WaitUntil(const std::function<bool()> &done, Millis timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline)
            return done();
        RunPendingOnce();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void PumpEvents(Millis duration)
{
    const auto deadline = Clock::now() + duration;
    do {
        RunPendingOnce();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (Clock::now() < deadline);
}

void EndProgram(bool ok)
{
    wxTheApp->OnExit();
    wxEntryCleanup();
    std::_Exit(ok ? 0 : 1);
}

ModalRecorder::ModalRecorder(int otherReply) : m_otherReply(otherReply)
{
    Register();
}

ModalRecorder::~ModalRecorder()
{
    Unregister();
}

wxString ModalRecorder::Messages() const
{
    wxString joined;
    for (const ShownBox &box : m_boxes)
        joined += (joined.empty() ? "" : " | ") + box.message;
    return joined;
}

void ModalRecorder::Clear()
{
    m_boxes.clear();
    m_otherTitles.clear();
}

int ModalRecorder::Enter(wxDialog *dialog)
{
    if (auto *box = dynamic_cast<wxMessageDialog *>(dialog)) {
        const long style = box->GetMessageDialogStyle();
        m_boxes.push_back({box->GetMessage(), box->GetCaption(), style});
        if (!m_replies.empty()) {
            const int reply = m_replies.front();
            m_replies.pop_front();
            return reply;
        }
        return (style & wxYES_NO) ? wxID_YES : wxID_OK;
    }
    m_otherTitles.push_back(dialog->GetTitle());
    const int reply = m_otherHandler ? m_otherHandler(dialog) : m_otherReply;
    if (dynamic_cast<wxFileDialog *>(dialog) != nullptr || dynamic_cast<wxDirDialog *>(dialog) != nullptr)
        LetFileChooserSettle();
    return reply;
}

} // namespace testing_support
