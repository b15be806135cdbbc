#include "uart/send_file_thread.h"

#include "uart/error_text.h"
#include "uart/media_file.h"
#include "uart/uart_link.h"
#include "uart/worker_events.h"
#include "uart/worker_lifetimes.h"

#include <cerrno>
#include <chrono>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Progress is reported after the chunks sent in each interval and after the
// last one: a report per chunk would wake the GUI thread thousands of times a
// second and take the processor from the stream.
constexpr Clock::duration kReportInterval = std::chrono::milliseconds(20);
// How often a stream waiting for room on the connection looks for a pause or
// a stop.
constexpr int kRoomPollMs = 20;
// Chunks that go out with one system call: a call per chunk costs more than
// the chunk's bytes on a fast link. A pause or a stop takes hold between
// them, within 16 KB.
constexpr std::size_t kChunksPerSend = 64;

// The name in the file system's encoding (UTF-8 unless the system says
// otherwise): the C library's encoding cannot express every name the file
// dialog returns when the program runs in the "C" locale.
std::string FileSystemName(const wxString &path)
{
    const wxCharBuffer name = path.fn_str();
    return name.data() != nullptr ? std::string(name.data()) : std::string();
}

// Says when progress is due: after the chunks of each interval, and after the
// file's last chunk.
class ProgressPacer {
public:
    bool Due(bool lastChunk)
    {
        const Clock::time_point now = Clock::now();
        if (!lastChunk && now < m_next)
            return false;
        m_next = now + kReportInterval;
        return true;
    }

private:
    Clock::time_point m_next;
};

} // namespace

SendFileThread::SendFileThread(UartLink *link, const wxString &path, int stream, bool chunkPerSend)
    : wxThread(wxTHREAD_DETACHED), m_link(link), m_path(path), m_stream(stream), m_chunkPerSend(chunkPerSend)
{
}

SendFileThread::~SendFileThread()
{
    m_link->OnFileThreadGone(this);
}

// Holds no lock between chunks: a pause takes hold in TestDestroy, where the
// thread owns nothing that the GUI thread or another sender waits for.
wxThread::ExitCode SendFileThread::Entry()
{
    worker_lifetimes::Enter();
    const std::string name = FileSystemName(m_path);
    MediaFile file;
    if (name.empty() || !file.Open(name)) {
        PostFailure("Cannot open the media file \"" + m_path.utf8_string() + "\": " +
                    SystemErrorText(name.empty() ? EINVAL : errno));
        return nullptr;
    }
    ProgressPacer pacer;
    uint64_t reported = 0;
    while (!Stopping()) {
        const MediaChunk chunk = file.NextChunks(m_chunkPerSend ? 1 : kChunksPerSend);
        if (chunk.size == 0) {
            if (file.Failed())
                PostFailure("Cannot read the media file \"" + m_path.utf8_string() + "\": " + SystemErrorText(errno));
            break;
        }
        if (!SendChunk(chunk))
            break;
        if (pacer.Due(file.BytesRead() == file.Size())) {
            reported = file.BytesRead();
            m_link->ReportFileProgress(reported);
        }
    }
    if (file.BytesRead() != reported)
        m_link->ReportFileProgress(file.BytesRead());
    return nullptr;
}

// A send that finds no room waits only in short steps, looking for a pause or
// a stop in between, so a module that stopped reading never holds the thread;
// a pause in the middle of a chunk goes on with the rest of it, and so does a
// drop the link rides out.
bool SendFileThread::SendChunk(const MediaChunk &chunk)
{
    size_t offset = 0;
    while (offset < chunk.size) {
        uint16_t length = static_cast<uint16_t>(chunk.size - offset);
        const uint64_t connection = m_link->Presence().Generation();
        const int result = m_link->SendWithin(chunk.data + offset, &length, kRoomPollMs);
        offset += length;
        if (result == 0)
            return true;
        if (result != LinkConnection::kTimedOut) {
            const int failure = errno;
            if (m_link->Presence().WaitForReturn(connection, [this] { return Stopping(); }))
                continue;
            PostFailure(SystemErrorText(failure));
            return false;
        }
        if (Stopping())
            return false;
    }
    return true;
}

void SendFileThread::PostFailure(const std::string &reason)
{
    wxCommandEvent failed(EVT_FILE_FAILED, EVT_FILE_FAILED);
    failed.SetInt(m_stream);
    failed.SetString(wxString::FromUTF8(reason));
    m_link->Post(failed);
}
