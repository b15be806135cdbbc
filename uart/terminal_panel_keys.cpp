// Function keys of the message list: F1 to F12 each may send one message,
// pressed anywhere in the frame while the panel is shown. The list shows a
// message's key before it; the key follows its message as the list changes.
#include "uart/terminal_panel.h"

#include "uart/sequence_dialog.h"
#include "uart/tx_codec.h"

#include <cstdio>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/textctrl.h>

void TerminalPanel::BindMessageKeys()
{
    // On the frame, so that a key reaches it whatever has the focus there.
    GetParent()->Connect(wxEVT_CHAR_HOOK, wxKeyEventHandler(TerminalPanel::OnFrameKey), nullptr, this);
    m_messageList->Connect(wxEVT_CONTEXT_MENU, wxContextMenuEventHandler(TerminalPanel::OnListContextMenu), nullptr,
                           this);
    Connect(m_sequenceTimer.GetId(), wxEVT_TIMER, wxTimerEventHandler(TerminalPanel::OnSequenceTimer));
}

void TerminalPanel::OnFrameKey(wxKeyEvent &event)
{
    event.Skip();
    const int code = event.GetKeyCode();
    if (m_shutDown || !IsShown() || event.GetModifiers() != wxMOD_NONE || code < WXK_F1 || code > WXK_F12)
        return;
    // F3 in a receive view finds the next match.
    const wxWindow *focus = FindFocus();
    if (code == WXK_F3)
        for (const wxTextCtrl *view : m_rxViews)
            if (focus == view)
                return;
    const std::optional<size_t> message = m_keys.MessageFor(code - WXK_F1 + 1);
    if (!message)
        return;
    event.Skip(false);
    SendListEntry(static_cast<int>(*message));
}

bool TerminalPanel::SetKeyOfSelectedMessage(int key)
{
    int index = 0;
    if (!SelectedMessage(index) || key < 0 || key > kFunctionKeyCount)
        return false;
    const std::optional<size_t> former = key == 0 ? std::nullopt : m_keys.MessageFor(key);
    if (key == 0) {
        if (const std::optional<int> bound = m_keys.KeyFor(static_cast<size_t>(index)))
            m_keys.Unbind(*bound);
    } else {
        m_keys.Bind(key, static_cast<size_t>(index));
    }
    ShowMessageLabel(index);
    if (former)
        ShowMessageLabel(static_cast<int>(*former));
    return true;
}

void TerminalPanel::ShowMessageLabel(int index)
{
    if (index < 0 || index >= m_historyCount)
        return;
    wxString label = MessageListLabel(m_historyTexts[index].ToStdWstring(), m_historyTypes[index],
                                      m_historyEndings[index]);
    if (const std::optional<int> key = m_keys.KeyFor(static_cast<size_t>(index)))
        label = "[" + FunctionKeyName(*key) + "] " + label;
    m_messageList->SetString(static_cast<unsigned>(m_historyCount - 1 - index), label);
}

void TerminalPanel::OnListContextMenu(wxContextMenuEvent &event)
{
    // A right click acts on the row under it; the keyboard's menu key on the
    // selected row.
    if (event.GetPosition() != wxDefaultPosition) {
        const int row = m_messageList->HitTest(m_messageList->ScreenToClient(event.GetPosition()));
        if (row != wxNOT_FOUND)
            m_messageList->SetSelection(row);
    }
    int index = 0;
    if (!SelectedMessage(index))
        return;
    const std::optional<int> current = m_keys.KeyFor(static_cast<size_t>(index));
    auto *keys = new wxMenu;
    keys->AppendRadioItem(ID_KEY_NONE, "None");
    for (int key = 1; key <= kFunctionKeyCount; ++key)
        keys->AppendRadioItem(ID_KEY_FIRST + key - 1, FunctionKeyName(key));
    keys->Check(current ? ID_KEY_FIRST + *current - 1 : ID_KEY_NONE, true);
    wxMenu menu;
    menu.AppendSubMenu(keys, "Key");
    menu.Connect(ID_KEY_NONE, ID_KEY_FIRST + kFunctionKeyCount - 1, wxEVT_MENU,
                 wxCommandEventHandler(TerminalPanel::OnKeyMenu), nullptr, this);
    m_messageList->PopupMenu(&menu);
}

void TerminalPanel::OnKeyMenu(wxCommandEvent &event)
{
    SetKeyOfSelectedMessage(event.GetId() == ID_KEY_NONE ? 0 : event.GetId() - ID_KEY_FIRST + 1);
}

void TerminalPanel::OnMessageRemoved(int index)
{
    m_keys.MessageRemoved(static_cast<size_t>(index));
    for (int n = index; n < m_historyCount; ++n)
        ShowMessageLabel(n);
    if (SequenceRunning())
        EndSequence("the message list changed");
    if (m_sequenceDialog != nullptr)
        m_sequenceDialog->MessageRemoved(static_cast<size_t>(index));
}

void TerminalPanel::OnMessagesCleared()
{
    m_keys = KeyBindings();
    if (SequenceRunning())
        EndSequence("the message list changed");
    if (m_sequenceDialog != nullptr)
        m_sequenceDialog->MessagesCleared();
}

SettingEntries TerminalPanel::KeySettingEntries() const
{
    // Every key is written, so that one unbound since the file was written
    // is unbound there too.
    SettingEntries entries = KeyBindingEntries(m_keys);
    for (int key = 1; key <= kFunctionKeyCount; ++key)
        entries.insert({"UART/Keys/" + FunctionKeyName(key), std::string()});
    return entries;
}

void TerminalPanel::ApplyKeySettings(const std::function<std::optional<std::string>(const std::string &)> &lookup)
{
    const auto bound = [&lookup](const std::string &key) -> std::optional<std::string> {
        std::optional<std::string> value = lookup(key);
        if (value && value->empty())
            return std::nullopt;
        return value;
    };
    const KeyBindingsRead read = KeyBindingsFromEntries(bound, static_cast<size_t>(m_historyCount));
    if (!read.error.empty())
        std::fprintf(stderr, "orv-terminal: no function key was restored: %s\n", read.error.c_str());
    m_keys = read.bindings;
    for (int n = 0; n < m_historyCount; ++n)
        ShowMessageLabel(n);
}

std::vector<wxString> TerminalPanel::MessageLabels() const
{
    std::vector<wxString> labels;
    for (int n = 0; n < m_historyCount; ++n)
        labels.push_back(m_messageList->GetString(static_cast<unsigned>(m_historyCount - 1 - n)));
    return labels;
}
