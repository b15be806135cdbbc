// Commands of the UART panel that need no connection: exporting the shown
// receive view to a text file, and clearing the views or the message list.
#include "uart/terminal_panel.h"

#include "app/chosen_path.h"

#include <wx/ffile.h>
#include <wx/filedlg.h>
#include <wx/intl.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>

void TerminalPanel::OnExport(wxCommandEvent &)
{
    wxFileDialog dialog(this, wxGetTranslation("Save File As?"), "", "", wxGetTranslation("Text files (*.txt)|*.txt"),
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    const wxString path = ChosenPath(dialog);
    // What the view holds, data received before the click included, written
    // the way the toolkit's SaveFile writes a view: UTF-8. Failures are
    // reported by the toolkit's error log.
    ShowAllStagedChunks();
    wxFFile file(path, "w");
    if (file.IsOpened()) {
        const std::string text = RxViewUtf8(m_rxTypeRadio->GetSelection());
        file.Write(text.data(), text.size());
    }
}

void TerminalPanel::OnClear(wxCommandEvent &event)
{
    if (event.GetId() == ID_CLEAR_RX) {
        // Chunks received before the click and still waiting to be shown
        // belong to what is cleared.
        ShowAllStagedChunks();
        ClearRxViews();
        m_rxLineCount = 0;
        m_rxLineStart = true;
        return;
    }
    m_messageList->Clear();
    // Rules that sent an entry keep sending it, as a copy of their own.
    while (m_historyCount > 0) {
        --m_historyCount;
        RulesAfterMessageGone(static_cast<size_t>(m_historyCount),
                              {m_historyTexts[m_historyCount].ToStdWstring(), m_historyTypes[m_historyCount],
                               m_historyEndings[m_historyCount]});
    }
    m_historyCursor = 0;
    m_historyTexts[0].clear();
    OnMessagesCleared();
}
