#include "tests/modbus_gui/panel_driver.h"

#include "app/main_window.h"

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/stattext.h>

namespace modbus_gui_test {

ModbusTerminalPanel *Panel()
{
    return MainWindow::GetInstance()->m_modbusPanel;
}

void Click(wxWindow *button)
{
    wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

wxWindow *PanelChild(int id)
{
    // Direct children only: a form's Send button shares its function's id.
    for (wxWindow *child : Panel()->GetChildren())
        if (child->GetId() == id)
            return child;
    return nullptr;
}

wxButton *FunctionButton(int functionCode)
{
    return dynamic_cast<wxButton *>(PanelChild(1000 + functionCode));
}

int FormCount()
{
    int forms = 0;
    for (wxWindow *child : Panel()->GetChildren())
        if (dynamic_cast<FunctionPanel *>(child) != nullptr)
            ++forms;
    return forms;
}

FunctionPanel *ShownForm()
{
    return dynamic_cast<FunctionPanel *>(PanelChild(ModbusTerminalPanel::ID_FUNCTION_FORM));
}

testing_support::ShownBox ConnectTo(const std::string &ip, const std::string &port, int framing)
{
    ModbusTerminalPanel *panel = Panel();
    panel->SetConnectionParameters(ip, port, framing);
    testing_support::ModalRecorder boxes;
    Click(panel->m_connectButton);
    EXPECT_EQ(boxes.Boxes().size(), 1u) << boxes.Messages();
    return boxes.Boxes().empty() ? testing_support::ShownBox{} : boxes.Boxes().front();
}

FunctionPanel *OpenForm(int functionCode)
{
    Click(FunctionButton(functionCode));
    return ShownForm();
}

wxButton *SendButton(FunctionPanel *form)
{
    for (wxWindow *child : form->GetChildren())
        if (auto *button = dynamic_cast<wxButton *>(child))
            return button;
    return nullptr;
}

void Send(FunctionPanel *form)
{
    wxButton *button = SendButton(form);
    ASSERT_NE(button, nullptr);
    Click(button);
}

void SetCoil(wxGrid *grid, int row, bool on)
{
    grid->SetGridCursor(row, 0);
    grid->EnableCellEditControl();
    wxGridCellEditor *editor = grid->GetCellEditor(row, 0);
    auto *box = dynamic_cast<wxCheckBox *>(editor->GetControl());
    editor->DecRef();
    ASSERT_NE(box, nullptr);
    box->SetValue(on);
    grid->DisableCellEditControl();
}

void ChooseFormat(FunctionPanel *form, int format)
{
    form->m_formatCombo->SetSelection(format);
    wxCommandEvent chosen(wxEVT_COMBOBOX, form->m_formatCombo->GetId());
    chosen.SetEventObject(form->m_formatCombo);
    form->m_formatCombo->GetEventHandler()->ProcessEvent(chosen);
}

std::string Result(FunctionPanel *form)
{
    // A long line breaks at blanks within the form: read it as one.
    wxString text = form->m_resultLabel->GetLabelText();
    text.Replace("\n", " ");
    return std::string(text.utf8_str());
}

} // namespace modbus_gui_test
