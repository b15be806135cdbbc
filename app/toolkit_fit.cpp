#include "app/toolkit_fit.h"

#include "app/ip_ctrl.h"
#include "app/new_dialog.h"

#include <algorithm>
#include <gtk/gtk.h>
#include <vector>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/grid.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

// Least room left between two neighbours that had to be pushed apart.
constexpr int kMinGap = 5;
// Room between a field and the error text beside it.
constexpr int kLabelGap = 10;
// Room kept right of the dialog's widest error text.
constexpr int kDialogMargin = 10;
// The text cursor takes a pixel beside the last character.
constexpr int kCaretWidth = 1;

bool IsScrollingView(wxWindow *control)
{
    if (auto *text = dynamic_cast<wxTextCtrl *>(control))
        return text->IsMultiLine();
    return dynamic_cast<wxListBox *>(control) != nullptr || dynamic_cast<wxGrid *>(control) != nullptr;
}

// A single-line field: its text (the longest number it takes, when it has a
// limit: the numeric fields of this program) inside GTK's padding and frame.
wxSize FieldContentSize(wxTextCtrl *field)
{
    GtkWidget *widget = static_cast<GtkWidget *>(field->GetHandle());
    if (widget == nullptr || !GTK_IS_ENTRY(widget))
        return field->GetBestSize();
    GtkStyleContext *style = gtk_widget_get_style_context(widget);
    const GtkStateFlags state = gtk_style_context_get_state(style);
    GtkBorder padding{};
    GtkBorder border{};
    gtk_style_context_get_padding(style, state, &padding);
    gtk_style_context_get_border(style, state, &border);
    const int maxLength = gtk_entry_get_max_length(GTK_ENTRY(widget));
    wxString widest = maxLength > 0 ? wxString(static_cast<size_t>(maxLength), '0') : field->GetValue();
    if (widest.empty())
        widest = "0";
    const int width = field->GetTextExtent(widest).x + padding.left + padding.right + border.left + border.right +
                      kCaretWidth;
    const int height = field->GetCharHeight() + padding.top + padding.bottom + border.top + border.bottom;
    return wxSize(width, height);
}

int RightOf(const wxWindow *control)
{
    return control->GetPosition().x + control->GetSize().x;
}

int BottomOf(const wxWindow *control)
{
    return control->GetPosition().y + control->GetSize().y;
}

} // namespace

namespace toolkit_fit {

wxSize ContentSize(wxWindow *control)
{
    if (IsScrollingView(control))
        return control->GetSize();
    if (auto *field = dynamic_cast<wxTextCtrl *>(control))
        return FieldContentSize(field);
    if (auto *label = dynamic_cast<wxStaticText *>(control)) {
        // Measured by its text: GTK measures a label's new font only at its
        // next style update. It rounds the width up to the next pixel.
        const wxSize text = label->GetTextExtent(label->GetLabel());
        return wxSize(text.x + 1, text.y);
    }
    return control->GetBestSize();
}

void GrowToContent(wxWindow *control)
{
    const wxSize now = control->GetSize();
    const wxSize need = ContentSize(control);
    const wxSize grown(std::max(now.x, need.x), std::max(now.y, need.y));
    if (grown != now)
        control->SetSize(grown);
}

void GrowChildren(wxWindow *parent, const wxWindow *keep)
{
    for (wxWindow *child : parent->GetChildren())
        if (child != keep && dynamic_cast<wxPanel *>(child) == nullptr)
            GrowToContent(child);
}

void FitRow(const std::vector<wxWindow *> &row)
{
    std::vector<int> gaps;
    for (size_t i = 1; i < row.size(); ++i)
        gaps.push_back(std::max(kMinGap, row[i]->GetPosition().x - RightOf(row[i - 1])));
    for (wxWindow *control : row)
        GrowToContent(control);
    for (size_t i = 1; i < row.size(); ++i) {
        const int push = RightOf(row[i - 1]) + gaps[i - 1] - row[i]->GetPosition().x;
        if (push <= 0)
            continue;
        for (size_t j = i; j < row.size(); ++j)
            row[j]->Move(row[j]->GetPosition() + wxPoint(push, 0));
    }
}

// GTK breaks a label's lines only when told to.
void BreakCaptionLines(wxStaticText *caption, int paragraphs, int lines)
{
    auto *label = static_cast<GtkWidget *>(caption->GetHandle());
    if (ContentSize(caption).x <= caption->GetSize().x || label == nullptr || !GTK_IS_LABEL(label))
        return;
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_lines(GTK_LABEL(label), lines);
    const int height = paragraphs * lines * caption->GetCharHeight();
    caption->SetSize(caption->GetSize().x, std::max(caption->GetSize().y, height));
}

void FitConnectionDialog(NewDialog &dialog)
{
    GrowChildren(&dialog);
    const wxWindow *ipBox = dialog.m_ipCtrl->m_frameBox;
    dialog.m_ipError->Move(RightOf(ipBox) + kLabelGap, dialog.m_ipError->GetPosition().y);
    const int ipErrorRight = dialog.m_ipError->GetPosition().x + dialog.m_ipError->GetTextExtent(kInvalidIpText).x;
    const int portErrorRight =
        dialog.m_portError->GetPosition().x + dialog.m_portError->GetTextExtent(kInvalidPortText).x;
    const wxSize client = dialog.GetClientSize();
    const int linkErrorRight =
        dialog.m_linkFieldError->GetPosition().x + dialog.m_linkFieldError->GetTextExtent(kInvalidAddressText).x;
    const int width = std::max({ipErrorRight, portErrorRight, linkErrorRight}) + kDialogMargin;
    // Tall enough for the buttons under the framing row, also where the
    // window manager's title bar takes its part of the dialog's size.
    int bottom = 0;
    for (const wxWindow *child : dialog.GetChildren())
        bottom = std::max(bottom, BottomOf(child));
    const int height = bottom + kDialogMargin;
    if (width > client.x || height > client.y)
        dialog.SetClientSize(std::max(width, client.x), std::max(height, client.y));
}

int FitButtonColumn(wxWindow *parent, int firstId, int lastId)
{
    std::vector<wxWindow *> buttons;
    wxSize need(0, 0);
    for (int id = firstId; id <= lastId; ++id)
        if (wxWindow *button = parent->FindWindow(id)) {
            buttons.push_back(button);
            need.IncTo(ContentSize(button));
        }
    if (buttons.empty())
        return 0;
    // One width for the column, so that it stays a column.
    const int growth = std::max(0, need.x - buttons.front()->GetSize().x);
    for (wxWindow *button : buttons)
        button->SetSize(std::max(button->GetSize().x, need.x), std::max(button->GetSize().y, need.y));
    return growth;
}

} // namespace toolkit_fit
