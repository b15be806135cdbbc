// The UART panel's settings as kept between runs (uart/saved_settings.h):
// taken from the controls whenever they change, given back at start.
#include "uart/terminal_panel.h"

#include "uart/saved_settings.h"
#include "uart/tx_codec.h"

#include <algorithm>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>

UartSettings TerminalPanel::CurrentSettings() const
{
    UartSettings settings;
    settings.txNotation = m_txTypeRadio->GetSelection();
    settings.rxNotation = m_rxTypeRadio->GetSelection();
    settings.timestamp = m_timestampCheck->GetValue();
    settings.wrap = m_wrapCheck->GetValue();
    settings.milliseconds = m_millisecondsCheck->GetValue();
    settings.lineSplit = m_lineSplitCheck->GetValue();
    settings.periodic = PeriodicGroupEnabled();
    settings.period = m_periodText->GetValue().utf8_string();
    settings.periodUnit = std::max(0, m_periodUnitCombo->GetSelection());
    settings.counter = m_msgCounterCheck->GetValue();
    settings.totalSize = m_totalSizeText->GetValue().utf8_string();
    settings.lineEnding = std::max(0, m_lineEndingCombo->GetSelection());
    settings.reconnect = m_reconnectCheck->GetValue();
    settings.logFolder = m_logFolder;
    settings.logLineBreaks = m_logLineBreaksCheck->GetValue();
    for (int n = 0; n < m_historyCount; ++n)
        settings.messages.push_back({m_historyTexts[n].ToStdWstring(), m_historyTypes[n], m_historyEndings[n]});
    return settings;
}

void TerminalPanel::ApplySettings(const UartSettings &settings)
{
    // Nothing takes the focus: the start-up dialog has it.
    m_txTypeRadio->SetSelection(settings.txNotation);
    ShowSelectedTxEntry();
    m_rxTypeRadio->SetSelection(settings.rxNotation);
    ShowSelectedRxView();
    m_timestampCheck->SetValue(settings.timestamp);
    m_wrapCheck->SetValue(settings.wrap);
    m_millisecondsCheck->SetValue(settings.milliseconds);
    m_lineSplitCheck->SetValue(settings.lineSplit);
    m_periodText->ChangeValue(wxString::FromUTF8(settings.period));
    m_periodUnitCombo->SetSelection(settings.periodUnit);
    m_msgCounterCheck->SetValue(settings.counter);
    m_totalSizeText->ChangeValue(wxString::FromUTF8(settings.totalSize));
    if (settings.periodic != PeriodicGroupEnabled()) {
        if (auto *check = dynamic_cast<wxCheckBox *>(FindWindow(ID_PERIODIC_CHECK)))
            check->SetValue(settings.periodic);
        TogglePeriodicGroup();
    }
    m_lineEndingCombo->SetSelection(settings.lineEnding);
    m_reconnectCheck->SetValue(settings.reconnect);
    m_link.SetReconnect(settings.reconnect);
    m_logFolder = settings.logFolder;
    m_logLineBreaksCheck->SetValue(settings.logLineBreaks);
    m_link.SetLogLineBreaks(settings.logLineBreaks);

    m_messageList->Clear();
    OnMessagesCleared();
    m_historyCount = 0;
    for (const SavedMessage &message : settings.messages) {
        if (m_historyCount >= kHistorySize)
            break;
        m_messageList->Insert(MessageListLabel(message.text, message.notation, message.ending), 0);
        m_historyTexts[m_historyCount] = message.text;
        m_historyTypes[m_historyCount] = message.notation;
        m_historyEndings[m_historyCount] = message.ending;
        ++m_historyCount;
    }
    m_historyCursor = m_historyCount;
    if (m_historyCount > 0)
        m_messageList->SetSelection(0);
}
