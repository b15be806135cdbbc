#include "modbus/function_panel.h"
#include "tests/support/gui_test.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/grid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

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

std::vector<std::string> LabelsAtX(wxWindow *form, int x)
{
    std::vector<std::string> labels;
    for (wxWindow *child : form->GetChildren())
        if (auto *label = dynamic_cast<wxStaticText *>(child); label != nullptr && label->GetPosition().x == x)
            labels.push_back(label->GetLabel().ToStdString() + "@" + std::to_string(label->GetPosition().y));
    return labels;
}

wxButton *FindButton(wxWindow *form)
{
    for (wxWindow *child : form->GetChildren())
        if (auto *button = dynamic_cast<wxButton *>(child))
            return button;
    return nullptr;
}

TEST_F(FunctionFormTest, EachFormHasItsTitleRowsAndSendButton)
{
    const struct {
        int id;
        std::vector<std::string> labels;
        int sendY;
    } forms[] = {
        {1001,
         {"Function 1: Read Coils@0", "Slave ID@40", "Address@75", "Bits number@110", "Output Format@145",
          "Result =>@180", "Data =>@215"},
         250},
        {1002,
         {"Function 2: Read Discrete Inputs@0", "Slave ID@40", "Address@75", "Bits number@110", "Output Format@145",
          "Result =>@180", "Data =>@215"},
         250},
        {1003,
         {"Function 3: Read Holding Registers@0", "Slave ID@40", "Address@75", "Registers number@110",
          "Output Format@145", "Result =>@180", "Data =>@215"},
         250},
        {1004,
         {"Function 4: Read Input Register@0", "Slave ID@40", "Address@75", "Registers number@110",
          "Output Format@145", "Result =>@180", "Data =>@215"},
         250},
        {1005, {"Function 5: Write Single Coil@0", "Slave ID@40", "Address@75", "Value@110", "Result =>@145"}, 180},
        {1006,
         {"Function 6: Write Single Register@0", "Slave ID@40", "Address@75", "Value@110", "Result =>@145"},
         180},
        {1015, {"Function 15: Write Multiple Coils@0", "Slave ID@40", "Address@75", "Result =>@110"}, 145},
        {1016, {"Function 16: Write Multiple Registers@0", "Slave ID@40", "Address@75", "Result =>@110"}, 145},
        {1017, {"Function 17: Report Slave ID@0", "Slave ID@40", "Result =>@75"}, 110},
        {1023,
         {"Function 23: Read/Write Multiple Registers@0", "Slave ID@40", "Write Address@75", "Read Address@110",
          "N. Bit@145", "Result =>@180", "Data =>@215"},
         250},
    };
    for (const auto &expected : forms) {
        FunctionPanel *form = MakeForm(expected.id);
        EXPECT_EQ(LabelsAtX(form, 10), expected.labels) << expected.id;
        wxButton *send = FindButton(form);
        ASSERT_NE(send, nullptr) << expected.id;
        EXPECT_EQ(send->GetId(), expected.id);
        EXPECT_EQ(send->GetLabel(), "Send");
        EXPECT_EQ(send->GetPosition(), wxPoint(70, expected.sendY)) << expected.id;
        EXPECT_EQ(send->GetSize().GetWidth(), 120);
        ASSERT_NE(form->m_slaveIdText, nullptr);
        EXPECT_EQ(form->m_slaveIdText->GetValue(), "1");
        EXPECT_EQ(form->m_resultLabel->GetLabel(), "");
        EXPECT_EQ(form->m_resultLabel->GetPosition().x, 130);
        form->Destroy();
    }
}

TEST_F(FunctionFormTest, ReadFormsStartWithOneAndTheFirstFormat)
{
    for (const int id : {1001, 1002, 1003, 1004}) {
        FunctionPanel *form = MakeForm(id);
        EXPECT_EQ(form->m_countText->GetValue(), "1") << id;
        EXPECT_EQ(form->m_addressText->GetValue(), "") << id;
        EXPECT_EQ(form->m_dataText->GetValue(), "") << id;
        ASSERT_NE(form->m_formatCombo, nullptr) << id;
        EXPECT_EQ(form->m_formatCombo->GetPosition(), wxPoint(130, 145));
        EXPECT_EQ(form->m_formatCombo->GetSize().GetWidth(), 170);
        EXPECT_EQ(form->m_formatCombo->GetSelection(), 0);
        EXPECT_EQ(form->m_formatCombo->GetValue(), "Decimal U8");
        std::vector<std::string> choices;
        for (const wxString &choice : form->m_formatCombo->GetStrings())
            choices.push_back(choice.ToStdString());
        EXPECT_EQ(choices, (std::vector<std::string>{"Decimal U8", "Decimal S8", "Decimal U16", "Decimal S16", "Hex",
                                                     "Binary 8", "Binary 16"}));
        // Numbers are typed through the numeric filter; the data field takes any text.
        const auto *filter = dynamic_cast<const wxTextValidator *>(form->m_countText->GetValidator());
        ASSERT_NE(filter, nullptr);
        EXPECT_TRUE(filter->HasFlag(wxFILTER_NUMERIC));
        EXPECT_EQ(form->m_dataText->GetValidator(), nullptr);
        EXPECT_TRUE(form->m_dataText->HasFlag(wxBORDER_NONE));
        EXPECT_EQ(form->m_valuesGrid, nullptr);
        form->Destroy();
    }

    FunctionPanel *form = MakeForm(1023);
    EXPECT_EQ(form->m_countText->GetValue(), "");
    EXPECT_EQ(form->m_formatCombo, nullptr);
}

TEST_F(FunctionFormTest, CoilFormOffersOffThenOn)
{
    FunctionPanel *form = MakeForm(1005);
    ASSERT_NE(form->m_coilStateCombo, nullptr);
    EXPECT_EQ(form->m_coilStateCombo->GetPosition(), wxPoint(130, 110));
    EXPECT_EQ(form->m_coilStateCombo->GetCount(), 2u);
    EXPECT_EQ(form->m_coilStateCombo->GetString(0), "Off");
    EXPECT_EQ(form->m_coilStateCombo->GetString(1), "On");
    EXPECT_EQ(form->m_coilStateCombo->GetSelection(), 0);
    EXPECT_EQ(form->m_valueText, nullptr);
}

TEST_F(FunctionFormTest, GridsHoldTenCheckBoxesOrNumbers)
{
    for (const int id : {1015, 1016, 1023}) {
        FunctionPanel *form = MakeForm(id);
        wxGrid *grid = form->m_valuesGrid;
        ASSERT_NE(grid, nullptr) << id;
        EXPECT_EQ(grid->GetPosition(), wxPoint(290, 75));
        EXPECT_EQ(grid->GetSize(), wxSize(200, 400));
        EXPECT_EQ(grid->GetNumberRows(), 10);
        EXPECT_EQ(grid->GetNumberCols(), 1);
        EXPECT_EQ(grid->GetColSize(0), 80);
        EXPECT_EQ(grid->GetColLabelValue(0), id == 1015 ? "On/Off" : "Value");
        for (int row = 0; row < 10; ++row) {
            EXPECT_EQ(grid->GetCellValue(row, 0), "");
            wxGridCellEditor *editor = grid->GetCellEditor(row, 0);
            wxGridCellRenderer *renderer = grid->GetCellRenderer(row, 0);
            if (id == 1015) {
                EXPECT_NE(dynamic_cast<wxGridCellBoolEditor *>(editor), nullptr) << row;
                EXPECT_NE(dynamic_cast<wxGridCellBoolRenderer *>(renderer), nullptr) << row;
            } else {
                EXPECT_NE(dynamic_cast<wxGridCellNumberEditor *>(editor), nullptr) << row;
                EXPECT_NE(dynamic_cast<wxGridCellNumberRenderer *>(renderer), nullptr) << row;
            }
            editor->DecRef();
            renderer->DecRef();
        }
        form->Destroy();
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
    EXPECT_EQ(notice->GetFont().GetPointSize(), 10);
}

} // namespace
