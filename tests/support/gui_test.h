// Support for tests of GUI code: bounded event pumping and the capture of
// modal dialogs, so that no test ever waits for a human.
#ifndef ORV_TESTS_GUI_TEST_H
#define ORV_TESTS_GUI_TEST_H

#include <chrono>
#include <deque>
#include <functional>
#include <vector>
#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/string.h>

namespace testing_support {

using Millis = std::chrono::milliseconds;

// Runs pending events until `done` holds or the time is up; returns `done()`.
bool WaitUntil(const std::function<bool()> &done, Millis timeout = Millis(5000));
// Runs pending events for the given time.
void PumpEvents(Millis duration = Millis(50));

// Ends a child process of a death test after its event loop: the toolkit is
// cleaned up first (which waits for detached threads still being deleted), so
// nothing is freed under a thread that is finishing. Exits 0 when `ok`.
[[noreturn]] void EndProgram(bool ok);

struct ShownBox {
    wxString message;
    wxString caption;
    long style = 0;
};

// While it lives, answers every modal message box (recording it) with the
// queued replies, then with wxID_OK (wxID_YES for a Yes/No box). Other modal
// dialogs are answered with `otherReply` and their titles recorded.
class ModalRecorder : public wxModalDialogHook {
public:
    explicit ModalRecorder(int otherReply = wxID_CANCEL);
    ~ModalRecorder() override;
    ModalRecorder(const ModalRecorder &) = delete;
    ModalRecorder &operator=(const ModalRecorder &) = delete;

    void QueueReply(int reply) { m_replies.push_back(reply); }
    // A callback run with the dialog before the reply (to fill in a file dialog).
    void OnOther(std::function<int(wxDialog *)> handler) { m_otherHandler = std::move(handler); }

    const std::vector<ShownBox> &Boxes() const { return m_boxes; }
    const std::vector<wxString> &OtherTitles() const { return m_otherTitles; }
    // The messages shown so far, joined with " | " (handy in assertions).
    wxString Messages() const;
    void Clear();

protected:
    int Enter(wxDialog *dialog) override;
    void Exit(wxDialog *) override {}

private:
    std::vector<ShownBox> m_boxes;
    std::vector<wxString> m_otherTitles;
    std::deque<int> m_replies;
    std::function<int(wxDialog *)> m_otherHandler;
    int m_otherReply;
};

} // namespace testing_support

#endif
