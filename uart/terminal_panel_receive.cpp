// Receive path of the UART panel: chunks the link's read thread left in its
// inbox are shown in the four receive views; and the log buttons.
#include "uart/terminal_panel.h"

#include "app/error_box.h"
#include "uart/rx_render.h"
#include "uart/worker_events.h"

#include <algorithm>
#include <chrono>
#include <wx/checkbox.h>
#include <wx/dirdlg.h>
#include <wx/filefn.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>

namespace {

// Received bytes shown per turn of the event loop: chunks waiting together
// are shown with one append per view, and the loop gets back to painting and
// input between turns.
constexpr size_t kShowBudgetBytes = 256 * 1024;
// Pause before showing chunks that arrive after a quiet spell, so that
// chunks arriving close together are shown in one go, and between turns
// while a backlog remains.
constexpr int kShowDelayMs = 10;
// While chunks keep coming they are shown once a frame: every append makes
// the toolkit lay out, size and draw the view again, which costs the same
// for one line as for forty, and it lays out again every line on screen as
// it draws. 37 frames a second keep the newest line on screen within some
// 30 ms of its arrival.
constexpr int kFrameMs = 27;
// A turn that shows this much meets a flood rather than a module's steady
// rate: the next turn follows after the short pause, as a flood's intake
// depends on how soon slots are given back.
constexpr uint64_t kFloodTurnBytes = 64 * 1024;
// A timer this much past its time finds the event loop busy.
constexpr int kShowLateMs = 2;
// The pause after idle time before a turn that came late, and how often a
// busy loop waits for idle time.
constexpr int kShowAfterIdleMs = 1;
constexpr int kShowIdleEveryMs = 1000;

// The scroll after each append asks for at least as many lines as were
// added; the line count stops here so that it never overflows.
constexpr int kMostScrollLines = 1 << 20;

} // namespace

void TerminalPanel::OnWorkerEvent(wxCommandEvent &event)
{
    switch (event.GetId()) {
    case EVT_UART_DATA:
        OnChunksArrived();
        break;
    case EVT_PERIODIC_DONE:
        WriteSentCount(event);
        break;
    default:
        break;
    }
}

void TerminalPanel::OnChunksArrived()
{
    if (!m_shutDown && !m_rxFlushTimer.IsRunning())
        StartRxFlushTimer(m_rxFlushAfterIdle ? kShowAfterIdleMs : kShowDelayMs);
    m_rxFlushAfterIdle = false;
    m_rxLastIdle = SteadyClock::now();
}

bool TerminalPanel::TakeInbox()
{
    const size_t before = m_rxStaged.size();
    const bool took = m_link.TakeReceived(m_rxStaged);
    if (took && m_rulesRunning)
        FeedRules(before);
    m_streamPlot.Take(m_rxStaged, before);
    return took;
}

// While chunks come the timer goes on, once a frame, and the link posts no
// wake-up for them; a turn that finds none stops it and asks the link for a
// wake-up instead. A timer that came late finds the loop with more to do
// than the timer leaves room for; now and then the next turn then waits for
// the loop to be idle and follows at once, so that the loop still gets
// moments with nothing to do (the toolkit's yields wait for one).
void TerminalPanel::OnRxFlush(wxTimerEvent &)
{
    const SteadyClock::time_point now = SteadyClock::now();
    const bool late = now - m_rxFlushStart > std::chrono::milliseconds(m_rxFlushDelay + kShowLateMs);
    TakeInbox();
    if (m_rxStaged.empty()) {
        if (!m_link.AwaitReceived())
            StartRxFlushTimer(kShowDelayMs);
        return;
    }
    const uint64_t shownBefore = m_rxBytesShown;
    const size_t held = ShowStagedChunks();
    if (!late || now - m_rxLastIdle < std::chrono::milliseconds(kShowIdleEveryMs)) {
        // Chunks held back wait for the next frame, as new ones do.
        if (m_rxStaged.size() > held || m_rxBytesShown - shownBefore >= kFloodTurnBytes) {
            StartRxFlushTimer(kShowDelayMs);
            return;
        }
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - now);
        StartRxFlushTimer(std::max(1, kFrameMs - static_cast<int>(spent.count())));
        return;
    }
    m_rxFlushAfterIdle = true;
    wxCommandEvent event(EVT_UART_DATA, EVT_UART_DATA);
    GetEventHandler()->AddPendingEvent(event);
}

void TerminalPanel::StartRxFlushTimer(int delayMs)
{
    m_rxFlushStart = SteadyClock::now();
    m_rxFlushDelay = delayMs;
    m_rxFlushTimer.StartOnce(delayMs);
}

// Each chunk gets exactly the text it would get alone, and the line-start
// flag walks chunk by chunk and view by view; only the appends are joined.
size_t TerminalPanel::ShowStagedChunks(bool holdBack)
{
    const size_t held = holdBack ? HeldChunks() : 0;
    const size_t shown = m_rxStaged.size() - held;
    if (shown == 0)
        return held;
    const RxLineOptions options{m_timestampCheck->GetValue(), m_wrapCheck->GetValue()};
    const std::string stamp = options.timestamp ? LineStamp().utf8_string() : std::string();
    const bool splitLines = m_lineSplitCheck->GetValue();
    std::string dump;
    std::vector<RxColourSpan> dumpColours;
    RxViewTexts texts;
    RxLineBound lines{RxLineBoundFor(m_rxLineChars, options.wrap)};
    for (int n = 0; n < kNotationCount; ++n) {
        lines.column[n] = m_rxBack[n].OpenLineChars();
        lines.afterByte[n] = m_rxBack[n].OpenLineEndsInText();
    }
    size_t chunks = 0;
    size_t bytes = 0;
    RxColourRuns runs;
    while (chunks < shown && bytes < kShowBudgetBytes) {
        const uint8_t *block = m_rxStaged.front().get();
        const size_t size = ReceiveInbox::ChunkSize(block);
        const bool newRun = m_rxLineStart;
        const auto appendChunk = [&](RxCuts *cuts) {
            AppendChunkToViews(block + 2, size, options, stamp, m_rxLineStart, texts, lines, cuts);
        };
        if (splitLines)
            AppendLinesToViews(block + 2, size, m_rxBytesShown + bytes, stamp, texts, lines, runs);
        else if (m_ruleHits.empty())
            appendChunk(nullptr);
        else
            AppendWithMatches(m_rxBytesShown + bytes, size, 0, texts, runs, appendChunk);
        AppendChunkToDump(block + 2, size, stamp, newRun, dump, dumpColours);
        m_rxStaged.pop_front();
        bytes += size;
        ++chunks;
    }
    for (int n = 0; n < kNotationCount; ++n)
        if (runs[n].empty())
            AppendUtf8ToRxView(n, std::move(texts[n]), *wxGREEN);
        else
            AppendRunsToRxView(n, texts[n], runs[n]);
    // The dump may take many lines for a chunk.
    const auto dumpLines = static_cast<int>(std::min<size_t>(dump.size() / kHexDumpBytesPerLine, kMostScrollLines));
    ShowDump(std::move(dump), std::move(dumpColours));
    m_rxLineCount = std::min(m_rxLineCount + static_cast<int>(chunks) * kNotationCount, kMostScrollLines);
    m_rxLineCount = std::min(m_rxLineCount + dumpLines, kMostScrollLines);
    ShowSelectedRxView();
    ScrollRxViewToNewest();
    m_rxBytesShown += bytes;
    m_link.ReleaseReceived(chunks);
    if (!m_ruleHits.empty())
        RunShownRuleMatches();
    return held;
}

void TerminalPanel::ShowAllStagedChunks()
{
    TakeInbox();
    while (!m_rxStaged.empty())
        ShowStagedChunks(false);
}

void TerminalPanel::DropStagedChunks()
{
    m_rxFlushTimer.Stop();
    do {
        TakeInbox();
        m_link.ReleaseReceived(m_rxStaged.size());
        m_rxStaged.clear();
    } while (!m_link.AwaitReceived());
}

void TerminalPanel::AppendPanelLine(int notation, const wxString &line, const wxColour &colour)
{
    std::string utf8 = line.utf8_string();
    // The dump's line shown so far stays as it is; the dump goes on under
    // the panel's line.
    if (notation == kRxViewHexDump)
        m_rxDump.EndLine();
    if (m_rxBack[notation].OpenLineChars() > 0)
        utf8.insert(0, 1, '\n');
    AppendUtf8ToRxView(notation, std::move(utf8), colour);
}

// A log starts only while connected; it ends with Stop, Disconnect, new
// parameters or a failed write, and goes on over a dropped link.
void TerminalPanel::OnLogButton(wxCommandEvent &event)
{
    std::string error;
    if (event.GetId() == ID_LOG_STOP)
        m_link.StopLog();
    else
        m_link.StartLog(m_logFolder, error);
    ShowLinkStatus();
    if (error.empty())
        return;
    // The current folder's name comes from the system, in its own encoding.
    const wxString message = wxString::FromUTF8(error);
    ShowErrorBox(message.empty() ? wxString(error.c_str(), wxConvLibc) : message);
}

// The folder counts from the next log on; a running log keeps its file.
void TerminalPanel::OnLogFolder(wxCommandEvent &)
{
    const wxString start = m_logFolder.empty() ? wxGetCwd() : wxString::FromUTF8(m_logFolder);
    wxDirDialog dialog(this, "Choose the log folder", start, wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK || dialog.GetPath().empty())
        return;
    m_logFolder = dialog.GetPath().utf8_string();
}

void TerminalPanel::OnLogLineBreaks(wxCommandEvent &)
{
    m_link.SetLogLineBreaks(m_logLineBreaksCheck->GetValue());
}
