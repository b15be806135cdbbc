// The UART terminal's panel: the view of the UART link (uart/uart_link.h),
// every control and the state of what it shows. The shell, the benchmarks
// and the tests use the small public interface below and the controls' ids;
// the methods are split by concern over terminal_panel*.cpp.
#ifndef ORV_UART_TERMINAL_PANEL_H
#define ORV_UART_TERMINAL_PANEL_H

#include "app/growing_layout.h"
#include "uart/key_bindings.h"
#include "uart/link_endpoint.h"
#include "uart/message_sequence.h"
#include "uart/notation.h"
#include "uart/receive_inbox.h"
#include "uart/rule.h"
#include "uart/rx_hex_dump.h"
#include "uart/rx_line_splitter.h"
#include "uart/rx_render.h"
#include "uart/rx_scrollback.h"
#include "uart/stream_plot.h"
#include "uart/uart_link.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <wx/colour.h>
#include <wx/gdicmn.h>
#include <wx/panel.h>
#include <wx/string.h>
#include <wx/timer.h>

struct RuleCounts;
class RuleEngine;
struct RxLineBound;
struct RxLineOptions;
struct UartSettings;
class SequenceDialog;
class wxBitmap;
class wxBitmapButton;
class wxCheckBox;
class wxComboBox;
class wxContextMenuEvent;
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
    // The receive views have the ids 0 to 4, their kRxView numbers; the four
    // transmit entries share ID_TX_ENTRY and are made in notation order.
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
        ID_STATUS_ICON = 5122,
        ID_IP_LABEL = 5123,
        ID_PORT_LABEL = 5124,
        ID_RECONNECT = 5125,
        ID_MESSAGE_LIST = 5126,
        ID_MEDIA_LABEL = 5127,
        ID_TIMESTAMP = 5128,
        ID_WRAP = 5129,
        ID_RX_BACKDROP = 5130,
        ID_PERIOD = 5131,
        ID_PERIOD_UNIT = 5132,
        ID_TOTAL_SIZE_LABEL = 5133,
        ID_TOTAL_SIZE = 5134,
        ID_PADDING_LABEL = 5135,
        ID_MSG_COUNTER = 5136,
        // The hints of the four notations, ID_TX_HINT + notation.
        ID_TX_HINT = 5140,
        ID_MILLISECONDS = 5150,
        ID_LINE_SPLIT = 5151,
        // The message list's menu: no key, then F1 to F12.
        ID_KEY_NONE = 5160,
        ID_KEY_FIRST = 5161,
    };
    static constexpr int kHistorySize = 1000;
    // The newest text the shown view holds while text comes, in characters:
    // at its design size the view shows some 16 rows of 45 characters in the
    // usual font.
    static constexpr size_t kRxWindowChars = 1024;

    TerminalPanel();
    ~TerminalPanel() override;

    // The module to connect to, as the connection dialog gave it; none
    // ("not set") before the first. A live connection is dropped.
    void SetConnectionParameters(const std::optional<LinkEndpoint> &parameters);
    const std::optional<LinkEndpoint> &ConnectionParameters() const { return m_parameters; }
    // Stops every worker of the link and closes its connection. Runs before
    // the panel is destroyed (the frame's close handler, and the destructor
    // as a safety net); calling it again does nothing.
    void Shutdown();
    // Writes the link's state into the frame's status bar while this panel
    // is the one shown.
    void ShowLinkStatus();
    // Keeps the media file for the next play from the start and shows its
    // name with the media buttons; an empty path hides them again.
    void SelectMediaFile(const wxString &path, const wxString &fileName);
    const wxString &MediaFilePath() const { return m_mediaFilePath; }
    // The options and the message list as kept between runs, and giving
    // them back (at start, before anything is connected).
    UartSettings CurrentSettings() const;
    void ApplySettings(const UartSettings &settings);
    // Takes the panel's present size and places as its design, from which
    // it grows when the frame does (the frame calls it once laid out).
    void KeepDesignLayout();
    // What the picture button of that id does, as its tooltip and accessible
    // name say it.
    static wxString ButtonName(int id);
    // The link the panel shows.
    const UartLink &Link() const { return m_link; }

    // The function key (1 to 12, 0: none) of the message selected in the
    // list; false when none is selected. The key sends its message while the
    // panel is shown, wherever the focus is in the frame.
    bool SetKeyOfSelectedMessage(int key);
    const KeyBindings &MessageKeys() const { return m_keys; }
    // The keys as kept between runs, every key named (unbound: empty), and
    // back; what a bad entry costs is said on the error output.
    SettingEntries KeySettingEntries() const;
    void ApplyKeySettings(const std::function<std::optional<std::string>(const std::string &)> &lookup);

    // Sends the messages of the steps in turn, each as the list sends it;
    // the reason when the steps were refused (nothing runs then).
    std::string StartSequence(const std::vector<SequenceStep> &steps, bool loop);
    // Stops a run at once: nothing more goes out.
    void StopSequence();
    bool SequenceRunning() const { return m_sequence.has_value(); }
    // Why the last run ended ("" while one runs or none ran).
    const std::string &SequenceEnd() const { return m_sequenceEnd; }
    // The message sequence dialog, made on first use.
    void OpenSequenceDialog();
    // The list's messages, oldest first, as the list shows them.
    std::vector<wxString> MessageLabels() const;

    // Each view's text is kept by the panel within the view's scrollback
    // limit; only the shown view holds it in the toolkit, so that the toolkit
    // keeps and lays out only the text the user sees, and a switch shows at
    // most one limit's worth. The whole text of a view, shown or not:
    std::string RxViewUtf8(int notation) const { return m_rxBack[notation].Text(); }
    wxString RxViewText(int notation) const;
    // Received bytes shown in the views so far.
    uint64_t RxBytesShown() const { return m_rxBytesShown; }
    // Received chunks taken from the link and not shown yet.
    size_t RxChunksStaged() const { return m_rxStaged.size(); }
    // How long received bytes wait for the rest of a highlighting match
    // (a long time in tests, so that a busy machine cannot end the wait).
    void SetRxMostHold(std::chrono::milliseconds wait) { m_rxMostHold = wait; }
    // The scrollback limit of each view, the longest display line of
    // received text, and the newest text the shown view holds while text
    // comes, in characters (small ones for tests).
    void SetRxLimits(size_t scrollbackChars, size_t lineChars, size_t windowChars = kRxWindowChars);
    // The window set by SetRxLimits, scaled with a grown view.
    size_t RxWindowChars() const { return m_rxWindowChars; }
    // The plot of the numbers received ("Plot received numbers"): opened
    // or raised.
    void OpenStreamPlot() { m_streamPlot.Open(this); }
    const StreamPlot &ReceivedPlot() const { return m_streamPlot; }

    // The rules run over the received data (uart/rule_engine.h), their
    // sends going out as the message list's do.
    const std::vector<Rule> &Rules() const;
    // "Rule N: " and why the first unusable one cannot be used against the
    // message list as it is, or an empty text.
    std::string CheckRules(const std::vector<Rule> &rules) const;
    // Takes the rules when CheckRules passes them (counts start over);
    // otherwise keeps those it had and returns why.
    std::string SetRules(std::vector<Rule> rules);
    RuleCounts RuleCountsOf(size_t rule) const;
    void ResetRuleCounts();

private:
    void BuildTopRow();
    void BuildTypeRow();
    void BuildTransmitColumn();
    void BuildListColumn();
    void BuildMediaGroup();
    void BuildReceiveColumn();
    void BuildBottomRow();
    // Fits the controls made at their design sizes to the toolkit's real
    // widget sizes (app/toolkit_fit.h).
    void FitToToolkit();
    void FitReceiveHeader();
    void FitMediaGroup();
    void FitPeriodicRows();
    void FitReadTypeChoice();
    // A picture button, named (tooltip and accessible name) after what it does.
    wxBitmapButton *AddBitmapButton(int id, const wxString &image, const wxPoint &position, const wxSize &size);
    void OnPanelSize(wxSizeEvent &event);

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
    // Starts reading on the connection made; `quietly` leaves out the
    // success box. False when the connection could not be used.
    bool EnterConnectedState(bool quietly = false);
    void Disconnect();
    void OnModifyParameters(wxCommandEvent &event);
    void OnReconnectOption(wxCommandEvent &event);
    // The link's events, after the link's own part.
    void OnConnectionEvent(wxCommandEvent &event);
    void OnLinkEnded(wxCommandEvent &event);
    void OnLinkReturned();
    // The status icon and the connect button as the link's state says.
    void ShowConnectionLook();
    void OnStatusTimer(wxTimerEvent &event);

    void OnWorkerEvent(wxCommandEvent &event);
    void OnChunksArrived();
    void StartRxFlushTimer(int delayMs);
    // Moves the chunks of the link's inbox to the staged ones; false when
    // there were none.
    bool TakeInbox();
    void OnRxFlush(wxTimerEvent &event);
    void OnRxReveal(wxTimerEvent &event);
    uint64_t NewestRxWindowStart(const RxScrollback &back) const;
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
    // Shows the staged chunks, up to a turn's budget, except those held
    // back (HeldChunks) when `holdBack`; returns how many are held back.
    size_t ShowStagedChunks(bool holdBack = true);
    // Shows every chunk received so far and still waiting for the timer.
    void ShowAllStagedChunks();
    void AppendUtf8ToRxView(int notation, std::string &&text, const wxColour &colour);
    void DropStagedChunks();
    // Rules: the chunks taken from the inbox from `first` on are fed to the
    // rules; the matches wait until the data they end in is shown.
    void FeedRules(size_t first);
    // A new connection, or a server's new module: no match spans it.
    void RestartRuleStream();
    // Where the colour of each view's text changes: at a byte index of the
    // text, to a colour (wxColour::GetRGB()).
    using RxColourRuns = std::array<std::vector<std::pair<size_t, uint32_t>>, kNotationCount>;
    // The highlighting matches over the bytes at `offset` in the stream, as
    // spans of those bytes in the colour of the rule on top.
    std::vector<RxColourSpan> HighlightSpans(uint64_t offset, size_t size) const;
    // Appends bytes at `offset` in the stream to the texts through `append`
    // (AppendChunkToViews or AppendLinePieceToViews, given the cuts it is to
    // fill, or none), with the colour changes that the matches over them
    // make; the dump colours them too, `dumpFrom` bytes after the next byte
    // it takes.
    void AppendWithMatches(uint64_t offset, size_t size, size_t dumpFrom, const RxViewTexts &texts,
                           RxColourRuns &runs, const std::function<void(RxCuts *)> &append);
    void AppendRunsToRxView(int notation, const std::string &text,
                            const std::vector<std::pair<size_t, uint32_t>> &runs);
    // How many staged chunks, the last ones, wait for bytes that may
    // complete a highlighting match begun in the first of them, so that the
    // match is shown in its colour whole; a whole chunk waits, and for a
    // bounded time.
    size_t HeldChunks();
    // Carries out the matches that end within the data shown so far.
    void RunShownRuleMatches();
    void SendForRule(size_t rule);
    // Keeps the rules right when the list loses its entry `index`.
    void RulesAfterMessageGone(size_t index, const SavedMessage &message);
    // Empties all four views.
    void ClearRxViews();
    // Shows the receive view of the "Read type" selection, with its text,
    // and hides and empties the other three.
    void ShowSelectedRxView();
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
    // Sends the history's entry `index` as the list does, with its echo;
    // false when it did not go out (the user has been told why).
    bool SendListEntry(int index);
    // After the history lost its entry `index`, or all of them: the keys
    // and a sequence follow the list.
    void OnMessageRemoved(int index);
    void OnMessagesCleared();
    // The list's row of the history's entry, written with its key.
    void ShowMessageLabel(int index);
    void BindMessageKeys();
    void OnFrameKey(wxKeyEvent &event);
    void OnListContextMenu(wxContextMenuEvent &event);
    void OnKeyMenu(wxCommandEvent &event);
    void OnSequenceTimer(wxTimerEvent &event);
    // Ends a run, with its reason in the views and the dialog.
    void EndSequence(const std::string &reason);
    // The timestamp of the panel's lines, with milliseconds when chosen.
    wxString LineStamp() const;
    // Received chunks split at their line endings, for the option; the
    // chunk is at `offset` in the stream.
    void AppendLinesToViews(const uint8_t *data, size_t size, uint64_t offset, const std::string &stamp,
                            RxViewTexts &texts, RxLineBound &lines, RxColourRuns &runs);
    // The chunk's dump for the hex and ASCII view; `newRun` says that the
    // other views started a stamped line with it. `colours` gets the ranges
    // of `dump` in colour.
    void AppendChunkToDump(const uint8_t *data, size_t size, const std::string &stamp, bool newRun,
                           std::string &dump, std::vector<RxColourSpan> &colours);
    // Shows the completed dump lines, the open one after them in place of
    // the one shown before.
    void ShowDump(std::string &&completed, std::vector<RxColourSpan> &&colours);
    void OnListDoubleClick(wxCommandEvent &event);
    void OnListKey(wxKeyEvent &event);
    // Removes the list's selected entry and its history entry.
    void DeleteSelectedMessage();
    void RecallHistory(bool older);
    // The history index of the message selected in the list; false if none.
    bool SelectedMessage(int &index) const;
    // Encodes a stored message with its line ending (LineEnding) and sends
    // it once (true when it went out), or starts periodic sending with it
    // (true when the sender runs).
    bool SendMessage(const wxString &text, int notation, bool once, int ending);
    void OnSend(wxCommandEvent &event);
    void OnPeriodic(wxCommandEvent &event);
    void StartPeriodic();
    void StopPeriodic();
    // The start button and the end line of a run that has ended.
    void ShowPeriodicEnded();
    void TogglePeriodicGroup();
    bool PeriodicGroupEnabled() const;
    void EnablePeriodicButton();
    void ReplacePeriodicButton(int id, const wxBitmap &face);
    void OnPeriodicSendFailed(wxCommandEvent &event);
    // Appends a line of the transmit side to a view and shows the selected one.
    void AppendTxLine(int notation, const wxString &line, const wxColour &colour);
    // The same without showing the data received meanwhile first: for the
    // echo of a send, which the module's reply to it must follow.
    void AppendTxLineNow(int notation, const wxString &line, const wxColour &colour);
    // A line in every view that marks a drop ridden out, or the return
    // (`up`), with the time and what happened.
    void AppendLinkLine(bool up, const wxString &what);
    // Appends a line of the panel's own in a colour (set as the view's
    // default style) to a view. It starts on a line of its own: received
    // bytes that did not end their line would run into it ("0d 0a41 54").
    void AppendPanelLine(int notation, const wxString &line, const wxColour &colour);
    void WriteSentCount(wxCommandEvent &event);
    void OnExport(wxCommandEvent &event);
    void OnClear(wxCommandEvent &event);

    void OnMediaButton(wxCommandEvent &event);
    void PlayMedia();
    void OnFileFailed(wxCommandEvent &event);

    UartLink m_link;
    // The module's address, port and mode; none before the dialog gave them.
    std::optional<LinkEndpoint> m_parameters;
    bool m_shutDown = false;

    // The top row.
    wxStaticBitmap *m_statusIcon = nullptr;
    wxStaticText *m_ipLabel = nullptr;
    wxStaticText *m_portLabel = nullptr;
    wxBitmapButton *m_connectButton = nullptr;
    std::unique_ptr<wxBitmap> m_connectBitmap;
    std::unique_ptr<wxBitmap> m_disconnectBitmap;
    wxCheckBox *m_reconnectCheck = nullptr;
    // Refreshes the status bar's counters while connected.
    wxTimer m_statusTimer;

    // The absolutely placed controls: their origin, and how each one
    // follows a growing panel.
    int m_layoutX = 30;
    int m_layoutY = 70;
    GrowingLayout m_layout;
    wxRadioBox *m_txTypeRadio = nullptr;
    wxRadioBox *m_rxTypeRadio = nullptr;

    // The transmit column and the message list.
    std::array<wxTextCtrl *, kNotationCount> m_txEntries{};
    std::array<wxStaticText *, kNotationCount> m_txHints{};
    std::unique_ptr<wxTextValidator> m_binaryValidator;
    std::unique_ptr<wxTextValidator> m_hexValidator;
    std::unique_ptr<wxTextValidator> m_decimalValidator;
    // The ending appended to ASCII messages added from now on.
    wxComboBox *m_lineEndingCombo = nullptr;
    wxListBox *m_messageList = nullptr;
    std::array<wxString, kHistorySize> m_historyTexts;
    std::array<int, kHistorySize> m_historyTypes{};
    // The line ending each message was added with (LineEnding).
    std::array<int, kHistorySize> m_historyEndings{};
    int m_historyCount = 0;
    int m_historyCursor = 0;

    // Periodic sending.
    wxBitmapButton *m_periodicButton = nullptr;
    int m_periodicButtonY = 250;
    std::unique_ptr<wxBitmap> m_periodicBitmap;
    std::unique_ptr<wxBitmap> m_stopPeriodicBitmap;
    wxTextCtrl *m_periodText = nullptr;
    wxComboBox *m_periodUnitCombo = nullptr;
    wxCheckBox *m_msgCounterCheck = nullptr;
    wxStaticText *m_totalSizeLabel = nullptr;
    wxTextCtrl *m_totalSizeText = nullptr;
    wxStaticText *m_paddingLabel = nullptr;
    // The message of the periodic sending running or last run, which its end
    // and count lines name (the list may have changed meanwhile).
    wxString m_periodicMessage;
    int m_periodicNotation = NotationAscii;

    // Media streaming.
    wxString m_mediaFilePath;
    wxStaticText *m_mediaLabel = nullptr;
    wxBitmapButton *m_mediaBackwardButton = nullptr;
    wxBitmapButton *m_mediaPlayButton = nullptr;
    wxBitmapButton *m_mediaPauseButton = nullptr;
    wxBitmapButton *m_mediaLoopButton = nullptr;

    // The receive column and the log.
    wxCheckBox *m_timestampCheck = nullptr;
    wxCheckBox *m_wrapCheck = nullptr;
    wxCheckBox *m_millisecondsCheck = nullptr;
    wxCheckBox *m_lineSplitCheck = nullptr;
    std::array<wxTextCtrl *, kRxViewCount> m_rxViews{};
    // The black static text behind the receive views.
    wxWindow *m_rxBackdrop = nullptr;
    wxCheckBox *m_logLineBreaksCheck = nullptr;
    // The folder of the next log (the current directory when empty).
    std::string m_logFolder;

    // The receive path: chunks taken from the link's inbox wait here for
    // the display timer, which shows them in the four views.
    std::deque<ReceiveInbox::Chunk> m_rxStaged;
    bool m_rxLineStart = true;
    int m_rxLineCount = 0;
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
    std::array<RxScrollback, kRxViewCount> m_rxBack;
    RxHexDump m_rxDump;
    RxLineSplitter m_rxSplitter;
    // The splitter has seen every chunk since it was last reset.
    bool m_rxSplitting = false;
    // The pieces of the chunk split last, which the dump follows too.
    std::vector<RxLinePiece> m_rxPieces;

    // Function keys and the message sequence.
    KeyBindings m_keys;
    std::optional<SequenceRun> m_sequence;
    std::string m_sequenceEnd;
    wxTimer m_sequenceTimer;
    SequenceDialog *m_sequenceDialog = nullptr;
    size_t m_rxLineChars = kRxLineChars;
    uint64_t m_rxBytesShown = 0;

    // The rules, and whether any is enabled: without one the receive path
    // does nothing for them.
    std::unique_ptr<RuleEngine> m_ruleEngine;
    bool m_rulesRunning = false;
    // Received bytes taken from the inbox, and where the rules' stream
    // began, counted as m_rxBytesShown counts (both kept while rules run).
    uint64_t m_rxBytesTaken = 0;
    uint64_t m_ruleStreamStart = 0;
    // The module the rules' stream comes from.
    std::string m_rulePeer;
    struct RuleHit {
        uint64_t begin;
        uint64_t end;
        size_t rule;
        unsigned actions;
    };
    // Matches whose end is not yet shown, ordered by their end.
    std::deque<RuleHit> m_ruleHits;
    // The stream offset of the first chunk held back, and since when.
    struct RxHold {
        uint64_t offset;
        SteadyClock::time_point since;
    };
    std::optional<RxHold> m_rxHold;
    // Received bytes wait no longer than this for the rest of a match: a
    // module that stops mid-word still has its bytes shown.
    std::chrono::milliseconds m_rxMostHold{200};
    StreamPlot m_streamPlot;
};

#endif
