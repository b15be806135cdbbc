// The message sequence: chosen messages of the list sent in turn, each
// followed by its delay, once or looped. A timer on the GUI thread drives
// the run (uart/message_sequence.h), so stopping it takes effect at once
// and nothing waits.
#include "uart/terminal_panel.h"

#include "uart/sequence_dialog.h"

#include <algorithm>
#include <chrono>

std::string TerminalPanel::StartSequence(const std::vector<SequenceStep> &steps, bool loop)
{
    if (SequenceRunning())
        return "A sequence runs already";
    if (!m_link.Connected())
        return "You have to connect first.";
    const std::string refusal = CheckSequence(steps, loop, static_cast<size_t>(m_historyCount));
    if (!refusal.empty())
        return refusal;
    m_sequence.emplace(steps, loop, SequenceRun::Clock::now());
    m_sequenceEnd.clear();
    // The first step goes out from the event loop, as every later one does.
    m_sequenceTimer.StartOnce(1);
    return std::string();
}

void TerminalPanel::StopSequence()
{
    if (SequenceRunning())
        EndSequence("stopped");
}

void TerminalPanel::OnSequenceTimer(wxTimerEvent &)
{
    if (!m_sequence)
        return;
    if (!m_link.Connected()) {
        EndSequence("not connected");
        return;
    }
    if (const std::optional<size_t> due = m_sequence->Due(SequenceRun::Clock::now())) {
        // A failed send has been shown to the user; a stop meanwhile (from
        // the box's own event loop) has ended the run.
        if (!SendListEntry(static_cast<int>(*due))) {
            if (SequenceRunning())
                EndSequence("message " + std::to_string(*due + 1) + " did not go out");
            return;
        }
        if (!m_sequence)
            return;
    }
    if (m_sequence->Finished()) {
        EndSequence("all steps sent");
        return;
    }
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(m_sequence->NextDue() - SequenceRun::Clock::now());
    m_sequenceTimer.StartOnce(static_cast<int>(std::max<int64_t>(1, wait.count())));
}

void TerminalPanel::EndSequence(const std::string &reason)
{
    m_sequenceTimer.Stop();
    m_sequence.reset();
    m_sequenceEnd = reason;
    ShowAllStagedChunks();
    const wxString line = LineStamp() + " [END Sequence] - " + wxString::FromUTF8(reason) + "\n";
    for (int n = 0; n < kRxViewCount; ++n)
        AppendPanelLine(n, line, *wxRED);
    ++m_rxLineCount;
    ShowSelectedRxView();
    ScrollRxViewToNewest();
    if (m_sequenceDialog != nullptr)
        m_sequenceDialog->ShowEnded(reason);
}

void TerminalPanel::OpenSequenceDialog()
{
    if (m_sequenceDialog == nullptr) {
        SequenceDialog::Actions actions;
        actions.start = [this](const std::vector<SequenceStep> &steps, bool loop) {
            return StartSequence(steps, loop);
        };
        actions.stop = [this] { StopSequence(); };
        actions.messages = [this] { return MessageLabels(); };
        m_sequenceDialog = new SequenceDialog(GetParent(), std::move(actions));
    }
    m_sequenceDialog->ShowMessages();
    m_sequenceDialog->Show();
    m_sequenceDialog->Raise();
}
