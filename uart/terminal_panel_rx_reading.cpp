// Reading back in the shown receive view: scrolled up by the user it holds
// still while text comes, and follows the newest text again once scrolled
// back to the bottom; Ctrl+A selects the whole kept text, Ctrl+F finds text
// in it.
#include "uart/terminal_panel.h"

#include "app/text_view_scroll.h"
#include "uart/rx_find.h"

#include <wx/fdrepdlg.h>
#include <wx/msgdlg.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>

namespace {

constexpr int kPagesToTheEnd = 1 << 20;
// Text around a match that goes into the view with it.
constexpr size_t kFindContextChars = 32 * 1024;

} // namespace

void TerminalPanel::BindRxReading()
{
    for (wxTextCtrl *view : m_rxViews) {
        view->Connect(wxID_ANY, wxEVT_KEY_DOWN, wxKeyEventHandler(TerminalPanel::OnRxViewKey), nullptr, this);
        view->Connect(wxID_ANY, wxEVT_MOUSEWHEEL, wxMouseEventHandler(TerminalPanel::OnRxViewWheel), nullptr, this);
        WatchScrollBarGrab(view, [this](bool held) {
            m_rxScrollBarHeld = held;
            if (held)
                HoldRxView();
            else
                CallAfter(&TerminalPanel::FollowRxViewIfAtBottom);
        });
    }
    // Ctrl+F wherever the focus is in the panel.
    Connect(wxID_ANY, wxEVT_CHAR_HOOK, wxKeyEventHandler(TerminalPanel::OnPanelCharHook));
}

void TerminalPanel::OnPanelCharHook(wxKeyEvent &event)
{
    if (event.GetKeyCode() == 'F' && event.GetModifiers() == wxMOD_CONTROL && IsShown()) {
        OpenRxFind();
        return;
    }
    event.Skip();
}

void TerminalPanel::OnRxViewKey(wxKeyEvent &event)
{
    const int key = event.GetKeyCode();
    if (key == 'A' && event.GetModifiers() == wxMOD_CONTROL) {
        SelectAllRxText();
        return;
    }
    if (key == WXK_F3) {
        FindRxText(!event.ShiftDown());
        return;
    }
    event.Skip();
    if (key == WXK_UP || key == WXK_PAGEUP || key == WXK_HOME)
        HoldRxView();
    else if (key == WXK_DOWN || key == WXK_PAGEDOWN || key == WXK_END)
        CallAfter(&TerminalPanel::FollowRxViewIfAtBottom);
}

void TerminalPanel::OnRxViewWheel(wxMouseEvent &event)
{
    event.Skip();
    if (event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL)
        return;
    if (event.GetWheelRotation() > 0)
        HoldRxView();
    else
        CallAfter(&TerminalPanel::FollowRxViewIfAtBottom);
}

void TerminalPanel::HoldRxView()
{
    m_rxFollowing = false;
}

bool TerminalPanel::RxViewAtBottom() const
{
    const wxTextCtrl *view = m_rxViews[m_rxTypeRadio->GetSelection()];
    const int range = view->GetScrollRange(wxVERTICAL);
    return range <= view->GetScrollPos(wxVERTICAL) + view->GetScrollThumb(wxVERTICAL) + 2;
}

// Back at the bottom of what it holds, the view shows the newest text again
// and follows it.
void TerminalPanel::FollowRxViewIfAtBottom()
{
    if (m_rxFollowing || m_rxScrollBarHeld || !RxViewAtBottom())
        return;
    m_rxFollowing = true;
    const int selected = m_rxTypeRadio->GetSelection();
    const RxScrollback &back = m_rxBack[selected];
    if (m_rxWindowEnd == back.Dropped() + back.Characters() && m_rxWindowBegin >= back.Dropped())
        return;
    LoadRxWindow(selected, NewestRxWindowStart(back));
    m_rxViews[selected]->ScrollPages(kPagesToTheEnd);
    m_rxViewChanged = SteadyClock::now();
}

// Everything kept goes into the view, which then holds still with it selected.
void TerminalPanel::SelectAllRxText()
{
    const int selected = m_rxTypeRadio->GetSelection();
    HoldRxView();
    LoadRxWindow(selected, m_rxBack[selected].Dropped());
    m_rxViews[selected]->SelectAll();
    m_rxViewChanged = SteadyClock::now();
}

void TerminalPanel::OpenRxFind()
{
    if (m_rxFindDialog == nullptr) {
        m_rxFindDialog = new wxFindReplaceDialog(this, m_rxFindData.get(), "Find");
        // Bound on the box: the toolkit gives a box the frame as its parent,
        // and the box's events go there.
        for (const wxEventType type : {wxEVT_FIND, wxEVT_FIND_NEXT, wxEVT_FIND_CLOSE})
            m_rxFindDialog->Connect(wxID_ANY, type, wxFindDialogEventHandler(TerminalPanel::OnRxFind), nullptr, this);
    }
    m_rxFindDialog->Show();
    m_rxFindDialog->Raise();
}

void TerminalPanel::OnRxFind(wxFindDialogEvent &event)
{
    if (event.GetEventType() == wxEVT_FIND_CLOSE) {
        m_rxFindDialog->Destroy();
        m_rxFindDialog = nullptr;
        return;
    }
    if (event.GetEventType() == wxEVT_FIND)
        m_rxFindFrom.reset();
    FindRxText((m_rxFindData->GetFlags() & wxFR_DOWN) != 0);
}

// From the match in hand, or else from the top of what the view shows.
void TerminalPanel::FindRxText(bool forward)
{
    const wxString what = m_rxFindData->GetFindString();
    if (what.empty()) {
        OpenRxFind();
        return;
    }
    const int selected = m_rxTypeRadio->GetSelection();
    const RxScrollback &back = m_rxBack[selected];
    wxTextCtrl *view = m_rxViews[selected];
    bool inclusive = false;
    uint64_t from = 0;
    if (m_rxFindFrom && *m_rxFindFrom >= back.Dropped()) {
        from = *m_rxFindFrom;
    } else {
        long top = 0;
        view->HitTest(wxPoint(1, 1), &top);
        from = m_rxWindowBegin + static_cast<uint64_t>(top);
        inclusive = true;
    }
    const std::optional<RxFound> found =
        FindInRxText(RxViewText(selected).ToStdWstring(), what.ToStdWstring(), static_cast<size_t>(from - back.Dropped()),
                     forward, (m_rxFindData->GetFlags() & wxFR_MATCHCASE) != 0, inclusive);
    if (!found) {
        wxMessageBox("Cannot find \"" + what + "\"", "Find", wxOK | wxICON_INFORMATION);
        return;
    }
    const uint64_t at = back.Dropped() + found->at;
    m_rxFindFrom = at;
    HoldRxView();
    if (at < m_rxWindowBegin || at + what.length() > m_rxWindowEnd)
        LoadRxWindow(selected, back.Dropped() + back.BlockStart(found->at, kFindContextChars));
    const long inView = static_cast<long>(at - m_rxWindowBegin);
    view->SetSelection(inView, inView + static_cast<long>(what.length()));
    ScrollLineToTop(view, inView);
    m_rxViewChanged = SteadyClock::now();
}
