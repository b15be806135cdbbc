// A UART panel that grows with the frame: the receive views (with their
// backdrop) take the extra width and height, the message list the extra
// height, the rows under them move down with the bottom edge, and everything
// else keeps its place. At the design size the panel is as built.
#include "uart/terminal_panel.h"

#include "uart/rx_window_size.h"

#include <algorithm>
#include <wx/listbox.h>
#include <wx/textctrl.h>

void TerminalPanel::KeepDesignLayout()
{
    m_designSize = GetSize();
    m_designRects.clear();
    const int listBottom = m_messageList->GetRect().GetBottom();
    const wxRect views = m_rxViews[0]->GetRect();
    for (wxWindow *child : GetChildren()) {
        const wxRect place = child->GetRect();
        Resizing how = Resizing::Keep;
        if (child == m_messageList)
            how = Resizing::GrowDown;
        else if (place == views)
            how = Resizing::Grow; // a receive view or the backdrop behind them
        else if (place.y > listBottom)
            how = Resizing::MoveDown;
        if (how != Resizing::Keep)
            m_designRects.push_back({child, place, how});
    }
    Connect(wxEVT_SIZE, wxSizeEventHandler(TerminalPanel::OnPanelSize));
}

void TerminalPanel::OnPanelSize(wxSizeEvent &event)
{
    event.Skip();
    if (m_designRects.empty())
        return;
    const wxSize size = GetSize();
    const int dx = std::max(0, size.x - m_designSize.x);
    const int dy = std::max(0, size.y - m_designSize.y);
    for (const DesignRect &part : m_designRects) {
        wxRect place = part.rect;
        switch (part.how) {
        case Resizing::Grow:
            place.width += dx;
            place.height += dy;
            break;
        case Resizing::GrowDown:
            place.height += dy;
            break;
        case Resizing::MoveDown:
            place.y += dy;
            break;
        case Resizing::Keep:
            break;
        }
        part.window->SetSize(place);
    }
    const wxRect view = m_rxViews[0]->GetRect();
    const wxRect design = std::find_if(m_designRects.begin(), m_designRects.end(), [this](const DesignRect &part) {
                              return part.window == m_rxViews[0];
                          })->rect;
    m_rxWindowChars = RxWindowCharsFor(m_rxWindowBaseChars, design.width, design.height, view.width, view.height);
}
