// The media streaming thread of the UART link: sends a file's bytes over the
// link in chunks of 256, as fast as the connection takes them, and reports
// its progress to the link. A file that cannot be read or a send that fails
// ends it, with EVT_FILE_FAILED, unless the link rides the drop out: then the
// stream goes on where it was once the link is back.
#ifndef ORV_UART_SEND_FILE_THREAD_H
#define ORV_UART_SEND_FILE_THREAD_H

#include <wx/string.h>
#include <wx/thread.h>

#include <atomic>
#include <string>

class UartLink;
struct MediaChunk;

class SendFileThread : public wxThread {
public:
    // Streams the file at `path` (an own copy) over `link`. `stream` travels
    // in the failure event, so that the link knows a late one. With
    // `chunkPerSend` every chunk is a send of its own (one datagram).
    SendFileThread(UartLink *link, const wxString &path, int stream, bool chunkPerSend = false);
    ~SendFileThread() override;

    // Asks the stream to end before anything more is sent. Called before a
    // paused thread is resumed to be deleted: the toolkit's deletion request
    // can only follow the resume, and the resumed thread must not send
    // another chunk in between.
    void RequestStop() { m_stopRequested = true; }

protected:
    ExitCode Entry() override;

private:
    // Sends one chunk whole; false when a send failed (reported) or the
    // thread was asked to end while the connection had no room.
    bool SendChunk(const MediaChunk &chunk);
    void PostFailure(const std::string &reason);
    bool Stopping() { return TestDestroy() || m_stopRequested; }

    UartLink *const m_link;
    const wxString m_path;
    const int m_stream;
    const bool m_chunkPerSend;
    std::atomic<bool> m_stopRequested{false};
};

#endif
