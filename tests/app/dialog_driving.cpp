#include "tests/app/dialog_driving.h"

#include "app/ip_ctrl.h"
#include "app/new_dialog.h"
#include "tests/support/gui_test.h"

#include <wx/textctrl.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

namespace testing_support {

void ClickButton(wxWindow *window, int id)
{
    wxWindow *button = window->FindWindow(id);
    if (button == nullptr)
        return;
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

void LeaveField(wxTextCtrl *field)
{
    wxFocusEvent leave(wxEVT_KILL_FOCUS, field->GetId());
    leave.SetEventObject(field);
    field->GetEventHandler()->ProcessEvent(leave);
}

bool FocusForTyping(wxTextCtrl *field)
{
    wxGetTopLevelParent(field)->Raise();
    // Without a window manager the keyboard follows the pointer, which an
    // earlier test may have left over another window.
    wxUIActionSimulator().MouseMove(field->GetScreenRect().GetPosition() + wxPoint(2, 2));
    PumpEvents();
    field->SetFocus();
    return WaitUntil([field] { return wxWindow::FindFocus() == field; });
}

wxString FieldTexts(const wxIPCtrl &ctrl)
{
    return ctrl.m_fields[0]->GetValue() + "." + ctrl.m_fields[1]->GetValue() + "." + ctrl.m_fields[2]->GetValue() +
           "." + ctrl.m_fields[3]->GetValue();
}

void SetFields(wxIPCtrl &ctrl, const wxString &first, const wxString &second, const wxString &third,
               const wxString &fourth)
{
    ctrl.m_fields[0]->ChangeValue(first);
    ctrl.m_fields[1]->ChangeValue(second);
    ctrl.m_fields[2]->ChangeValue(third);
    ctrl.m_fields[3]->ChangeValue(fourth);
}

std::vector<NewDialog *> NewDialogsOf(wxWindow *parent)
{
    std::vector<NewDialog *> dialogs;
    for (wxWindow *child : parent->GetChildren())
        if (auto *dialog = dynamic_cast<NewDialog *>(child))
            dialogs.push_back(dialog);
    return dialogs;
}

} // namespace testing_support
