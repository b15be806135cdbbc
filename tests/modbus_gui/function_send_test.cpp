// Each form's request against a scripted gateway (exact frames, odd answers)
// and against Debian's pymodbus server (real round trips).
#include "tests/modbus_gui/modbus_peers.h"
#include "tests/modbus_gui/panel_driver.h"

#include <algorithm>
#include "library/modbus_lib/modbus_values.h"

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/grid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <atomic>
#include <cstring>
#include <functional>

namespace {

using namespace modbus_gui_test;
using testing_support::Bytes;

std::string Data(FunctionPanel *form)
{
    return form->DataField()->GetValue().ToStdString();
}

// Answers every read with `data`.
ModbusPortGateway::Make ReadAnswer(const Bytes &data)
{
    return [data](const Bytes &request) { return ReadReply(request, data); };
}

std::string Repeat(const std::string &text, int times)
{
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

class FunctionSendTest : public ::testing::Test {
protected:
    void TearDown() override { Panel()->SetConnectionParameters("not set", "not set"); }

    FunctionPanel *Open(int functionCode, ModbusPortGateway::Make answer)
    {
        m_gateway.AnswerWith(std::move(answer));
        ConnectTo(m_gateway.Ip());
        FunctionPanel *form = OpenForm(functionCode);
        EXPECT_NE(form, nullptr);
        return form;
    }

    ModbusPortGateway m_gateway;
};

TEST_F(FunctionSendTest, CoilReadsAppendToTheDataField)
{
    FunctionPanel *form = Open(1, ReadAnswer({0x05}));
    form->AddressField()->ChangeValue("19");
    form->CountField()->ChangeValue("3");
    Send(form);
    EXPECT_EQ(Result(form), "Read 3 bits");
    EXPECT_EQ(Data(form), "[1][0][1]");
    // The click stays with the form: had it reached the panel's function
    // buttons' handler, the form would have been replaced under its own feet.
    EXPECT_EQ(ShownForm(), form);
    Send(form);
    EXPECT_EQ(Result(form), "Read 3 bits");
    EXPECT_EQ(Data(form), "[1][0][1][1][0][1]");
    EXPECT_EQ(m_gateway.RequestsSeen(), std::vector<std::string>(2, "01 01 00 13 00 03"));

    // A failure keeps what the field holds; the table, which shows the one
    // answer, holds none.
    m_gateway.AnswerNothing();
    Send(form);
    EXPECT_EQ(Result(form), "Failed: no answer");
    EXPECT_EQ(Data(form), "[1][0][1][1][0][1]");
    EXPECT_EQ(form->Table()->GetNumberRows(), 0);
}

// The client accepts 2000 bits; every one of them must find room.
TEST_F(FunctionSendTest, TwoThousandBitsAreAllShown)
{
    FunctionPanel *form = Open(1, ReadAnswer(Bytes(250, 0xFF)));
    form->AddressField()->ChangeValue("0");
    form->CountField()->ChangeValue("2000");
    Send(form);
    EXPECT_EQ(Result(form), "Read 2000 bits");
    EXPECT_EQ(Data(form), Repeat("[1]", 2000));
    // The table has a row for each, addresses from the first one on.
    ASSERT_EQ(form->Table()->GetNumberRows(), 2000);
    EXPECT_EQ(form->Table()->GetCellValue(1999, 0), "1999");
    EXPECT_EQ(form->Table()->GetCellValue(1999, 1), "1");

    form->CountField()->ChangeValue("2001");
    Send(form);
    EXPECT_EQ(Result(form), "Failed: quantity must be 1 to 2000");
    EXPECT_EQ(m_gateway.Requests().size(), 1u);
}

TEST_F(FunctionSendTest, RegisterReadsShowTheChosenFormat)
{
    std::atomic<uint16_t> value{0x1234};
    FunctionPanel *form = Open(3, [&value](const Bytes &request) {
        return Bytes{request[0], request[1], 2, static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xFF)};
    });
    form->AddressField()->ChangeValue("4");
    const std::pair<int, const char *> shown[] = {{0, "[52]"},   {1, "[52]"},     {2, "[4660]"},       {3, "[4660]"},
                                                  {4, "[1234]"}, {5, "00110100"}, {6, "1001000110100"}};
    for (const auto &[format, text] : shown) {
        form->FormatChoice()->SetSelection(format);
        Send(form);
        EXPECT_EQ(Result(form), "Read 1 registers") << format;
        EXPECT_EQ(Data(form), text) << format;
        // The table holds the same value without brackets, by its address.
        EXPECT_EQ(form->Table()->GetCellValue(0, 0), "4");
        const std::string cell = text[0] == '[' ? std::string(text + 1, std::strlen(text) - 2) : text;
        EXPECT_EQ(form->Table()->GetCellValue(0, 1), cell) << format;
    }
    EXPECT_EQ(m_gateway.RequestsSeen().back(), "01 03 00 04 00 01");

    value = 5;
    form->FormatChoice()->SetSelection(6);
    Send(form);
    EXPECT_EQ(Data(form), "00000101");

    value = 0xFFFF;
    for (const int format : {1, 3}) {
        form->FormatChoice()->SetSelection(format);
        Send(form);
        EXPECT_EQ(Data(form), "[-1]") << format;
    }

    // Another format shows the answer held in the field and the table alike.
    ChooseFormat(form, FORMAT_HEX);
    EXPECT_EQ(Data(form), "[ffff]");
    EXPECT_EQ(form->Table()->GetCellValue(0, 1), "ffff");
    EXPECT_EQ(m_gateway.Requests().size(), 10u) << "without another read";

    // A failed read leaves the field and the table cleared.
    m_gateway.AnswerNothing();
    Send(form);
    EXPECT_EQ(Result(form), "Failed: no answer");
    EXPECT_EQ(Data(form), "");
    EXPECT_EQ(form->Table()->GetNumberRows(), 0);
}

TEST_F(FunctionSendTest, InputsReadWithTheirOwnFunctions)
{
    FunctionPanel *form = Open(2, ReadAnswer({0xCA, 0x01}));
    form->SlaveIdField()->ChangeValue("17");
    form->AddressField()->ChangeValue("256");
    form->CountField()->ChangeValue("9");
    Send(form);
    EXPECT_EQ(Result(form), "Read 9 bits");
    EXPECT_EQ(Data(form), "[0][1][0][1][0][0][1][1][1]");

    m_gateway.AnswerWith(ReadAnswer({0x00, 0x0B, 0x80, 0x00}));
    form = OpenForm(4);
    form->AddressField()->ChangeValue("65535");
    form->CountField()->ChangeValue("2");
    form->FormatChoice()->SetSelection(2);
    Send(form);
    EXPECT_EQ(Result(form), "Read 2 registers");
    EXPECT_EQ(Data(form), "[11][32768]");
    EXPECT_EQ(m_gateway.RequestsSeen(), (std::vector<std::string>{"11 02 01 00 00 09", "01 04 FF FF 00 02"}));
}

TEST_F(FunctionSendTest, WritesSaySendedOrFailed)
{
    FunctionPanel *form = Open(5, WriteEcho);
    form->AddressField()->ChangeValue("10");
    form->CoilStateChoice()->SetSelection(1);
    Send(form);
    EXPECT_EQ(Result(form), "Sended");
    form->CoilStateChoice()->SetSelection(0);
    Send(form);

    form = OpenForm(6);
    form->AddressField()->ChangeValue("7");
    form->ValueField()->ChangeValue("4660");
    Send(form);
    EXPECT_EQ(Result(form), "Sended");

    EXPECT_EQ(m_gateway.RequestsSeen(),
              (std::vector<std::string>{"01 05 00 0A FF 00", "01 05 00 0A 00 00", "01 06 00 07 12 34"}));

    m_gateway.AnswerNothing();
    Send(form);
    EXPECT_EQ(Result(form), "Failed: no answer");
}

// The grids write only what the user set: registers up to the last filled
// cell, coils up to the last one changed (also when ticked and unticked
// again); a gap or an untouched grid sends nothing.
TEST_F(FunctionSendTest, GridsWriteOnlyTheValuesSet)
{
    FunctionPanel *form = Open(15, WriteEcho);
    form->AddressField()->ChangeValue("32");
    Send(form);
    EXPECT_EQ(Result(form), "Failed: no values set");
    SetCoil(form->ValuesGrid(), 0, true);
    SetCoil(form->ValuesGrid(), 2, true);
    Send(form);
    EXPECT_EQ(Result(form), "Sended");
    SetCoil(form->ValuesGrid(), 4, true);
    SetCoil(form->ValuesGrid(), 4, false);
    Send(form);

    form = OpenForm(16);
    form->AddressField()->ChangeValue("20");
    Send(form);
    EXPECT_EQ(Result(form), "Failed: no values set");
    form->ValuesGrid()->SetCellValue(0, 0, "300");
    form->ValuesGrid()->SetCellValue(1, 0, "70000"); // cut to 16 bits
    Send(form);
    EXPECT_EQ(Result(form), "Sended");
    form->ValuesGrid()->SetCellValue(3, 0, "4");
    Send(form);
    EXPECT_EQ(Result(form), "Failed: row 3 is empty");

    EXPECT_EQ(m_gateway.RequestsSeen(), (std::vector<std::string>{"01 0F 00 20 00 03 01 05", "01 0F 00 20 00 05 01 05",
                                                                  "01 10 00 14 00 02 04 01 2C 11 70"}));
}

// A value still in the cell editor, not confirmed with Enter, is the one the
// user sees: it is the one sent.
TEST_F(FunctionSendTest, GridValueBeingTypedIsSent)
{
    FunctionPanel *form = Open(16, WriteEcho);
    form->AddressField()->ChangeValue("0");
    const auto typeInto = [](wxGrid *grid, int row, const std::function<void(wxControl *)> &type) {
        grid->SetGridCursor(row, 0);
        grid->EnableCellEditControl();
        wxGridCellEditor *editor = grid->GetCellEditor(row, 0);
        type(editor->GetControl());
        editor->DecRef();
    };
    typeInto(form->ValuesGrid(), 0, [](wxControl *control) { static_cast<wxTextCtrl *>(control)->ChangeValue("123"); });
    Send(form);
    EXPECT_EQ(Result(form), "Sended");

    form = OpenForm(15);
    form->AddressField()->ChangeValue("0");
    typeInto(form->ValuesGrid(), 0, [](wxControl *control) { static_cast<wxCheckBox *>(control)->SetValue(true); });
    Send(form);
    EXPECT_EQ(m_gateway.RequestsSeen(), (std::vector<std::string>{"01 10 00 00 00 01 02 00 7B", "01 0F 00 00 00 01 01 01"}));
}

TEST_F(FunctionSendTest, SlaveIdAnswerShowsEveryByteButZero)
{
    FunctionPanel *form = Open(17, ReadAnswer({0x01, 0xFF, 'A', '&', 0x00, 'B', 0xE9}));
    Send(form);
    EXPECT_EQ(m_gateway.RequestsSeen(), std::vector<std::string>{"01 11"});
    const wxString expected = wxString("Slave ID: ") + wxUniChar(0x01) + wxUniChar(0xFF) + "A&B" + wxUniChar(0xE9);
    EXPECT_EQ(form->ResultLabel()->GetLabelText(), expected);

    m_gateway.AnswerWith(ReadAnswer({0x01}));
    Send(form);
    EXPECT_EQ(Result(form), "Failed: Invalid data");
}

TEST_F(FunctionSendTest, WriteAndReadShowsDecimalRegisters)
{
    FunctionPanel *form = Open(23, ReadAnswer({0x00, 0x0A, 0xFF, 0xFF}));
    form->DataField()->ChangeValue("old");
    form->AddressField()->ChangeValue("5");
    form->ReadAddressField()->ChangeValue("1");
    form->CountField()->ChangeValue("2");
    form->ValuesGrid()->SetCellValue(0, 0, "10");
    Send(form);
    EXPECT_EQ(Result(form), "Read 2 bits");
    EXPECT_EQ(Data(form), "[10][65535]");
    EXPECT_EQ(m_gateway.RequestsSeen(), std::vector<std::string>{"01 17 00 01 00 02 00 05 00 01 02 00 0A"});

    // Reading nothing, or writing nothing, is no request: it fails without traffic.
    using Refusal = std::pair<const char *, const char *>;
    for (const auto &[count, result] :
         {Refusal("", "Failed: quantity is empty"), Refusal("0", "Failed: quantity must be 1 to 125")}) {
        form->CountField()->ChangeValue(count);
        Send(form);
        EXPECT_EQ(Result(form), result) << count;
    }
    form->CountField()->ChangeValue("2");
    form->ValuesGrid()->SetCellValue(0, 0, "");
    Send(form);
    EXPECT_EQ(Result(form), "Failed: no values set");
    EXPECT_EQ(m_gateway.RequestsSeen().size(), 1U);

    form->ValuesGrid()->SetCellValue(0, 0, "10");
    m_gateway.AnswerNothing();
    Send(form);
    EXPECT_EQ(Result(form), "Failed: no answer");
    EXPECT_EQ(Data(form), "");
}

TEST_F(FunctionSendTest, RefusedSlaveIdKeepsThePreviousUnit)
{
    FunctionPanel *form = Open(6, WriteEcho);
    form->AddressField()->ChangeValue("1");
    form->ValueField()->ChangeValue("2");
    for (const char *unit : {"7", "300", "4294967303" /* 2^32 + 7: out of range, not 7 */, "9"}) {
        form->SlaveIdField()->ChangeValue(unit);
        Send(form);
    }
    std::vector<int> units;
    for (const Bytes &frame : m_gateway.Requests())
        units.push_back(frame[0]);
    EXPECT_EQ(units, (std::vector<int>{7, 7, 7, 9}));
}

class PymodbusRoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.Ready()) << "pymodbus server did not start";
        ASSERT_EQ(ConnectTo(m_server.Ip()).message, "Connection successful");
    }
    void TearDown() override { Panel()->SetConnectionParameters("not set", "not set"); }

    // Opens the form of a read function, asks for `count` values from
    // `address` and sends; returns the form with the outcome.
    FunctionPanel *Read(int functionCode, int address, int count, int format = FORMAT_DECIMAL_U16)
    {
        FunctionPanel *form = OpenForm(functionCode);
        form->AddressField()->ChangeValue(std::to_string(address));
        form->CountField()->ChangeValue(std::to_string(count));
        if (form->FormatChoice() != nullptr)
            form->FormatChoice()->SetSelection(format);
        Send(form);
        return form;
    }

    PymodbusServer m_server;
};

TEST_F(PymodbusRoundTrip, ReadsEveryKindOfData)
{
    EXPECT_EQ(Data(Read(1, 0, 7)), "[1][0][0][1][0][0][1]");

    FunctionPanel *form = Read(2, 0, 6);
    EXPECT_EQ(Result(form), "Read 6 bits");
    EXPECT_EQ(Data(form), "[0][1][1][0][0][0]");

    form = Read(3, 0, 2, FORMAT_HEX);
    EXPECT_EQ(Result(form), "Read 2 registers");
    EXPECT_EQ(Data(form), "[1234][5678]");

    form = Read(4, 1, 3, FORMAT_DECIMAL_U8);
    EXPECT_EQ(Result(form), "Read 3 registers");
    EXPECT_EQ(Data(form), "[22][234][235]"); // 1002 and 1003 in their low bytes

    form = OpenForm(17);
    Send(form);
    // The server's identity text, then its run indicator (0xFF).
    EXPECT_EQ(Result(form), "Slave ID: Pymodbus\u00FF");
}

TEST_F(PymodbusRoundTrip, WritesAreReadBack)
{
    FunctionPanel *form = OpenForm(5);
    form->AddressField()->ChangeValue("1");
    form->CoilStateChoice()->SetSelection(1);
    Send(form);
    EXPECT_EQ(Result(form), "Sended");
    EXPECT_EQ(Data(Read(1, 0, 3)), "[1][1][0]");

    form = OpenForm(6);
    form->AddressField()->ChangeValue("10");
    form->ValueField()->ChangeValue("777");
    Send(form);
    EXPECT_EQ(Result(form), "Sended");
    EXPECT_EQ(Data(Read(3, 10, 1)), "[777]");

    // Coils 40 to 47 and registers 50 to 51 are written; the server's
    // store (coils on at multiples of 3, registers 0x0101 * address) shows
    // those after them untouched.
    form = OpenForm(15);
    form->AddressField()->ChangeValue("40");
    for (const int row : {1, 2, 7})
        SetCoil(form->ValuesGrid(), row, true);
    Send(form);
    EXPECT_EQ(Result(form), "Sended");
    EXPECT_EQ(Data(Read(1, 40, 10)), "[0][1][1][0][0][0][0][1][1][0]");

    form = OpenForm(16);
    form->AddressField()->ChangeValue("50");
    form->ValuesGrid()->SetCellValue(0, 0, "4660");
    form->ValuesGrid()->SetCellValue(1, 0, "-1");
    Send(form);
    EXPECT_EQ(Result(form), "Sended");
    EXPECT_EQ(Data(Read(3, 50, 3)), "[4660][65535][13364]");

    form = OpenForm(23);
    form->AddressField()->ChangeValue("60");
    form->ReadAddressField()->ChangeValue("59");
    form->CountField()->ChangeValue("4");
    form->ValuesGrid()->SetCellValue(0, 0, "11");
    form->ValuesGrid()->SetCellValue(1, 0, "12");
    Send(form);
    EXPECT_EQ(Result(form), "Read 4 bits");
    EXPECT_EQ(Data(form), "[15163][11][12][15934]"); // 59 and 62 untouched
}

// 32- and 64-bit values written with function 16 read back in the same
// order, and in another order as the words and bytes say.
TEST_F(PymodbusRoundTrip, WideValuesInTheFourOrders)
{
    FunctionPanel *form = OpenForm(16);
    form->AddressField()->ChangeValue("70");
    const auto writeAs = [&form](int choice, std::vector<const char *> cells) {
        form->WriteFormatChoice()->SetSelection(choice);
        wxCommandEvent chosen(wxEVT_COMBOBOX, form->WriteFormatChoice()->GetId());
        form->WriteFormatChoice()->GetEventHandler()->ProcessEvent(chosen);
        for (int row = 0; row < 10; ++row)
            form->ValuesGrid()->SetCellValue(row, 0, row < static_cast<int>(cells.size()) ? cells[row] : "");
        Send(form);
    };
    const int floatCdab = 1 + 8 + MB_ORDER_CDAB;
    writeAs(floatCdab, {"3.5", "-0.25"});
    EXPECT_EQ(Result(form), "Sended");
    // The grid's editor takes text for floats.
    EXPECT_NE(dynamic_cast<wxGridCellTextEditor *>(form->ValuesGrid()->GetCellEditor(0, 0)), nullptr);
    form->ValuesGrid()->GetCellEditor(0, 0)->DecRef();

    form = Read(3, 70, 4, FORMAT_COUNT + 8 + MB_ORDER_CDAB);
    EXPECT_EQ(Data(form), "[3.5][-0.25]");
    EXPECT_EQ(form->Table()->GetCellValue(1, 0), "72");
    EXPECT_EQ(form->Table()->GetCellValue(1, 1), "-0.25");
    form = Read(3, 70, 4, FORMAT_HEX);
    EXPECT_EQ(Data(form), "[0][4060][0][be80]");

    form = OpenForm(16);
    form->AddressField()->ChangeValue("70");
    const int s32Badc = 1 + 4 + MB_ORDER_BADC;
    writeAs(s32Badc, {"-2", "x"});
    EXPECT_EQ(Result(form), "Failed: row 2 is no number");
    writeAs(s32Badc, {"-2", "305419896"});
    EXPECT_EQ(Result(form), "Sended");
    form = Read(3, 70, 4, FORMAT_COUNT + 4 + MB_ORDER_BADC);
    EXPECT_EQ(Data(form), "[-2][305419896]");
    form = Read(3, 70, 4, FORMAT_COUNT + MB_ORDER_DCBA);
    EXPECT_EQ(Data(form), "[4294901759][1450709556]"); // the same bytes read in DCBA

    // A count that splits a pair sends nothing.
    form = Read(3, 70, 3, FORMAT_COUNT + MB_ORDER_ABCD);
    EXPECT_EQ(Result(form), "Failed: a 32-bit format needs an even count");
    EXPECT_EQ(Data(form), "");

    // 64-bit values, four registers each, after the 32-bit formats.
    form = OpenForm(16);
    form->AddressField()->ChangeValue("80");
    writeAs(1 + 20 + MB_ORDER_GHEFCDAB, {"-2.5", "1e300"});
    EXPECT_EQ(Result(form), "Sended");
    form = Read(3, 80, 8, FORMAT_COUNT + 20 + MB_ORDER_GHEFCDAB);
    EXPECT_EQ(Data(form), "[-2.5][1e+300]");
    EXPECT_EQ(form->Table()->GetCellValue(1, 0), "84");
    form = Read(3, 80, 4, FORMAT_COUNT + 12 + MB_ORDER_HGFEDCBA);
    EXPECT_EQ(Data(form), "[342273571680157696]") << "-2.5's bytes read in the other order";
    form = Read(3, 80, 6, FORMAT_COUNT + 16 + MB_ORDER_ABCDEFGH);
    EXPECT_EQ(Result(form), "Failed: a 64-bit format needs a count divisible by 4");
}

TEST_F(PymodbusRoundTrip, AnUnknownUnitFails)
{
    FunctionPanel *form = OpenForm(3);
    form->AddressField()->ChangeValue("0");
    form->SlaveIdField()->ChangeValue("2");
    Send(form);
    EXPECT_EQ(Result(form), "Failed: no answer");
}

} // namespace
