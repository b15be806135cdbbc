// The reading options of the receive views: timestamps with milliseconds,
// a new line at each received line ending, and the dump of hex and
// printable characters in the fifth view.
#include "uart/terminal_panel.h"

#include "uart/millisecond_timestamp.h"
#include "uart/panel_timestamp.h"

#include <algorithm>
#include <chrono>
#include <wx/checkbox.h>
#include <wx/textctrl.h>

wxString TerminalPanel::LineStamp() const
{
    if (!m_millisecondsCheck->GetValue())
        return PanelTimestamp();
    return wxString::FromUTF8(MillisecondTimestamp(std::chrono::system_clock::now()));
}

void TerminalPanel::AppendLinesToViews(const uint8_t *data, size_t size, uint64_t offset, const std::string &stamp,
                                       RxViewTexts &texts, RxLineBound &lines, RxColourRuns &runs)
{
    // Switched on anew, the splitter starts on a line of its own.
    if (!m_rxSplitting)
        m_rxSplitter.Reset();
    m_rxSplitting = true;
    m_rxPieces.clear();
    m_rxSplitter.Split(data, size, m_rxPieces);
    for (const RxLinePiece &piece : m_rxPieces) {
        const size_t length = piece.end - piece.begin;
        const auto appendPiece = [&](RxCuts *cuts) {
            AppendLinePieceToViews(data + piece.begin, length, stamp, piece.startsLine, texts, lines, cuts);
        };
        if (m_ruleHits.empty())
            appendPiece(nullptr);
        else
            AppendWithMatches(offset + piece.begin, length, piece.begin, texts, runs, appendPiece);
    }
}

// The dump starts a line of its own where the other views do: at each line
// with the line option, at each chunk when wrapping, at a stamped run
// otherwise; a stamp goes on a line of its own above.
void TerminalPanel::AppendChunkToDump(const uint8_t *data, size_t size, const std::string &stamp, bool newRun,
                                      std::string &dump, std::vector<RxColourSpan> &colours)
{
    const auto startBlock = [this, &stamp, &dump, &colours] {
        if (m_rxDump.HasOpenLine()) {
            m_rxDump.AppendOpenLine(dump, colours);
            dump += '\n';
            m_rxDump.EndLine();
        }
        if (!stamp.empty())
            dump += stamp + " [RX]\n";
    };
    if (!m_lineSplitCheck->GetValue()) {
        m_rxSplitting = false;
        if (m_wrapCheck->GetValue() || (newRun && !stamp.empty()))
            startBlock();
        m_rxDump.Append(data, size, dump, &colours);
        return;
    }
    for (const RxLinePiece &piece : m_rxPieces) {
        if (piece.startsLine)
            startBlock();
        m_rxDump.Append(data + piece.begin, piece.end - piece.begin, dump, &colours);
    }
}

// The view's last line is the dump's open line as last shown: it goes, in
// the kept text and in the toolkit view, and comes back grown or completed.
void TerminalPanel::ShowDump(std::string &&completed, std::vector<RxColourSpan> &&colours)
{
    m_rxDump.AppendOpenLine(completed, colours);
    RxScrollback &back = m_rxBack[kRxViewHexDump];
    const size_t open = back.OpenLineChars();
    if (open > 0) {
        const uint64_t endBefore = back.Dropped() + back.Characters();
        back.DropOpenLine();
        wxTextCtrl *view = m_rxViews[kRxViewHexDump];
        if (view->IsShown() && m_rxWindowEnd == endBefore && m_rxWindowBegin + open <= endBefore) {
            const long last = view->GetLastPosition();
            view->Remove(std::max(0L, last - static_cast<long>(open)), last);
            m_rxWindowEnd = endBefore - open;
        }
    }
    if (colours.empty()) {
        AppendUtf8ToRxView(kRxViewHexDump, std::move(completed), *wxGREEN);
        return;
    }
    const uint32_t plain = wxGREEN->GetRGB();
    std::vector<std::pair<size_t, uint32_t>> runs;
    for (const RxColourSpan &span : colours) {
        if (!runs.empty() && runs.back().first == span.begin)
            runs.back().second = span.colour;
        else
            runs.emplace_back(span.begin, span.colour);
        runs.emplace_back(span.end, plain);
    }
    AppendRunsToRxView(kRxViewHexDump, completed, runs);
}
