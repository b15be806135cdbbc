#include "tests/modbus_gui/panel_driver.h"

#include "app/main_window.h"
#include "modbus/traffic_window.h"

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/textctrl.h>

namespace modbus_gui_test {

using testing_support::Millis;
using testing_support::WaitUntil;

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

wxBitmapButton *ConnectButton()
{
    return dynamic_cast<wxBitmapButton *>(PanelChild(ModbusTerminalPanel::ID_CONNECT));
}

wxStaticBitmap *StatusIcon()
{
    for (wxWindow *child : Panel()->GetChildren())
        if (auto *icon = dynamic_cast<wxStaticBitmap *>(child))
            return icon;
    return nullptr;
}

wxStaticText *FramingLabel()
{
    for (wxWindow *child : Panel()->GetChildren())
        if (auto *label = dynamic_cast<wxStaticText *>(child);
            label != nullptr && (label->GetLabel() == "RTU over TCP" || label->GetLabel() == "Modbus TCP"))
            return label;
    return nullptr;
}

wxCheckBox *TrafficCheck()
{
    return dynamic_cast<wxCheckBox *>(PanelChild(ModbusTerminalPanel::ID_SHOW_TRAFFIC));
}

void ShowTraffic(bool show)
{
    wxCheckBox *check = TrafficCheck();
    check->SetValue(show);
    wxCommandEvent ticked(wxEVT_CHECKBOX, check->GetId());
    ticked.SetInt(show ? 1 : 0);
    ticked.SetEventObject(check);
    check->GetEventHandler()->ProcessEvent(ticked);
}

std::string TrafficText()
{
    const TrafficWindow *view = Panel()->TrafficView();
    return view == nullptr ? "" : view->m_view->GetValue().utf8_string();
}

testing_support::ShownBox ConnectTo(const std::string &ip, const std::string &port, int framing)
{
    ModbusTerminalPanel *panel = Panel();
    panel->SetConnectionParameters(ip, port, framing);
    // Each test starts with the forms as a new user sees them.
    panel->RestoreForms({});
    testing_support::ModalRecorder boxes;
    Click(ConnectButton());
    // The session connects on its worker and the panel tells the outcome.
    EXPECT_TRUE(WaitUntil([&] { return !boxes.Boxes().empty(); }, Millis(10000)));
    EXPECT_EQ(boxes.Boxes().size(), 1u) << boxes.Messages();
    return boxes.Boxes().empty() ? testing_support::ShownBox{} : boxes.Boxes().front();
}

bool ConnectAgain()
{
    testing_support::ModalRecorder boxes;
    Click(ConnectButton());
    return WaitUntil([&] { return !boxes.Boxes().empty(); }, Millis(10000)) && Panel()->IsConnected();
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
    // Within the longest a request can take: its answer's time-outs.
    ASSERT_TRUE(WaitUntil([form] { return !form->Busy(); }, Millis(10000)));
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
    wxComboBox *combo = form->FormatChoice();
    combo->SetSelection(format);
    wxCommandEvent chosen(wxEVT_COMBOBOX, combo->GetId());
    chosen.SetEventObject(combo);
    combo->GetEventHandler()->ProcessEvent(chosen);
}

std::string Result(FunctionPanel *form)
{
    // A long line breaks at blanks within the form: read it as one.
    wxString text = form->ResultLabel()->GetLabelText();
    text.Replace("\n", " ");
    return std::string(text.utf8_str());
}

} // namespace modbus_gui_test
