// The UART terminal's link to its module, apart from any window: the
// connection and its transport, the worker threads that connect, read, send
// periodically and stream media, the inbox of received chunks, the receive
// log and the byte counts.
//
// The workers post their events (uart/worker_events.h) to the link; on the
// GUI thread the link does its own part and passes every event that is
// still current on to the handler it was given, at once, in the order they
// came. Methods run on the GUI thread unless marked for the workers; none of
// them waits for a lock a worker holds longer than a pointer copy, except
// the stops, which wait for a worker that was told to end.
#ifndef ORV_UART_UART_LINK_H
#define ORV_UART_UART_LINK_H

#include "uart/link_connection.h"
#include "uart/link_endpoint.h"
#include "uart/link_presence.h"
#include "uart/link_status.h"
#include "uart/periodic_message.h"
#include "uart/receive_inbox.h"
#include "uart/receive_log.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <wx/event.h>
#include <wx/string.h>

class ConnectThread;
class ReadUartThread;
class SendFileThread;
class SendPeriodicallyThread;

class UartLink {
public:
    // What became of the attempt the GUI thread waits for.
    enum class ConnectResult { Pending, Connected, Failed };
    // A single message from the GUI thread waits at most this long for room.
    static constexpr int kSingleSendTimeoutMs = 5000;
    // The pause before each attempt to take a dropped link up again.
    static constexpr int kReconnectEveryMs = 2000;

    // `sink` gets the workers' events; it outlives the link's Shutdown.
    explicit UartLink(wxEvtHandler *sink);
    ~UartLink();
    UartLink(const UartLink &) = delete;
    UartLink &operator=(const UartLink &) = delete;

    // Connecting: one attempt is awaited at a time. False, with nothing left
    // running and ConnectError() saying why, when its thread cannot start.
    bool StartConnect(const LinkEndpoint &endpoint);
    ConnectResult Result() const { return m_connectResult; }
    // The result once more, for the one who acts on it: a failed attempt is
    // forgotten then (ConnectError() still says why).
    ConnectResult TakeResult();
    // Why the last attempt failed.
    const std::string &ConnectError() const { return m_connectError; }
    // Gives the awaited attempt up; it ends at once and posts nothing.
    void AbandonConnect();
    // Starts reading on the connection the awaited attempt made: connected
    // then. False, with the connection closed and `error` saying why, when
    // the read thread cannot start.
    bool BeginSession(std::string &error);
    // The user's disconnect: attempts end, the connection is shut down, the
    // log ends.
    void Disconnect();
    // New connection parameters: the log ends (it records one module), a
    // live or retaken link is dropped and a dropped one is not taken up.
    void Retarget();
    // With `on`, a dropped link is taken up again every kReconnectEveryMs,
    // and the senders ride the drop out; turned on after a drop it starts
    // the attempts, turned off it ends them and the link stays down.
    void SetReconnect(bool on);
    bool Connected() const { return m_connected; }
    bool Reconnecting() const { return m_reconnecting; }
    LinkStatus Status() const;
    // The module's end of the connection, empty without one (and while a
    // server waits for its module).
    std::string Peer() const { return m_connection.Peer(); }

    // Sends a message whole or nothing of it (LinkConnection::SendWholeWithin).
    int SendWhole(const char *data, uint16_t *length, int timeoutMs = kSingleSendTimeoutMs);
    // Repeats `message` every `intervalMs`, with the counter when asked.
    // False, with `error` saying why, when its thread cannot start or the
    // message is too large for one datagram.
    bool StartPeriodic(PeriodicMessage message, int intervalMs, bool counter, std::string &error);
    // Ends periodic sending and returns once its thread is gone.
    void StopPeriodic();
    bool SendingPeriodically() const { return m_periodicThread != nullptr; }
    // Streams the file, or resumes a paused stream.
    bool PlayMedia(const wxString &path, std::string &error);
    void PauseMedia();
    // Ends the stream; the next play starts from the beginning.
    void StopMedia();
    bool Streaming() const { return m_fileThread != nullptr; }
    // Media bytes streamed as last reported to the GUI thread.
    uint64_t MediaBytesReported() const { return m_mediaBytesReported; }

    // Received chunks waiting; their slots are given back with
    // ReleaseReceived once shown or dropped.
    bool TakeReceived(std::deque<ReceiveInbox::Chunk> &to) { return m_inbox.TakeAll(to); }
    // The next chunk received posts EVT_UART_DATA; false when chunks wait
    // already. Until then chunks are only kept for TakeReceived.
    bool AwaitReceived() { return m_inbox.AwaitWake(); }
    void ReleaseReceived(size_t count) { m_inbox.Release(count); }
    size_t ReceivedInFlight() const { return m_inbox.InFlight(); }

    // The receive log: it starts only while connected, goes on over a
    // dropped link and ends with StopLog, Disconnect, Retarget or a failed
    // write. The folder is the current directory when empty.
    bool StartLog(const std::string &folder, std::string &error);
    void StopLog() { m_log.Close(); }
    void SetLogLineBreaks(bool on) { m_log.SetLineBreaks(on); }

    // Stops every worker and closes the connection; before the link or its
    // sink goes. Calling it again does nothing.
    void Shutdown();
    // Whether a connect attempt or the read thread is running.
    bool Connecting() const { return m_liveConnectThreads != 0; }
    bool Reading() const { return m_readThread != nullptr; }

    // For the workers.
    void Post(const wxCommandEvent &event);
    int SendWithin(const char *data, uint16_t *length, int timeoutMs)
    {
        return m_connection.SendWithin(data, length, timeoutMs);
    }
    bool WaitSendable(int timeoutMs) const { return m_connection.WaitWritable(timeoutMs); }
    LinkPresence &Presence() { return m_presence; }
    ReceiveLog &Log() { return m_log; }
    ReceiveInbox &Inbox() { return m_inbox; }
    // Puts a chunk of a slot taken into the inbox; the first chunk into an
    // empty inbox wakes the GUI thread with EVT_UART_DATA.
    void HandOverChunk(ReceiveInbox::Chunk chunk);
    // At most one progress event waits; its handler takes the newest count.
    void ReportFileProgress(uint64_t bytesRead);
    // Called by the threads' destructors, on their own thread.
    void OnReadThreadGone(ReadUartThread *thread);
    void OnConnectThreadGone(ConnectThread *thread);
    void OnPeriodicThreadGone(SendPeriodicallyThread *thread);
    void OnFileThreadGone(SendFileThread *thread);

private:
    // Where the workers' events queue up for the GUI thread.
    class Inbound : public wxEvtHandler {
    public:
        explicit Inbound(UartLink &link);
        bool HasQueuedEvents();

    private:
        void OnEvent(wxCommandEvent &event);
        UartLink &m_link;
    };

    // Starts an attempt to m_endpoint, after `delayMs`.
    bool StartAttempt(int delayMs);
    // Leaves the connected state: the connection is shut down and the read
    // thread stopped.
    void TearDownConnection();
    void StartReconnecting();
    void StopReconnecting();
    void StopReadThread();
    void StopPeriodicThread();
    void StopFileThread();
    // Waits until `gone` holds, looking only under m_threadLock.
    void WaitForThreads(const std::function<bool()> &gone);

    // The workers' events, each handled by its concern; false for one that
    // is not current (stale results, ends of connections given up), which
    // goes no further.
    void OnWorkerEvent(wxCommandEvent &event);
    bool OnConnectResult(wxCommandEvent &event);
    bool OnLinkEnded(wxCommandEvent &event);
    bool OnPeriodicSendFailed(wxCommandEvent &event);
    bool OnFileFailed(wxCommandEvent &event);
    void OnFileProgress(wxCommandEvent &event);

    wxEvtHandler *const m_sink;
    Inbound m_inbound;
    LinkEndpoint m_endpoint;
    LinkConnection m_connection;
    LinkPresence m_presence;
    ReceiveInbox m_inbox;
    ReceiveLog m_log;
    LinkStatus m_status;

    // Guards the thread pointers against the threads' destructors, so the GUI
    // thread never calls into a thread object that is being deleted.
    std::mutex m_threadLock;
    std::atomic<ConnectThread *> m_connectThread{nullptr};
    std::atomic<ReadUartThread *> m_readThread{nullptr};
    std::atomic<SendPeriodicallyThread *> m_periodicThread{nullptr};
    std::atomic<SendFileThread *> m_fileThread{nullptr};
    std::atomic<int> m_liveConnectThreads{0};

    // Numbers of the awaited connect attempt (0: none) and of the
    // connection, which the events carry, so that a late one is known.
    int m_connectAttempt = 0;
    int m_awaitedAttempt = 0;
    int m_connectionNumber = 0;
    ConnectResult m_connectResult = ConnectResult::Pending;
    std::string m_connectError;
    bool m_connected = false;
    bool m_reconnect = false;
    bool m_reconnecting = false;
    // The link dropped by itself and may be taken up again with its endpoint.
    bool m_dropped = false;
    bool m_shutDown = false;
    // Numbers of the periodic runs and media streams started so far, and of
    // the one running (0: none), which its failure event names.
    int m_periodicRuns = 0;
    int m_periodicRun = 0;
    int m_mediaStreams = 0;
    int m_mediaStream = 0;
    // Streaming progress: the newest count, and whether an event for it waits.
    std::atomic<uint64_t> m_fileProgressBytes{0};
    std::atomic<bool> m_fileProgressPosted{false};
    uint64_t m_mediaBytesReported = 0;
};

#endif
