// The receive views: each view's text is kept by the panel (RxScrollback);
// the toolkit view shown holds only a window of it, its newest part while
// new text comes, and more of the older text, a page at a time, as the user
// scrolls up to it. The toolkit lays out every line it holds (shaping text
// is most of what a flood costs), so a stream is laid out only as far as
// the user can see it, whatever its speed and however much is kept.
#include "uart/terminal_panel.h"

#include "app/text_view_scroll.h"

#include <chrono>
#include <wx/radiobox.h>
#include <wx/textctrl.h>

namespace {

// A view shown again scrolls to its newest text after this delay, by more
// pages than any view holds.
constexpr int kRevealDelayMs = 100;
constexpr int kPagesToTheEnd = 1 << 20;
// How often the shown view is looked at for a user near the top of the text
// it holds, and how long after the panel last changed or scrolled it (the
// toolkit scrolls asynchronously, so the view is only where it seems once
// it has settled).
constexpr int kSettledMs = 300;
// Older text goes in front of the window this much at a time, once the top
// of the view is this close to the window's start.
constexpr size_t kRxPageChars = 64 * 1024;
constexpr size_t kPagingMarginChars = 16 * 1024;

void AppendPieces(wxTextCtrl *view, const std::vector<RxScrollback::Piece> &pieces)
{
    for (const RxScrollback::Piece &piece : pieces) {
        wxColour colour;
        colour.SetRGB(piece.colour);
        view->SetDefaultStyle(wxTextAttr(colour));
        view->AppendText(wxString::FromUTF8(piece.data, piece.size));
    }
}

} // namespace

void TerminalPanel::AppendUtf8ToRxView(int notation, std::string &&text, const wxColour &colour)
{
    if (text.empty())
        return;
    RxScrollback &back = m_rxBack[notation];
    const uint64_t endBefore = back.Dropped() + back.Characters();
    back.Append(text, colour.GetRGB());
    wxTextCtrl *view = m_rxViews[notation];
    // A view the user has scrolled up holds still: new text is only kept.
    if (!view->IsShown() || !m_rxFollowing)
        return;
    m_rxViewChanged = SteadyClock::now();
    const uint64_t front = back.Dropped();
    const uint64_t end = front + back.Characters();
    // New text follows the window when the window still ends where the text
    // did, starts within what is kept, and the new text is no more than a
    // window: then only its own characters are laid out.
    if (m_rxWindowEnd != endBefore || m_rxWindowBegin < front || end - endBefore >= m_rxWindowChars) {
        LoadRxWindow(notation, NewestRxWindowStart(back));
        return;
    }
    view->SetDefaultStyle(wxTextAttr(colour));
    view->AppendText(wxString::FromUTF8(text.data(), text.size()));
    m_rxWindowEnd = end;
    // Past twice a window's worth, the oldest part of the window goes.
    if (end - m_rxWindowBegin > 2 * m_rxWindowChars) {
        const uint64_t begin = NewestRxWindowStart(back);
        view->Remove(0, static_cast<long>(begin - m_rxWindowBegin));
        m_rxWindowBegin = begin;
    }
}

// The window of the newest text starts at a line's start unless that would
// leave less than the view shows, as after a line longer than a third of it.
uint64_t TerminalPanel::NewestRxWindowStart(const RxScrollback &back) const
{
    return back.Dropped() + back.BlockStart(back.Characters(), m_rxWindowChars, m_rxWindowChars / 3);
}

void TerminalPanel::LoadRxWindow(int notation, uint64_t begin)
{
    const RxScrollback &back = m_rxBack[notation];
    wxTextCtrl *view = m_rxViews[notation];
    view->ChangeValue(wxString());
    AppendPieces(view, back.PiecesBetween(static_cast<size_t>(begin - back.Dropped()), back.Characters()));
    m_rxWindowBegin = begin;
    m_rxWindowEnd = back.Dropped() + back.Characters();
}

void TerminalPanel::ScrollRxViewToNewest()
{
    if (!m_rxFollowing)
        return;
    m_rxViews[m_rxTypeRadio->GetSelection()]->ScrollLines(m_rxLineCount);
    m_rxViewChanged = SteadyClock::now();
}

void TerminalPanel::ClearRxViews()
{
    for (int n = 0; n < kRxViewCount; ++n) {
        m_rxViews[n]->Clear();
        m_rxBack[n].Clear();
    }
    m_rxDump.Reset();
    m_rxSplitting = false;
    m_rxWindowBegin = 0;
    m_rxWindowEnd = 0;
    m_rxFollowing = true;
    m_rxFindFrom.reset();
}

wxString TerminalPanel::RxViewText(int notation) const
{
    const std::string text = m_rxBack[notation].Text();
    return wxString::FromUTF8(text.data(), text.size());
}

void TerminalPanel::SetRxLimits(size_t scrollbackChars, size_t lineChars, size_t windowChars)
{
    for (RxScrollback &back : m_rxBack)
        back.SetLimit(scrollbackChars);
    m_rxLineChars = lineChars;
    m_rxWindowChars = windowChars;
    m_rxWindowBaseChars = windowChars;
}

void TerminalPanel::ShowSelectedRxView()
{
    const int selected = m_rxTypeRadio->GetSelection();
    for (int n = 0; n < kRxViewCount; ++n)
        if (n != selected && m_rxViews[n]->IsShown()) {
            m_rxViews[n]->Hide();
            m_rxViews[n]->ChangeValue(wxString());
        }
    wxTextCtrl *view = m_rxViews[selected];
    if (view->IsShown())
        return;
    view->Show();
    m_rxFollowing = true;
    m_rxFindFrom.reset();
    const RxScrollback &back = m_rxBack[selected];
    // Frozen, the view takes the text without asking the toolkit to lay all
    // of it out at once to find its end; it is laid out piecewise when idle.
    view->Freeze();
    LoadRxWindow(selected, NewestRxWindowStart(back));
    view->Thaw();
    m_rxViewChanged = SteadyClock::now();
    if (back.Characters() != 0)
        m_rxRevealTimer.StartOnce(kRevealDelayMs);
}

// A view shown with its text lays it out on the way through the event
// loop; a scroll asked for before the toolkit has done part of that is lost.
void TerminalPanel::OnRxReveal(wxTimerEvent &)
{
    m_rxViews[m_rxTypeRadio->GetSelection()]->ScrollPages(kPagesToTheEnd);
    m_rxViewChanged = SteadyClock::now();
}

// The user has scrolled up to near the top of the window: the page before it
// goes in front, and the line on top stays there.
void TerminalPanel::OnRxPaging(wxTimerEvent &)
{
    const int selected = m_rxTypeRadio->GetSelection();
    const RxScrollback &back = m_rxBack[selected];
    wxTextCtrl *view = m_rxViews[selected];
    if (!view->IsShown() || SteadyClock::now() - m_rxViewChanged < std::chrono::milliseconds(kSettledMs))
        return;
    // Scrolled back to the bottom by some way the panel does not hear of.
    FollowRxViewIfAtBottom();
    if (m_rxWindowBegin <= back.Dropped() || RxViewAtBottom())
        return;
    long top = 0;
    if (view->HitTest(wxPoint(1, 1), &top) == wxTE_HT_UNKNOWN || static_cast<size_t>(top) >= kPagingMarginChars)
        return;
    const size_t windowStart = static_cast<size_t>(m_rxWindowBegin - back.Dropped());
    const size_t begin = back.BlockStart(windowStart, kRxPageChars);
    if (begin == windowStart)
        return;
    view->SetInsertionPoint(0);
    for (const RxScrollback::Piece &piece : back.PiecesBetween(begin, windowStart)) {
        wxColour colour;
        colour.SetRGB(piece.colour);
        view->SetDefaultStyle(wxTextAttr(colour));
        view->WriteText(wxString::FromUTF8(piece.data, piece.size));
    }
    m_rxWindowBegin = back.Dropped() + begin;
    // After the toolkit's own scroll to the place written, which it makes
    // once the event has been handled.
    const long onTop = top + static_cast<long>(windowStart - begin);
    CallAfter([view, onTop] { ScrollLineToTop(view, onTop); });
}

void TerminalPanel::StartRxPaging()
{
    constexpr int kPagingCheckMs = 100;
    Connect(m_rxPagingTimer.GetId(), wxEVT_TIMER, wxTimerEventHandler(TerminalPanel::OnRxPaging));
    m_rxPagingTimer.Start(kPagingCheckMs);
}
