// The media streaming thread of the UART panel: sends a file's bytes over the
// panel's connection in chunks of 256, as fast as the connection takes them,
// and reports its progress to the panel.
#ifndef ORV_UART_SEND_FILE_THREAD_H
#define ORV_UART_SEND_FILE_THREAD_H

#include <wx/string.h>
#include <wx/thread.h>

class TerminalPanel;
struct MediaChunk;

class SendFileThread : public wxThread {
public:
    // Streams the file at `path` (an own copy) to `panel`'s connection.
    SendFileThread(TerminalPanel *panel, const wxString &path);
    ~SendFileThread() override;

protected:
    ExitCode Entry() override;

private:
    // Sends one chunk whole; false when a send failed (reported) or the
    // thread was asked to end while the connection had no room.
    bool SendChunk(const MediaChunk &chunk);
    void PostFailure();

    TerminalPanel *const m_panel;
    const wxString m_path;
};

#endif
