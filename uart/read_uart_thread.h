// The read thread of a UART connection: reads the module's bytes in chunks
// of up to 512, writes them to the link's receive log (when one runs) and
// hands each chunk to the link's inbox. It tells the link how the connection
// ended (EVT_CONNECTION_CLOSED, EVT_CONNECTION_LOST) and when the log could
// not be written (EVT_LOG_FAILED).
#ifndef ORV_UART_READ_UART_THREAD_H
#define ORV_UART_READ_UART_THREAD_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <wx/event.h>
#include <wx/thread.h>

class LinkChannel;
class UartLink;

class ReadUartThread : public wxThread {
public:
    // Reads `channel` for the link's connection number `connection`.
    ReadUartThread(UartLink *link, std::shared_ptr<LinkChannel> channel, int connection);
    ~ReadUartThread() override;

protected:
    ExitCode Entry() override;

private:
    void Log(const uint8_t *data, size_t size);
    // Posts an event of this connection to the link.
    void Post(wxEventType type, const std::string &text);

    UartLink *const m_link;
    const std::shared_ptr<LinkChannel> m_channel;
    const int m_connection;
};

#endif
