#include "modbus/function_panel.h"
#include "tests/modbus_gui/panel_driver.h"
#include "tests/support/gui_test.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/grid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <string>
#include <vector>

namespace {

class FunctionFormTest : public ::testing::Test {
protected:
    void SetUp() override { m_frame = new wxFrame(nullptr, wxID_ANY, "forms", wxDefaultPosition, wxSize(800, 600)); }
    void TearDown() override
    {
        m_frame->Destroy();
        testing_support::PumpEvents();
    }

    FunctionPanel *MakeForm(int functionId)
    {
        return new FunctionPanel(m_frame, 1100, "", wxPoint(250, 100), wxSize(500, 480), wxTAB_TRAVERSAL, functionId,
                                 nullptr);
    }

    wxFrame *m_frame = nullptr;
};

// "label@y" of every static text in the label column, in creation order.
std::vector<std::string> Labels(wxWindow *form)
{
    std::vector<std::string> labels;
    for (wxWindow *child : form->GetChildren())
        if (auto *label = dynamic_cast<wxStaticText *>(child); label != nullptr && label->GetPosition().x == 10)
            labels.push_back(label->GetLabel().ToStdString() + "@" + std::to_string(label->GetPosition().y));
    return labels;
}

// One form of each shape.
TEST_F(FunctionFormTest, FormsHaveTheirTitleRowsAndSendButton)
{
    const struct {
        int id;
        std::vector<std::string> labels;
        int sendY;
    } forms[] = {
        {1003,
         {"Function 3: Read Holding Registers@0", "Slave ID@40", "Address@75", "Registers number@110",
          "Output Format@145", "Result =>@180", "Data =>@215", "Poll every [ms]@285", "Last answer@355",
          "Requests@390"},
         250},
        {1005, {"Function 5: Write Single Coil@0", "Slave ID@40", "Address@75", "Value@110", "Result =>@145"}, 180},
        {1015, {"Function 15: Write Multiple Coils@0", "Slave ID@40", "Address@75", "Result =>@110"}, 145},
        {1016,
         {"Function 16: Write Multiple Registers@0", "Slave ID@40", "Address@75", "Value Format@110", "Result =>@145"},
         180},
        {1017, {"Function 17: Report Slave ID@0", "Slave ID@40", "Result =>@75"}, 110},
        {1023,
         {"Function 23: Read/Write Multiple Registers@0", "Slave ID@40", "Write Address@75", "Read Address@110",
          "N. Bit@145", "Result =>@180", "Data =>@215", "Poll every [ms]@285", "Last answer@355", "Requests@390"},
         250},
    };
    for (const auto &expected : forms) {
        FunctionPanel *form = MakeForm(expected.id);
        EXPECT_EQ(Labels(form), expected.labels) << expected.id;
        wxButton *send = modbus_gui_test::SendButton(form);
        ASSERT_NE(send, nullptr) << expected.id;
        EXPECT_EQ(send->GetId(), expected.id);
        EXPECT_EQ(send->GetLabel(), "Send");
        EXPECT_EQ(send->GetPosition(), wxPoint(70, expected.sendY)) << expected.id;
        EXPECT_EQ(form->SlaveIdField()->GetValue(), "1");
        EXPECT_EQ(form->ResultLabel()->GetLabel(), "");
    }
}

TEST_F(FunctionFormTest, FieldsStartAsTheFunctionNeeds)
{
    FunctionPanel *read = MakeForm(1001);
    EXPECT_EQ(read->CountField()->GetValue(), "1");
    EXPECT_EQ(read->AddressField()->GetValue(), "");
    // The 16-bit formats, then U32, S32 and Float32 in the four orders.
    EXPECT_EQ(read->FormatChoice()->GetCount(), 31u);
    EXPECT_EQ(read->FormatChoice()->GetString(6), "Binary 16");
    EXPECT_EQ(read->FormatChoice()->GetString(7), "U32 ABCD");
    EXPECT_EQ(read->FormatChoice()->GetString(18), "Float32 DCBA");
    // A register reads as a whole at first.
    EXPECT_EQ(read->FormatChoice()->GetValue(), "Decimal U16");
    EXPECT_EQ(read->FormatChoice()->GetSelection(), FORMAT_DECIMAL_U16);
    EXPECT_EQ(read->DataField()->GetValidator(), nullptr);
    EXPECT_EQ(read->ValuesGrid(), nullptr);

    FunctionPanel *coil = MakeForm(1005);
    EXPECT_EQ(coil->CoilStateChoice()->GetString(0), "Off");
    EXPECT_EQ(coil->CoilStateChoice()->GetString(1), "On");
    EXPECT_EQ(coil->CoilStateChoice()->GetSelection(), 0);

    EXPECT_EQ(MakeForm(1023)->CountField()->GetValue(), "");
}

TEST_F(FunctionFormTest, GridsHoldTenCheckBoxesOrNumbers)
{
    for (const int id : {1015, 1016, 1023}) {
        wxGrid *grid = MakeForm(id)->ValuesGrid();
        ASSERT_NE(grid, nullptr) << id;
        EXPECT_EQ(grid->GetPosition(), wxPoint(290, 75));
        EXPECT_EQ(grid->GetNumberRows(), 10);
        EXPECT_EQ(grid->GetNumberCols(), 1);
        EXPECT_EQ(grid->GetColLabelValue(0), id == 1015 ? "On/Off" : "Value");
        for (int row = 0; row < 10; ++row) {
            wxGridCellEditor *editor = grid->GetCellEditor(row, 0);
            const bool boolean = dynamic_cast<wxGridCellBoolEditor *>(editor) != nullptr;
            const bool number = dynamic_cast<wxGridCellNumberEditor *>(editor) != nullptr;
            EXPECT_TRUE(id == 1015 ? boolean : number) << id << " row " << row;
            editor->DecRef();
        }
    }
}

TEST_F(FunctionFormTest, UnknownFunctionIsNotImplementedYet)
{
    FunctionPanel *form = MakeForm(1007);
    ASSERT_EQ(form->GetChildren().size(), 1u);
    auto *notice = dynamic_cast<wxStaticText *>(form->GetChildren().front());
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->GetLabel(), "Not implemented yet");
    EXPECT_EQ(notice->GetPosition(), wxPoint(10, 0));
}

} // namespace
