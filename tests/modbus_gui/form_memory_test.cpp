// The forms keep what was typed per function: when another function's form
// is shown and back, and between runs through the kept settings, written a
// moment after each change.
#include "app/main_window.h"
#include "app/user_config.h"
#include "tests/modbus_gui/modbus_peers.h"
#include "tests/modbus_gui/panel_driver.h"

#include <gtest/gtest.h>
#include <memory>
#include <wx/combobox.h>
#include <wx/fileconf.h>
#include <wx/grid.h>
#include <wx/textctrl.h>

namespace {

using namespace modbus_gui_test;
using testing_support::WaitUntil;

std::string Kept(const std::string &key)
{
    const std::unique_ptr<wxFileConfig> file = user_config::Open();
    return user_config::Read(*file, key).value_or("");
}

// As a user types: the field tells its form.
void Type(wxTextCtrl *field, const char *text)
{
    field->SetValue(text);
}

TEST(FormMemory, FormsKeepWhatWasTypedAcrossFunctionsAndRuns)
{
    ModbusPortGateway gateway;
    ConnectTo(gateway.Ip());
    FunctionPanel *form = OpenForm(3);
    Type(form->AddressField(), "7");
    Type(form->CountField(), "4");
    ChooseFormat(form, ChoiceOfFormat({ValueType::U32, 1}));
    form = OpenForm(16);
    EXPECT_EQ(form->AddressField()->GetValue(), "") << "another function's form starts afresh";
    Type(form->AddressField(), "30");
    form->ValuesGrid()->SetCellValue(1, 0, "-5");
    wxGridEvent changed(form->ValuesGrid()->GetId(), wxEVT_GRID_CELL_CHANGED, form->ValuesGrid(), 1, 0);
    form->ValuesGrid()->GetEventHandler()->ProcessEvent(changed);

    form = OpenForm(3);
    EXPECT_EQ(form->AddressField()->GetValue(), "7");
    EXPECT_EQ(form->CountField()->GetValue(), "4");
    EXPECT_EQ(form->FormatChoice()->GetValue(), "U32 CDAB");
    EXPECT_EQ(form->PollPeriodField()->GetValue(), "1000");

    // Written by itself, without a close of the program.
    ASSERT_TRUE(WaitUntil([] { return Kept("Modbus/Function16/Grid2") == "-5"; }));
    EXPECT_EQ(Kept("Modbus/Function3/Address"), "7");
    EXPECT_EQ(Kept("Modbus/Function3/Format"), "U32 CDAB");
    EXPECT_EQ(Kept("Modbus/Function16/Address"), "30");

    // The next run: the panel starts empty and takes them from the file;
    // a choice no list holds (a hand-edited file) keeps the start one.
    {
        const std::unique_ptr<wxFileConfig> file = user_config::Open();
        file->Write("/Modbus/Function4/Format", "Float128 ABCD");
        file->Write("/Modbus/Function4/Address", "12");
        ASSERT_TRUE(file->Flush());
    }
    Panel()->RestoreForms({});
    EXPECT_EQ(OpenForm(16)->AddressField()->GetValue(), "");
    Panel()->RestoreForms({});
    MainWindow::GetInstance()->RestoreSettings();
    form = OpenForm(16);
    EXPECT_EQ(form->AddressField()->GetValue(), "30");
    EXPECT_EQ(form->ValuesGrid()->GetCellValue(1, 0), "-5");
    form = OpenForm(4);
    EXPECT_EQ(form->AddressField()->GetValue(), "12");
    EXPECT_EQ(form->FormatChoice()->GetValue(), "Decimal U16");
    Panel()->SetConnectionParameters("not set", "not set");
    wxRemoveFile(user_config::FilePath());
}

} // namespace
