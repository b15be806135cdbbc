// The UART terminal's panel: every control and all the state of the
// terminal. Its methods are split by concern over terminal_panel*.cpp.
#ifndef ORV_UART_TERMINAL_PANEL_H
#define ORV_UART_TERMINAL_PANEL_H

#include "uart/chunk_gate.h"
#include "uart/link_status.h"
#include "uart/notation.h"
#include "uart/receive_log.h"
#include "uart/rx_scrollback.h"
#include "uart/uart_socket.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>
#include <wx/colour.h>
#include <wx/gdicmn.h>
#include <wx/panel.h>
#include <wx/string.h>
#include <wx/timer.h>

struct UartSettings;
class ConnectThread;
class ReadUartThread;
class SendFileThread;
class SendPeriodicallyThread;
class wxBitmap;
class wxBitmapButton;
class wxCheckBox;
class wxComboBox;
class wxFindDialogEvent;
class wxFindReplaceData;
class wxFindReplaceDialog;
class wxFocusEvent;
class wxKeyEvent;
class wxListBox;
class wxMouseEvent;
class wxProgressDialog;
class wxRadioBox;
class wxSizeEvent;
class wxStaticBitmap;
class wxStaticText;
class wxTextCtrl;
class wxTextValidator;

class TerminalPanel : public wxPanel {
public:
    enum {
        ID_TX_ENTRY = 2001,
        ID_CONNECT = 2002,
        ID_READ_TYPE = 2004,
        ID_TRANSMISSION_TYPE = 2005,
        ID_CLEAR_RX = 2006,
        ID_LOG_STOP = 2007,
        ID_LOG_START = 2008,
        ID_SEND_PERIODICALLY = 2009,
        ID_STOP_PERIODICALLY = 2010,
        ID_PERIODIC_CHECK = 2011,
        ID_EXPORT = 2012,
        ID_MEDIA_BACKWARD = 2013,
        ID_MEDIA_PLAY = 2014,
        ID_MEDIA_PAUSE = 2015,
        ID_MEDIA_LOOP = 2016,
        ID_SEND = 5003,
        ID_MODIFY = 5030,
        ID_CLEAR_LIST = 5034,
        ID_ADD_MESSAGE = 5118,
        ID_LINE_ENDING = 5119,
        ID_LOG_FOLDER = 5120,
        ID_LOG_LINE_BREAKS = 5121,
    };
    static constexpr int kHistorySize = 1000;

    TerminalPanel();
    ~TerminalPanel() override;

    // Shows new connection parameters; a live connection is dropped.
    void SetConnectionParameters(const wxString &ip, const wxString &port);
    // Stops every worker thread of the panel and closes its connection. Runs
    // before the panel is destroyed (the frame's close handler, and the
    // destructor as a safety net); calling it again does nothing.
    void Shutdown();
    // The socket layer's last error in an "Error" box.
    void ShowSocketError();
    // Sends on the connection from any thread, like tcp_send_all: 0, or -1
    // with the socket layer's error recorded (also after a disconnect).
    int SendBytes(const char *data, uint16_t *length);
    // The same for a sender that must not wait long for a module that
    // stopped reading (the stream): UartSocket::kTimedOut with ETIMEDOUT
    // recorded once `timeoutMs` are over; `length` becomes the bytes sent.
    int SendBytesWithin(const char *data, uint16_t *length, int timeoutMs)
    {
        return m_socket.SendWithin(data, length, timeoutMs);
    }
    // A single message from the GUI thread, bounded the same way; nothing of
    // it is written until the connection has room for all of it, so a
    // give-up leaves no part of it behind (see UartSocket::SendWholeWithin).
    static constexpr int kSingleSendTimeoutMs = 5000;
    int SendWholeMessage(const char *data, uint16_t *length, int timeoutMs = kSingleSendTimeoutMs)
    {
        return m_socket.SendWholeWithin(data, length, timeoutMs);
    }
    // Waits up to `timeoutMs` until a send would not block (see UartSocket).
    bool WaitSendable(int timeoutMs) const { return m_socket.WaitWritable(timeoutMs); }
    // Called by the receive thread when the module closed the connection or
    // a receive failed: shuts the connection down, so that the next send
    // fails instead of losing its bytes and the module sees this end close.
    void ShutdownEndedConnection() { m_socket.ShutdownQuietly(); }
    // Encodes a stored message with its line ending (LineEnding, none by
    // default) and sends it once (true when it went out), or starts periodic
    // sending with it (true when the sender runs).
    bool SendMessage(const wxString &text, int notation, bool once, int ending = 0);
    // Each view's text is kept by the panel within the view's scrollback
    // limit; only the shown view holds it in the toolkit, so that the toolkit
    // keeps and lays out only the text the user sees, and a switch shows at
    // most one limit's worth.
    // Empties all four views.
    void ClearRxViews();
    // The whole text of a view, shown or not, in UTF-8 and as a string.
    std::string RxViewUtf8(int notation) const { return m_rxBack[notation].Text(); }
    wxString RxViewText(int notation) const;
    // Shows the receive view of the "Read type" selection, with its text,
    // and hides and empties the other three.
    void ShowSelectedRxView();
    // The scrollback limit of each view, the longest display line of
    // received text, and the newest text the shown view holds while text
    // comes, in characters (small ones for tests).
    static constexpr size_t kRxWindowChars = 8 * 1024;
    void SetRxLimits(size_t scrollbackChars, size_t lineChars, size_t windowChars = kRxWindowChars);
    // The newest text the shown view holds while text comes, in characters:
    // the window set by SetRxLimits, scaled with a grown view.
    size_t RxWindowChars() const { return m_rxWindowChars; }
    // Received bytes shown in the views so far.
    uint64_t RxBytesShown() const { return m_rxBytesShown; }
    // Keeps the media file for the next play from the start and shows its
    // name with the media buttons.
    void SelectMediaFile(const wxString &path, const wxString &fileName);
    // Called by the streaming thread with the bytes it has sent so far.
    void ReportFileProgress(uint64_t bytesRead);
    // Media bytes streamed as last reported to the GUI thread.
    uint64_t MediaBytesReported() const { return m_mediaBytesReported; }

    // Called by the receive thread, once the chunk has its slot in
    // m_rxGate: a block of 2 + n bytes, n high byte first, then the n bytes.
    // The first chunk into an empty inbox wakes the panel with EVT_UART_DATA;
    // from then on its display timer takes them, which runs ahead of the
    // toolkit's idle-time work, so a busy view does not hold chunks back.
    void HandOverChunk(std::unique_ptr<uint8_t[]> block);

    // Takes the panel's present size and places as its design, from which
    // it grows when the frame does (the frame calls it once laid out).
    void KeepDesignLayout();

    // What the picture button of that id does, as its tooltip and accessible
    // name say it.
    static wxString ButtonName(int id);

    // Writes the link's state into the frame's status bar while this panel
    // is the one shown.
    void ShowLinkStatus();

    // The options and the message list as kept between runs, and giving
    // them back (at start, before anything is connected).
    UartSettings CurrentSettings() const;
    void ApplySettings(const UartSettings &settings);

    // Called by the threads' destructors, on their own thread.
    void OnReadThreadGone(ReadUartThread *thread);
    void OnConnectThreadGone(ConnectThread *thread);
    void OnPeriodicThreadGone(SendPeriodicallyThread *thread);
    void OnFileThreadGone(SendFileThread *thread);

    std::atomic<ReadUartThread *> m_readThread{nullptr};
    std::atomic<SendPeriodicallyThread *> m_periodicThread{nullptr};
    std::atomic<SendFileThread *> m_fileThread{nullptr};
    std::atomic<ConnectThread *> m_connectThread{nullptr};
    int m_layoutX = 30;
    int m_layoutY = 70;
    wxStaticBitmap *m_statusIcon = nullptr;
    bool m_connected = false;
    std::atomic<int> m_socketHandle{0};
    wxBitmapButton *m_connectButton = nullptr;
    wxCheckBox *m_reconnectCheck = nullptr;
    std::unique_ptr<wxBitmap> m_connectBitmap;
    std::unique_ptr<wxBitmap> m_disconnectBitmap;
    wxStaticText *m_ipLabel = nullptr;
    wxStaticText *m_portLabel = nullptr;
    std::array<wxTextCtrl *, kNotationCount> m_txEntries{};
    std::unique_ptr<wxTextValidator> m_binaryValidator;
    std::unique_ptr<wxTextValidator> m_hexValidator;
    std::unique_ptr<wxTextValidator> m_decimalValidator;
    std::array<wxTextCtrl *, kNotationCount> m_rxViews{};
    wxListBox *m_messageList = nullptr;
    std::array<wxString, kNotationCount> m_notationNames{"ASCII", "Hex", "Binary", "Decimal"};
    std::array<wxStaticText *, kNotationCount> m_txHints{};
    std::array<wxString, 2> m_periodUnitNames{"ms", "s"};
    wxTextCtrl *m_periodText = nullptr;
    wxComboBox *m_periodUnitCombo = nullptr;
    wxCheckBox *m_msgCounterCheck = nullptr;
    wxBitmapButton *m_periodicButton = nullptr;
    int m_periodicButtonY = 250;
    std::unique_ptr<wxBitmap> m_periodicBitmap;
    std::unique_ptr<wxBitmap> m_stopPeriodicBitmap;
    wxCheckBox *m_timestampCheck = nullptr;
    wxCheckBox *m_wrapCheck = nullptr;
    bool m_rxLineStart = true;
    wxStaticText *m_totalSizeLabel = nullptr;
    wxTextCtrl *m_totalSizeText = nullptr;
    wxStaticText *m_paddingLabel = nullptr;
    wxBitmapButton *m_mediaBackwardButton = nullptr;
    wxBitmapButton *m_mediaPlayButton = nullptr;
    wxBitmapButton *m_mediaPauseButton = nullptr;
    wxBitmapButton *m_mediaLoopButton = nullptr;
    wxString m_mediaFilePath;
    wxStaticText *m_mediaLabel = nullptr;
    std::array<wxString, kHistorySize> m_historyTexts;
    std::array<int, kHistorySize> m_historyTypes{};
    // The line ending each message was added with (LineEnding).
    std::array<int, kHistorySize> m_historyEndings{};
    // The ending appended to ASCII messages added from now on.
    wxComboBox *m_lineEndingCombo = nullptr;
    int m_historyCount = 0;
    int m_historyCursor = 0;
    int m_rxLineCount = 0;
    int m_connectResult = 0;
    wxRadioBox *m_txTypeRadio = nullptr;
    wxRadioBox *m_rxTypeRadio = nullptr;

    // Chunks handed over by the receive thread and not yet shown.
    ChunkGate m_rxGate;

private:
    void BuildTopRow();
    void BuildTypeRow();
    void BuildTransmitColumn();
    void BuildListColumn();
    void BuildMediaGroup();
    void BuildReceiveColumn();
    void BuildBottomRow();
    // A picture button, named (tooltip and accessible name) after what it does.
    wxBitmapButton *AddBitmapButton(int id, const wxString &image, const wxPoint &position, const wxSize &size);

    void OnClose(wxCloseEvent &event);
    void OnPanelFocus(wxFocusEvent &event);
    void ForwardTxKey(wxKeyEvent &event);
    void LimitTxEntry(wxCommandEvent &event);
    void OnReadTypeChanged(wxCommandEvent &event);
    void OnTransmissionTypeChanged(wxCommandEvent &event);
    // Shows the entry, hint and ending choice of the transmission type.
    void ShowSelectedTxEntry();

    void OnConnect(wxCommandEvent &event);
    void WaitForConnectResult(wxProgressDialog &progress);
    // Starts the receive thread on the adopted connection; `quietly` leaves
    // out the success box. False when the connection could not be used.
    bool EnterConnectedState(bool quietly = false);
    // Connecting again by itself after the link dropped, every 2 s, until it
    // connects or the user presses Disconnect.
    void StartReconnecting();
    void StopReconnecting();
    void OnReconnectTimer(wxTimerEvent &event);
    void OnReconnectResult();
    void Disconnect();
    // Leaves the connected state: the connection is shut down and the
    // receive thread stopped.
    void TearDownConnection();
    void OnLinkEnded(wxCommandEvent &event);
    void StopReadThread();
    // Waits until `gone` holds, looking only under m_threadLock.
    void WaitForThreads(const std::function<bool()> &gone);
    void AbandonConnectAttempt();
    // Starts a connect attempt to the panel's parameters; false, with nothing
    // left running, when its thread cannot start.
    bool StartConnectThread();
    void OnModifyParameters(wxCommandEvent &event);
    void OnConnectionEvent(wxCommandEvent &event);
    bool HasQueuedEvents();
    void OnConnected(wxCommandEvent &event);

    void OnWorkerEvent(wxCommandEvent &event);
    void OnChunksArrived();
    void StartRxFlushTimer(int delayMs);
    // Moves the chunks of the inbox to the staged ones; false when there
    // were none.
    bool TakeInbox();
    void OnRxFlush(wxTimerEvent &event);
    void OnRxReveal(wxTimerEvent &event);
    // Fills the shown view `notation` with its kept text from the absolute
    // index `begin` on.
    void LoadRxWindow(int notation, uint64_t begin);
    void ScrollRxViewToNewest();
    void StartRxPaging();
    void OnRxPaging(wxTimerEvent &event);
    void BindRxReading();
    void OnPanelCharHook(wxKeyEvent &event);
    void OnRxViewKey(wxKeyEvent &event);
    void OnRxViewWheel(wxMouseEvent &event);
    void HoldRxView();
    bool RxViewAtBottom() const;
    void FollowRxViewIfAtBottom();
    void SelectAllRxText();
    void OpenRxFind();
    void OnRxFind(wxFindDialogEvent &event);
    void FindRxText(bool forward);
    void ShowStagedChunks();
    // Shows every chunk received so far and still waiting for the timer.
    void ShowAllStagedChunks();
    void AppendUtf8ToRxView(int notation, std::string &&text, const wxColour &colour);
    void DropStagedChunks();
    void OnLogButton(wxCommandEvent &event);
    void OnLogFolder(wxCommandEvent &event);
    void OnLogLineBreaks(wxCommandEvent &event);

    void OnTxKey(wxKeyEvent &event);
    void OnAddMessage(wxCommandEvent &event);
    // Adds the typed message to the list and the history; false when it was
    // refused (the user has been told why).
    bool AddTypedMessage();
    // Sends the message selected in the list once, with its echo.
    void SendSelected();
    void OnListDoubleClick(wxCommandEvent &event);
    void OnListKey(wxKeyEvent &event);
    // Removes the list's selected entry and its history entry.
    void DeleteSelectedMessage();
    void RecallHistory(bool older);
    // The history index of the message selected in the list; false if none.
    bool SelectedMessage(int &index) const;
    void OnSend(wxCommandEvent &event);
    void OnPeriodic(wxCommandEvent &event);
    void StartPeriodic();
    void StopPeriodic();
    void TogglePeriodicGroup();
    bool PeriodicGroupEnabled() const;
    void EnablePeriodicButton();
    void ReplacePeriodicButton(int id, const wxBitmap &face);
    // Ends periodic sending, if any, and waits until its thread is gone.
    void StopPeriodicThread();
    void OnPeriodicSendFailed(wxCommandEvent &event);
    // Appends a line of the transmit side to a view and shows the selected one.
    void AppendTxLine(int notation, const wxString &line, const wxColour &colour);
    // The same without showing the data received meanwhile first: for the
    // echo of a send, which the module's reply to it must follow.
    void AppendTxLineNow(int notation, const wxString &line, const wxColour &colour);
    // Appends a line of the panel's own in a colour (set as the view's
    // default style) to a view. It starts on a line of its own: received
    // bytes that did not end their line would run into it ("0d 0a41 54").
    void AppendPanelLine(int notation, const wxString &line, const wxColour &colour);
    void WriteSentCount(wxCommandEvent &event);
    void OnExport(wxCommandEvent &event);
    void OnClear(wxCommandEvent &event);

    void OnMediaButton(wxCommandEvent &event);
    void PlayMedia();
    void PauseMedia();
    // Ends the stream, if any, and waits until its thread is gone.
    void StopFileThread();
    void OnFileFailed(wxCommandEvent &event);
    void OnFileProgress(wxCommandEvent &event);

    // Guards the thread pointers against the threads' destructors, so the GUI
    // thread never calls into a thread object that is being deleted.
    std::mutex m_threadLock;
    UartSocket m_socket;
    std::mutex m_rxInboxLock;
    std::deque<std::unique_ptr<uint8_t[]>> m_rxInbox;
    std::deque<std::unique_ptr<uint8_t[]>> m_rxStaged;
    wxTimer m_rxFlushTimer;
    // Elapsed times go by the steady clock: one the user sets back must not
    // hold up the display or the paging.
    using SteadyClock = std::chrono::steady_clock;
    SteadyClock::time_point m_rxFlushStart;
    int m_rxFlushDelay = 0;
    bool m_rxFlushAfterIdle = false;
    SteadyClock::time_point m_rxLastIdle;
    wxTimer m_rxRevealTimer;
    // The part of the shown view's kept text that the toolkit view holds, as
    // absolute indexes (RxScrollback::Dropped() counts from the start), and
    // when the panel last changed or scrolled it.
    uint64_t m_rxWindowBegin = 0;
    uint64_t m_rxWindowEnd = 0;
    size_t m_rxWindowChars = kRxWindowChars;
    // The window at the views' design size (SetRxLimits).
    size_t m_rxWindowBaseChars = kRxWindowChars;
    enum class Resizing { Keep, Grow, GrowDown, MoveDown };
    struct DesignRect {
        wxWindow *window;
        wxRect rect;
        Resizing how;
    };
    wxSize m_designSize;
    std::vector<DesignRect> m_designRects;
    void OnPanelSize(wxSizeEvent &event);
    SteadyClock::time_point m_rxViewChanged;
    wxTimer m_rxPagingTimer;
    // False while the user has scrolled the shown view up: it then holds
    // still and new text is only kept.
    bool m_rxFollowing = true;
    bool m_rxScrollBarHeld = false;
    std::unique_ptr<wxFindReplaceData> m_rxFindData;
    wxFindReplaceDialog *m_rxFindDialog = nullptr;
    // The absolute index of the match last found.
    std::optional<uint64_t> m_rxFindFrom;
    std::array<RxScrollback, kNotationCount> m_rxBack;
    size_t m_rxLineChars = kRxLineChars;
    uint64_t m_rxBytesShown = 0;
    // Numbers of the awaited connect attempt (0: none) and of the connection.
    int m_connectAttempt = 0;
    int m_awaitedAttempt = 0;
    int m_connection = 0;
    std::atomic<int> m_liveConnectThreads{0};
    bool m_shutDown = false;
    // The message of the periodic sending running or last run, which its end
    // and count lines name (the list may have changed meanwhile).
    wxString m_periodicMessage;
    int m_periodicNotation = NotationAscii;
    // Numbers of the periodic runs and media streams started so far, and of
    // the one running (0: none), which its failure event names.
    int m_periodicRuns = 0;
    int m_periodicRun = 0;
    int m_mediaStreams = 0;
    int m_mediaStream = 0;
    LinkStatus m_link;
    // The receive log, which outlives the connections it records while the
    // link drops and is taken up again; the folder of the next log (the
    // current directory when empty).
    ReceiveLog m_log;
    std::string m_logFolder;
    wxCheckBox *m_logLineBreaksCheck = nullptr;
    // Bytes handed over by the receive thread since connecting.
    std::atomic<uint64_t> m_rxBytesReceived{0};
    // Refreshes the status bar's counters while connected.
    wxTimer m_statusTimer;
    wxTimer m_reconnectTimer;
    bool m_reconnecting = false;
    void OnStatusTimer(wxTimerEvent &event);
    // Streaming progress: the newest count, and whether an event for it waits.
    std::atomic<uint64_t> m_fileProgressBytes{0};
    std::atomic<bool> m_fileProgressPosted{false};
    uint64_t m_mediaBytesReported = 0;
};

#endif
