// Transmit side of the UART panel: adding typed messages to the list and
// the history, recalling them, sending the selected one once or
// periodically, and the lines that report it in the receive views.
#include "uart/terminal_panel.h"

#include "app/control_names.h"
#include "app/error_box.h"
#include "uart/periodic_message.h"
#include "uart/periodic_settings.h"
#include "uart/error_text.h"
#include "uart/tx_codec.h"
#include "uart/worker_events.h"

#include <algorithm>
#include <cerrno>
#include <wx/bitmap.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

void TerminalPanel::OnTxKey(wxKeyEvent &event)
{
    switch (event.GetKeyCode()) {
    case WXK_RETURN:
        // Ctrl+Enter sends at once what Enter only adds.
        if (AddTypedMessage() && event.ControlDown())
            SendSelected();
        break;
    case WXK_UP:
        RecallHistory(true);
        break;
    case WXK_DOWN:
        RecallHistory(false);
        break;
    default:
        break;
    }
}

void TerminalPanel::OnAddMessage(wxCommandEvent &)
{
    AddTypedMessage();
}

bool TerminalPanel::AddTypedMessage()
{
    const int notation = m_txTypeRadio->GetSelection();
    wxTextCtrl *entry = m_txEntries[notation];
    const wxString text = entry->GetValue();
    std::string refusal = CheckTypedMessage(text.ToStdWstring(), static_cast<Notation>(notation));
    if (refusal.empty() && m_historyCount >= kHistorySize)
        refusal = "The message list is full (1000 messages): clear it before adding more.";
    if (!refusal.empty()) {
        ShowErrorBox(wxString::FromUTF8(refusal));
        return false;
    }
    const int ending = notation == NotationAscii ? std::max(0, m_lineEndingCombo->GetSelection()) : LineEndingNone;
    m_messageList->Insert(MessageListLabel(text.ToStdWstring(), notation, ending), 0);
    m_historyTexts[m_historyCount] = text;
    m_historyTypes[m_historyCount] = notation;
    m_historyEndings[m_historyCount] = ending;
    entry->Clear();
    m_messageList->SetSelection(0);
    ++m_historyCount;
    m_historyCursor = m_historyCount;
    return true;
}

// The recalled text goes into the entry of the current notation, whatever
// notation it was stored with.
void TerminalPanel::RecallHistory(bool older)
{
    if (older) {
        if (m_historyCount == 0)
            return;
        if (m_historyCursor > 0)
            --m_historyCursor;
    } else {
        if (m_historyCursor >= m_historyCount)
            return;
        ++m_historyCursor;
    }
    // Past the newest entry the entry is emptied; the slot there may still
    // hold a text from before the list was cleared.
    const wxString text = m_historyCursor < m_historyCount ? m_historyTexts[m_historyCursor] : wxString();
    m_txEntries[m_txTypeRadio->GetSelection()]->ChangeValue(text);
}

bool TerminalPanel::SelectedMessage(int &index) const
{
    const int selection = m_messageList->GetSelection();
    if (selection == wxNOT_FOUND || selection >= m_historyCount)
        return false;
    index = m_historyCount - 1 - selection;
    return true;
}

void TerminalPanel::OnSend(wxCommandEvent &)
{
    SendSelected();
}

void TerminalPanel::OnListDoubleClick(wxCommandEvent &)
{
    SendSelected();
}

void TerminalPanel::OnListKey(wxKeyEvent &event)
{
    if (event.GetKeyCode() == WXK_DELETE || event.GetKeyCode() == WXK_NUMPAD_DELETE)
        DeleteSelectedMessage();
    else
        event.Skip();
}

void TerminalPanel::DeleteSelectedMessage()
{
    int index = 0;
    if (!SelectedMessage(index))
        return;
    const int row = m_messageList->GetSelection();
    const SavedMessage removed{m_historyTexts[index].ToStdWstring(), m_historyTypes[index], m_historyEndings[index]};
    for (int n = index; n + 1 < m_historyCount; ++n) {
        m_historyTexts[n] = m_historyTexts[n + 1];
        m_historyTypes[n] = m_historyTypes[n + 1];
        m_historyEndings[n] = m_historyEndings[n + 1];
    }
    --m_historyCount;
    m_historyTexts[m_historyCount].clear();
    m_historyCursor = m_historyCount;
    m_messageList->Delete(static_cast<unsigned>(row));
    RulesAfterMessageGone(static_cast<size_t>(index), removed);
    OnMessageRemoved(index);
    // The next entry takes the selection, so that Delete can go on.
    if (m_messageList->GetCount() > 0)
        m_messageList->SetSelection(std::min(row, static_cast<int>(m_messageList->GetCount()) - 1));
}

void TerminalPanel::SendSelected()
{
    if (!m_link.Connected()) {
        ShowErrorBox("You have to connect first.");
        return;
    }
    int index = 0;
    if (SelectedMessage(index))
        SendListEntry(index);
}

bool TerminalPanel::SendListEntry(int index)
{
    if (!m_link.Connected()) {
        ShowErrorBox("You have to connect first.");
        return false;
    }
    const wxString text = m_historyTexts[index];
    const int notation = m_historyTypes[index];
    const int ending = m_historyEndings[index];
    // The echo says that the message went out, so it follows the send; data
    // received before the click comes before it, a reply to it after it.
    ShowAllStagedChunks();
    if (!SendMessage(text, notation, true, ending))
        return false;
    const wxString stamp = m_timestampCheck->GetValue() ? LineStamp() + " [TX] - " : wxString();
    AppendTxLineNow(notation, stamp + text + "\n", *wxWHITE);
    return true;
}

bool TerminalPanel::SendMessage(const wxString &text, int notation, bool once, int ending)
{
    std::vector<uint8_t> bytes = EncodeMessage(text.ToStdWstring(), notation, ending);
    if (once) {
        const auto total = static_cast<uint16_t>(bytes.size());
        uint16_t length = total;
        // Waits at most a while for room on a connection whose module does not
        // read (the stream or the periodic sender may have filled it), so that
        // the window never freezes; the user is told that it did not go out.
        const int result = m_link.SendWhole(reinterpret_cast<const char *>(bytes.data()), &length);
        // This send's own reason: the socket layer's last error is shared
        // with the stream and the periodic sender.
        const int failure = errno;
        if (result == 0)
            return true;
        ShowErrorBox(wxString::FromUTF8(SendFailureText(failure, length, total)));
        return false;
    }

    const int interval = PeriodMilliseconds(m_periodText->GetValue().ToStdString(wxConvUTF8),
                                            m_periodUnitCombo->GetSelection());
    if (interval == kPeriodTooLong) {
        ShowErrorBox(wxString::Format("The period can be at most %d ms (%d s)", kMaxPeriodMs, kMaxPeriodMs / 1000));
        return false;
    }
    // Without a pause the sender would flood the module as fast as the
    // connection takes the message.
    if (interval < 1) {
        ShowErrorBox("Enter a period of 1 or more (ms or s) to send periodically");
        return false;
    }
    const int totalSize = TotalSizeFromText(m_totalSizeText->GetValue().ToStdString(wxConvUTF8));
    if (totalSize == kTotalSizeTooLarge) {
        ShowErrorBox(wxString::Format("The total size can be at most %d bytes", kMaxTotalSize));
        return false;
    }
    const size_t endingSize = bytes.size() - EncodeMessage(text.ToStdWstring(), notation).size();
    std::string error;
    if (m_link.StartPeriodic(MakePeriodicMessage(bytes, endingSize, totalSize), interval,
                             m_msgCounterCheck->GetValue(), error))
        return true;
    ShowErrorBox(wxString::FromUTF8(error));
    return false;
}

void TerminalPanel::OnPeriodic(wxCommandEvent &event)
{
    switch (event.GetId()) {
    case ID_SEND_PERIODICALLY:
        StartPeriodic();
        break;
    case ID_STOP_PERIODICALLY:
        StopPeriodic();
        break;
    case ID_PERIODIC_CHECK:
        TogglePeriodicGroup();
        break;
    default:
        break;
    }
}

void TerminalPanel::StartPeriodic()
{
    if (!m_link.Connected()) {
        ShowErrorBox("You have to connect first.");
        return;
    }
    int index = 0;
    // One sender at a time: the start button is replaced while one runs.
    if (!SelectedMessage(index) || m_link.SendingPeriodically())
        return;
    const wxString text = m_historyTexts[index];
    const int notation = m_historyTypes[index];
    if (!SendMessage(text, notation, false, m_historyEndings[index]))
        return;
    m_periodicMessage = text;
    m_periodicNotation = notation;
    ReplacePeriodicButton(ID_STOP_PERIODICALLY, *m_stopPeriodicBitmap);
    AppendTxLine(notation, LineStamp() + " [START Periodical TX] - " + text + "\n", *wxRED);
}

void TerminalPanel::StopPeriodic()
{
    m_link.StopPeriodic();
    ShowPeriodicEnded();
}

void TerminalPanel::ShowPeriodicEnded()
{
    ReplacePeriodicButton(ID_SEND_PERIODICALLY, *m_periodicBitmap);
    AppendTxLine(m_periodicNotation, LineStamp() + " [END Periodical TX] - " + m_periodicMessage + "\n", *wxRED);
    // In counter mode the sender's count is queued by now and is shown after
    // this line.
}

// The sender has ended on a failed send (the link has stopped it): sending
// stops as if the user had stopped it, and the user learns why.
void TerminalPanel::OnPeriodicSendFailed(wxCommandEvent &event)
{
    if (m_shutDown)
        return;
    ShowPeriodicEnded();
    ShowErrorBox(event.GetString());
}

void TerminalPanel::TogglePeriodicGroup()
{
    const bool enable = !PeriodicGroupEnabled();
    for (wxWindow *control : std::initializer_list<wxWindow *>{m_periodText, m_periodUnitCombo, m_msgCounterCheck,
                                                               m_totalSizeLabel, m_totalSizeText, m_paddingLabel})
        control->Enable(enable);
    EnablePeriodicButton();
}

bool TerminalPanel::PeriodicGroupEnabled() const
{
    return m_periodText->IsEnabled() && m_periodUnitCombo->IsEnabled();
}

// The stop button of a running sender stays usable whatever the check box
// says: otherwise only a disconnect would end the run.
void TerminalPanel::EnablePeriodicButton()
{
    m_periodicButton->Enable(PeriodicGroupEnabled() || m_periodicButton->GetId() == ID_STOP_PERIODICALLY);
}

// The clicked button may be the one replaced: it is hidden now and deleted
// once its click has been handled.
void TerminalPanel::ReplacePeriodicButton(int id, const wxBitmap &face)
{
    wxBitmapButton *old = m_periodicButton;
    old->Hide();
    CallAfter([old] { old->Destroy(); });
    m_periodicButton = new wxBitmapButton(this, id, face, wxPoint(m_layoutX + 275, m_periodicButtonY),
                                          wxSize(88, 25), wxBU_AUTODRAW);
    NameControl(m_periodicButton, ButtonName(id));
    // The new button takes the old one's place in the Tab order too.
    m_periodicButton->MoveAfterInTabOrder(old);
    EnablePeriodicButton();
    // Bound on the button itself, so that the binding goes with it.
    m_periodicButton->Connect(id, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TerminalPanel::OnPeriodic),
                              nullptr, this);
}

void TerminalPanel::AppendTxLine(int notation, const wxString &line, const wxColour &colour)
{
    // What was received before the panel writes a line of its own comes
    // before that line, also while it waits for the display timer.
    ShowAllStagedChunks();
    AppendTxLineNow(notation, line, colour);
}

void TerminalPanel::AppendTxLineNow(int notation, const wxString &line, const wxColour &colour)
{
    AppendPanelLine(notation, line, colour);
    ++m_rxLineCount;
    ShowSelectedRxView();
    ScrollRxViewToNewest();
}

void TerminalPanel::AppendLinkLine(bool up, const wxString &what)
{
    // What arrived before the drop comes before its line.
    ShowAllStagedChunks();
    const wxString line = LineStamp() + (up ? " [LINK UP] - " : " [LINK DOWN] - ") + what + "\n";
    for (int n = 0; n < kRxViewCount; ++n)
        AppendPanelLine(n, line, *wxRED);
    ++m_rxLineCount;
    ShowSelectedRxView();
    ScrollRxViewToNewest();
}

void TerminalPanel::WriteSentCount(wxCommandEvent &event)
{
    if (m_shutDown)
        return;
    const auto sent = reinterpret_cast<uintptr_t>(event.GetClientData());
    const wxString stamp = m_timestampCheck->GetValue() ? LineStamp() : wxString();
    AppendTxLine(m_periodicNotation, stamp + wxString::Format(" Sent %lu messages\n", static_cast<unsigned long>(sent)),
                 *wxRED);
}
