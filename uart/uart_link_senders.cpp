// What the UART link sends: single messages from the GUI thread, periodic
// sending and media streaming on their threads, and the received chunks the
// read thread hands over.
#include "uart/uart_link.h"

#include "uart/error_text.h"
#include "uart/send_file_thread.h"
#include "uart/send_periodically_thread.h"
#include "uart/worker_events.h"

#include <cerrno>

int UartLink::SendWhole(const char *data, uint16_t *length, int timeoutMs)
{
    return m_connection.SendWholeWithin(data, length, timeoutMs);
}

bool UartLink::StartPeriodic(PeriodicMessage message, int intervalMs, bool counter, std::string &error)
{
    // Refused before the first one, not as a failed send after it.
    if (m_endpoint.mode == LinkMode::Udp && message.bytes.size() > kLargestDatagram) {
        error = SystemErrorText(EMSGSIZE);
        return false;
    }
    const int run = ++m_periodicRuns;
    auto *thread = new SendPeriodicallyThread(this, std::move(message), intervalMs, counter, run);
    m_periodicThread = thread;
    if (thread->Create() != wxTHREAD_NO_ERROR || thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread; // its destructor clears m_periodicThread
        error = SystemErrorText(EAGAIN);
        return false;
    }
    m_periodicRun = run;
    return true;
}

void UartLink::StopPeriodic()
{
    m_periodicRun = 0;
    StopPeriodicThread();
}

void UartLink::StopPeriodicThread()
{
    {
        const std::lock_guard<std::mutex> lock(m_threadLock);
        if (SendPeriodicallyThread *thread = m_periodicThread) {
            thread->RequestStop();
            thread->Delete();
        }
    }
    // No limit: the stop ends the sender's pause, and a wait for the link's
    // return, at once; it sends only when the connection has room for the
    // whole message, waiting for room in short steps that look for the stop.
    WaitForThreads([this] { return m_periodicThread == nullptr; });
}

bool UartLink::PlayMedia(const wxString &path, std::string &error)
{
    {
        const std::lock_guard<std::mutex> lock(m_threadLock);
        if (SendFileThread *thread = m_fileThread) {
            if (thread->IsPaused())
                thread->Resume();
            return true;
        }
    }
    const int stream = ++m_mediaStreams;
    auto *thread = new SendFileThread(this, path, stream, m_endpoint.mode == LinkMode::Udp);
    m_fileThread = thread;
    if (thread->Create() != wxTHREAD_NO_ERROR || thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread; // its destructor clears m_fileThread
        error = SystemErrorText(EAGAIN);
        return false;
    }
    m_mediaStream = stream;
    return true;
}

void UartLink::PauseMedia()
{
    const std::lock_guard<std::mutex> lock(m_threadLock);
    SendFileThread *thread = m_fileThread;
    if (thread != nullptr && thread->IsRunning())
        thread->Pause();
}

void UartLink::StopMedia()
{
    m_mediaStream = 0;
    StopFileThread();
}

void UartLink::StopFileThread()
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
    // only when the connection has room for it, waits for room (or for the
    // link's return) in short steps that look for the stop, and a file read
    // returns when the disk answers.
    WaitForThreads([this] { return m_fileThread == nullptr; });
}

// A file of 100 MB is 400,000 chunks: one event per chunk would flood the
// event queue. At most one progress event waits; its handler takes the newest
// count, so the last one is never lost.
void UartLink::ReportFileProgress(uint64_t bytesRead)
{
    m_fileProgressBytes = bytesRead;
    if (m_fileProgressPosted.exchange(true))
        return;
    wxCommandEvent progress(EVT_FILE_PROGRESS, EVT_FILE_PROGRESS);
    progress.SetClientData(reinterpret_cast<void *>(static_cast<uintptr_t>(bytesRead)));
    Post(progress);
}

void UartLink::HandOverChunk(ReceiveInbox::Chunk chunk)
{
    if (!m_inbox.Put(std::move(chunk)))
        return;
    wxCommandEvent event(EVT_UART_DATA, EVT_UART_DATA);
    Post(event);
}

void UartLink::OnPeriodicThreadGone(SendPeriodicallyThread *thread)
{
    const std::lock_guard<std::mutex> lock(m_threadLock);
    if (m_periodicThread == thread)
        m_periodicThread = nullptr;
}

void UartLink::OnFileThreadGone(SendFileThread *thread)
{
    const std::lock_guard<std::mutex> lock(m_threadLock);
    if (m_fileThread == thread)
        m_fileThread = nullptr;
}
