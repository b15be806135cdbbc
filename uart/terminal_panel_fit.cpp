// The UART panel's controls fitted to the toolkit's real widget sizes, and
// growing with the frame: the rules of what grows and what follows the
// bottom edge are given where the controls are made (terminal_panel.cpp).
#include "uart/terminal_panel.h"

#include "app/toolkit_fit.h"
#include "uart/rx_window_size.h"

#include <algorithm>
#include <initializer_list>
#include <vector>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/radiobox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

// Least room between a row of check boxes that had to move and the button
// above it.
constexpr int kRowGap = 2;
// Lines the media caption may give each of its two paragraphs, the fixed
// text and the file name.
constexpr int kCaptionParagraphs = 2;
constexpr int kCaptionParagraphLines = 2;
// Least room left between two neighbours that had to be pushed apart.
constexpr int kMinGap = 5;

int RightOf(const wxWindow *control)
{
    return control->GetPosition().x + control->GetSize().x;
}

int BottomOf(const wxWindow *control)
{
    return control->GetPosition().y + control->GetSize().y;
}

void MoveBy(std::initializer_list<wxWindow *> controls, int dx, int dy)
{
    for (wxWindow *control : controls)
        control->Move(control->GetPosition() + wxPoint(dx, dy));
}

} // namespace

void TerminalPanel::FitToToolkit()
{
    FitReceiveHeader();
    FitMediaGroup();
    FitPeriodicRows();
    // The caption keeps its width: it breaks its lines instead.
    toolkit_fit::GrowChildren(this, m_mediaLabel);
    FitReadTypeChoice();
}

// The "Read type" choice, grown for its fifth view, grows to the left: its
// right edge stays over the views' one, inside the panel.
void TerminalPanel::FitReadTypeChoice()
{
    const int excess = RightOf(m_rxTypeRadio) - RightOf(m_rxViews[0]);
    if (excess > 0)
        MoveBy({m_rxTypeRadio}, -excess, 0);
}

// The two check boxes above the receive views, and the reading options in a
// row under them, keep their bottom on the views' top edge. When the first
// two do not fit beside the export button, they take a row of their own
// under it; the views give up the height of the rows at their top.
void TerminalPanel::FitReceiveHeader()
{
    const wxWindow *exportButton = FindWindow(ID_EXPORT);
    toolkit_fit::FitRow({m_timestampCheck, m_wrapCheck});
    const int height = std::max(m_timestampCheck->GetSize().y, m_wrapCheck->GetSize().y);
    const int viewsTop = m_rxViews[0]->GetPosition().y;
    int top = viewsTop - height;
    if (RightOf(m_wrapCheck) + kMinGap > exportButton->GetPosition().x)
        top = BottomOf(exportButton) + kRowGap;
    m_timestampCheck->Move(m_timestampCheck->GetPosition().x, top);
    m_wrapCheck->Move(m_wrapCheck->GetPosition().x, top);
    // Each reading option under the check box it refines.
    toolkit_fit::GrowToContent(m_millisecondsCheck);
    toolkit_fit::GrowToContent(m_lineSplitCheck);
    const int optionsTop = top + height + kRowGap;
    m_millisecondsCheck->Move(m_timestampCheck->GetPosition().x, optionsTop);
    m_lineSplitCheck->Move(m_wrapCheck->GetPosition().x, optionsTop);
    const int bottom =
        optionsTop + std::max(m_millisecondsCheck->GetSize().y, m_lineSplitCheck->GetSize().y);

    const int shift = bottom - viewsTop;
    if (shift <= 0)
        return;
    std::vector<wxWindow *> area(m_rxViews.begin(), m_rxViews.end());
    area.push_back(m_rxBackdrop);
    for (wxWindow *part : area) {
        const wxRect place = part->GetRect();
        // Its new size is its least one too, or growing would undo this.
        part->SetMinSize(wxSize(place.width, place.height - shift));
        part->SetSize(place.x, place.y + shift, place.width, place.height - shift);
    }
}

// The caption's first line alone is wider than its box on GTK: there each of
// its two lines may break in two (a long file name shortened in the middle
// of its second part). The media buttons sit under the caption, not inside
// its box.
void TerminalPanel::FitMediaGroup()
{
    toolkit_fit::BreakCaptionLines(m_mediaLabel, kCaptionParagraphs, kCaptionParagraphLines);
    const int overlap = BottomOf(m_mediaLabel) - m_mediaBackwardButton->GetPosition().y;
    if (overlap > 0)
        MoveBy({m_mediaBackwardButton, m_mediaPlayButton, m_mediaPauseButton, m_mediaLoopButton}, 0, overlap);
}

// The periodic row pushes its fields right of the grown check box; the
// total-size row stays aligned under the period field.
void TerminalPanel::FitPeriodicRows()
{
    const int periodX = m_periodText->GetPosition().x;
    toolkit_fit::FitRow({FindWindow(ID_PERIODIC_CHECK), m_periodText, m_periodUnitCombo, m_msgCounterCheck});
    MoveBy({m_totalSizeLabel, m_totalSizeText, m_paddingLabel}, m_periodText->GetPosition().x - periodX, 0);
    toolkit_fit::FitRow({m_totalSizeLabel, m_totalSizeText, m_paddingLabel});
}

void TerminalPanel::KeepDesignLayout()
{
    m_layout.KeepDesign(GetSize());
    Connect(wxEVT_SIZE, wxSizeEventHandler(TerminalPanel::OnPanelSize));
}

void TerminalPanel::OnPanelSize(wxSizeEvent &event)
{
    event.Skip();
    m_layout.Apply(GetSize());
    const wxRect design = m_layout.DesignRect(m_rxViews[0]);
    const wxRect view = m_rxViews[0]->GetRect();
    m_rxWindowChars = RxWindowCharsFor(m_rxWindowBaseChars, design.width, design.height, view.width, view.height);
}
