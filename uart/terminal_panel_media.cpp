// Media streaming of the UART panel: the chosen file, the four media buttons
// steering the streaming thread, and the progress it reports.
#include "uart/terminal_panel.h"

#include "app/error_box.h"
#include "net/tcp.h"
#include "uart/send_file_thread.h"
#include "uart/worker_events.h"

#include <cerrno>
#include <cstdint>
#include <initializer_list>
#include <wx/bmpbuttn.h>
#include <wx/stattext.h>

void TerminalPanel::SelectMediaFile(const wxString &path, const wxString &fileName)
{
    // A stream already running keeps its own copy of the old path.
    m_mediaFilePath = path;
    // Literal text: an "&" in a file name is no mnemonic.
    m_mediaLabel->SetLabelText("Selected media stream:\n" + fileName);
    for (wxWindow *control : std::initializer_list<wxWindow *>{m_mediaLabel, m_mediaBackwardButton,
                                                               m_mediaPlayButton, m_mediaPauseButton,
                                                               m_mediaLoopButton})
        control->Show();
}

void TerminalPanel::OnMediaButton(wxCommandEvent &event)
{
    if (!m_connected) {
        ShowErrorBox("You have to connect first.");
        return;
    }
    switch (event.GetId()) {
    case ID_MEDIA_PLAY:
        PlayMedia();
        break;
    case ID_MEDIA_PAUSE:
        PauseMedia();
        break;
    case ID_MEDIA_BACKWARD:
        // The next play starts from the beginning of the file.
        m_mediaStream = 0;
        StopFileThread();
        break;
    default: // loop: nothing to do
        break;
    }
}

void TerminalPanel::PlayMedia()
{
    {
        const std::lock_guard<std::mutex> lock(m_threadLock);
        if (SendFileThread *thread = m_fileThread) {
            if (thread->IsPaused())
                thread->Resume();
            return;
        }
    }
    const int stream = ++m_mediaStreams;
    auto *thread = new SendFileThread(this, m_mediaFilePath, stream);
    m_fileThread = thread;
    if (thread->Create() != wxTHREAD_NO_ERROR || thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread; // its destructor clears m_fileThread
        tcp_set_system_error(EAGAIN);
        ShowSocketError();
        return;
    }
    m_mediaStream = stream;
}

void TerminalPanel::PauseMedia()
{
    const std::lock_guard<std::mutex> lock(m_threadLock);
    SendFileThread *thread = m_fileThread;
    if (thread != nullptr && thread->IsRunning())
        thread->Pause();
}

void TerminalPanel::StopFileThread()
{
    {
        const std::lock_guard<std::mutex> lock(m_threadLock);
        if (SendFileThread *thread = m_fileThread) {
            // The toolkit cannot delete a paused detached thread; resumed, the
            // thread sees the stop request at once and ends.
            thread->RequestStop();
            if (thread->IsPaused())
                thread->Resume();
            thread->Delete();
        }
    }
    // No limit: a stopped stream ends at its next chunk. It sends a chunk
    // only when the connection has room for it, waits for room in short
    // steps that look for the stop, and a file read returns when the disk
    // answers.
    WaitForThreads([this] { return m_fileThread == nullptr; });
}

// The stream has ended on a failure: it is idle again, and the user learns
// why. A failure of a stream the user ended meanwhile is not reported.
void TerminalPanel::OnFileFailed(wxCommandEvent &event)
{
    if (m_shutDown || event.GetInt() != m_mediaStream)
        return;
    m_mediaStream = 0;
    StopFileThread();
    ShowErrorBox(event.GetString());
}

void TerminalPanel::OnFileThreadGone(SendFileThread *thread)
{
    const std::lock_guard<std::mutex> lock(m_threadLock);
    if (m_fileThread == thread)
        m_fileThread = nullptr;
}

// A file of 100 MB is 400,000 chunks: one event per chunk would flood the
// event queue. At most one progress event waits; its handler takes the newest
// count, so the last one is never lost.
void TerminalPanel::ReportFileProgress(uint64_t bytesRead)
{
    m_fileProgressBytes = bytesRead;
    if (m_fileProgressPosted.exchange(true))
        return;
    wxCommandEvent progress(EVT_FILE_PROGRESS, EVT_FILE_PROGRESS);
    progress.SetClientData(reinterpret_cast<void *>(static_cast<uintptr_t>(bytesRead)));
    GetEventHandler()->AddPendingEvent(progress);
}

void TerminalPanel::OnFileProgress(wxCommandEvent &)
{
    // Cleared before the count is read: a count stored after this read posts
    // a new event.
    m_fileProgressPosted = false;
    m_mediaBytesReported = m_fileProgressBytes;
}
