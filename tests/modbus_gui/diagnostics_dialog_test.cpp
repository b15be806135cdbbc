// The Modbus diagnostics of the window against the pymodbus server whose
// units 1, 2 and 5 answer, 2 and 5 with gaps in their maps: the unit scan,
// the register scan with its blocks for the monitor, and a raw frame.
#include "modbus/raw_frame_dialog.h"
#include "modbus/register_scan_dialog.h"
#include "modbus/unit_scan_dialog.h"
#include "tests/modbus_gui/modbus_peers.h"
#include "tests/modbus_gui/panel_driver.h"

#include <chrono>
#include <gtest/gtest.h>
#include <wx/listbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

using namespace modbus_gui_test;
using testing_support::WaitUntil;

namespace {

class DiagnosticsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.Ready());
        ASSERT_EQ(ConnectTo(m_server.Ip()).message, "Connection successful");
    }
    void TearDown() override { Panel()->SetConnectionParameters("not set", "not set"); }

    static wxString Label(wxWindow *dialog, int id)
    {
        return dynamic_cast<wxStaticText *>(dialog->FindWindow(id))->GetLabel();
    }
    static wxArrayString Lines(wxWindow *dialog, int id)
    {
        return dynamic_cast<wxListBox *>(dialog->FindWindow(id))->GetStrings();
    }
    static void Type(wxWindow *dialog, int id, const wxString &text)
    {
        dynamic_cast<wxTextCtrl *>(dialog->FindWindow(id))->ChangeValue(text);
    }

    PymodbusServer m_server{"rtu", true};
};

TEST_F(DiagnosticsDialogTest, UnitScanListsTheUnitsThatAnswerAndCancels)
{
    auto *dialog = new UnitScanDialog(nullptr, Panel()->Session(), MB_FRAMING_RTU);
    Type(dialog, UnitScanDialog::ID_TO, "6");
    ASSERT_TRUE(dialog->StartScan());
    ASSERT_TRUE(WaitUntil([&] { return !dialog->Scanning(); }, std::chrono::seconds(20)));
    const wxArrayString found = Lines(dialog, UnitScanDialog::ID_FOUND);
    ASSERT_EQ(found.size(), 3u) << Label(dialog, UnitScanDialog::ID_STATUS);
    EXPECT_TRUE(found[0].StartsWith("unit 1: read holding registers")) << found[0];
    EXPECT_TRUE(found[1].StartsWith("unit 2: ")) << found[1];
    EXPECT_TRUE(found[2].StartsWith("unit 5: ")) << found[2];
    EXPECT_EQ(Label(dialog, UnitScanDialog::ID_STATUS), "3 units found, 6 requests");

    // A wrong field starts nothing.
    Type(dialog, UnitScanDialog::ID_FROM, "300");
    EXPECT_FALSE(dialog->StartScan());
    EXPECT_EQ(Label(dialog, UnitScanDialog::ID_STATUS), "From must be 0 to 255");

    // The long scan of absent units is cancelled, and the dialog closed
    // while it asks ends it.
    Type(dialog, UnitScanDialog::ID_FROM, "6");
    Type(dialog, UnitScanDialog::ID_TO, "247");
    ASSERT_TRUE(dialog->StartScan());
    wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, UnitScanDialog::ID_START);
    dialog->FindWindow(UnitScanDialog::ID_START)->GetEventHandler()->ProcessEvent(click);
    ASSERT_TRUE(WaitUntil([&] { return !dialog->Scanning(); }, std::chrono::seconds(10)));
    EXPECT_TRUE(Label(dialog, UnitScanDialog::ID_STATUS).Contains("scan cancelled at unit"))
        << Label(dialog, UnitScanDialog::ID_STATUS);
    ASSERT_TRUE(dialog->StartScan());
    delete dialog;
}

TEST_F(DiagnosticsDialogTest, RegisterScanFindsTheRangesAndAddsTheirBlocks)
{
    std::vector<BlockDefinition> added;
    auto *dialog = new RegisterScanDialog(nullptr, Panel()->Session(),
                                          [&](const std::vector<BlockDefinition> &blocks) { added = blocks; });
    Type(dialog, RegisterScanDialog::ID_UNIT, "2");
    Type(dialog, RegisterScanDialog::ID_TO, "300");
    ASSERT_TRUE(dialog->StartScan());
    ASSERT_TRUE(WaitUntil([&] { return !dialog->Scanning(); }, std::chrono::seconds(20)));
    const wxArrayString ranges = Lines(dialog, RegisterScanDialog::ID_RANGES);
    ASSERT_EQ(ranges.size(), 4u) << Label(dialog, RegisterScanDialog::ID_STATUS);
    EXPECT_EQ(ranges[0], "0-99 readable");
    EXPECT_EQ(ranges[1], "100-199 refused");
    EXPECT_EQ(ranges[2], "200-231 readable");
    EXPECT_EQ(ranges[3], "232-300 refused");
    EXPECT_TRUE(Label(dialog, RegisterScanDialog::ID_STATUS).EndsWith(" requests"));

    wxWindow *add = dialog->FindWindow(RegisterScanDialog::ID_ADD_TO_MONITOR);
    ASSERT_TRUE(add->IsEnabled());
    wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, RegisterScanDialog::ID_ADD_TO_MONITOR);
    add->GetEventHandler()->ProcessEvent(click);
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(added[0].name, "unit 2 fc3 0-99");
    EXPECT_EQ(added[1].start, 200);
    EXPECT_EQ(added[1].count, 32);
    for (const BlockDefinition &block : added)
        EXPECT_EQ(ValidateBlock(block), "") << block.name;
    delete dialog;
}

TEST_F(DiagnosticsDialogTest, RawFrameShowsTheAnswerInWordsOrWhyNot)
{
    auto *dialog = new RawFrameDialog(nullptr, Panel()->Session(), MB_FRAMING_RTU);
    Type(dialog, RawFrameDialog::ID_FRAME, "zz");
    EXPECT_FALSE(dialog->SendFrame());
    EXPECT_EQ(dialog->AnswerText(), "Failed: raw bytes are pairs of hex digits such as 01 03, not 'zz'");

    Type(dialog, RawFrameDialog::ID_FRAME, "01 03 00 00 00 02");
    ASSERT_TRUE(dialog->SendFrame());
    ASSERT_TRUE(WaitUntil([&] { return !dialog->Waiting(); }));
    const wxString answer = dialog->AnswerText();
    EXPECT_TRUE(answer.Contains("> 01 03 00 00 00 02 C4 0B | unit 1: read holding registers, address 0, count 2"))
        << answer;
    EXPECT_TRUE(answer.Contains("< 01 03 04 12 34 56 78 81 07 | unit 1: read holding registers, address 0, count 2: "
                                "4660 22136"))
        << answer;
    delete dialog;
}

} // namespace
