// The function forms against faults from both sides: a gateway that answers
// garbage, half a frame or nothing, and fields and grid cells holding pasted
// text that the numeric filter would have refused at the keyboard.
#include "tests/modbus_gui/modbus_peers.h"
#include "tests/modbus_gui/panel_driver.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <wx/combobox.h>
#include <wx/grid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

using namespace modbus_gui_test;
using testing_support::Bytes;
using testing_support::Reaction;
using testing_support::WithCrc;

bool Failed(FunctionPanel *form)
{
    return Result(form).rfind("Failed: ", 0) == 0;
}

// A form ready to send one value (1) from address 0, with the answer a good
// gateway gives it and what the form then shows.
struct FormCase {
    int function;
    std::function<Bytes(const Bytes &request)> answer;
    std::string result;
    wxString data; // empty: the form has no data field
};

std::vector<FormCase> FormCases()
{
    auto read = [](std::initializer_list<uint8_t> list) {
        return [data = Bytes(list)](const Bytes &request) { return ReadReply(request, data); };
    };
    return {
        {1, read({0x01}), "Read 1 bits", "[1]"},
        {2, read({0x00}), "Read 1 bits", "[0]"},
        {3, read({0x12, 0x34}), "Read 1 registers", "[4660]"},
        {4, read({0xAB, 0xCD}), "Read 1 registers", "[43981]"},
        {5, WriteEcho, "Sended", ""},
        {6, WriteEcho, "Sended", ""},
        {15, WriteEcho, "Sended", ""},
        {16, WriteEcho, "Sended", ""},
        {17, read({0x01, 0xFF, 'O', 'K'}), (wxString("Slave ID: ") + wxUniChar(0x01) + wxUniChar(0xFF) + "OK").utf8_string(), ""},
        {23, read({0xBE, 0xEF}), "Read 1 bits", "[48879]"},
    };
}

class FormFaultsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ConnectTo(m_gateway.Ip()).message, "Connection successful"); }
    void TearDown() override { Panel()->SetConnectionParameters("not set", "not set"); }

    FunctionPanel *Open(const FormCase &form)
    {
        FunctionPanel *panel = OpenForm(form.function);
        EXPECT_NE(panel, nullptr);
        if (panel != nullptr && panel->AddressField() != nullptr)
            panel->AddressField()->ChangeValue("0");
        if (panel != nullptr && panel->ValueField() != nullptr)
            panel->ValueField()->ChangeValue("1");
        if (panel != nullptr && form.function == 23) {
            panel->ReadAddressField()->ChangeValue("0");
            panel->CountField()->ChangeValue("1");
        }
        if (panel != nullptr && form.function == 15)
            SetCoil(panel->ValuesGrid(), 0, true);
        else if (panel != nullptr && panel->ValuesGrid() != nullptr)
            panel->ValuesGrid()->SetCellValue(0, 0, "1");
        return panel;
    }

    // Sends once with the gateway's good answer and checks what is shown.
    void ExpectGoodAnswerShown(FunctionPanel *panel, const FormCase &form)
    {
        m_gateway.Then(Reaction::Compute([&form](const Bytes &request) { return WithCrc(form.answer(request)); }));
        if (panel->DataField() != nullptr)
            panel->DataField()->ChangeValue("");
        Send(panel);
        EXPECT_EQ(Result(panel), form.result) << "function " << form.function;
        if (panel->DataField() != nullptr) {
            EXPECT_EQ(panel->DataField()->GetValue(), form.data) << "function " << form.function;
        }
    }

    ModbusPortGateway m_gateway;
};

// Random bytes as the answer, short or far beyond a frame, fail the send
// with a reason; the form's next send takes the good answer.
TEST_F(FormFaultsTest, GarbageFailsEveryFormAndTheNextAnswerIsShown)
{
    std::mt19937 random(7);
    for (const FormCase &form : FormCases()) {
        FunctionPanel *panel = Open(form);
        ASSERT_NE(panel, nullptr);
        for (const size_t length : {1, 5, 300}) {
            Bytes garbage(length);
            for (uint8_t &byte : garbage)
                byte = static_cast<uint8_t>(random());
            if (length >= 2 && garbage[1] == form.function)
                garbage[1] ^= 0x40;
            m_gateway.Then(Reaction::Send(garbage));
            Send(panel);
            EXPECT_TRUE(Failed(panel)) << "function " << form.function << ", " << length << " bytes: "
                                       << Result(panel);
            ExpectGoodAnswerShown(panel, form);
        }
    }
}

// Half of a good answer, then nothing: no answer once the wait is over; the
// gateway's silence on the next request fails it too, and its good answer
// after that is shown.
TEST_F(FormFaultsTest, HalfAnswersAndSilenceFailEveryForm)
{
    for (const FormCase &form : FormCases()) {
        FunctionPanel *panel = Open(form);
        ASSERT_NE(panel, nullptr);
        m_gateway.Then(Reaction::Compute([&form](const Bytes &request) {
            const Bytes whole = WithCrc(form.answer(request));
            return Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
        }));
        Send(panel);
        EXPECT_EQ(Result(panel), "Failed: no answer") << "function " << form.function;
        m_gateway.Then(Reaction::Nothing());
        Send(panel);
        EXPECT_EQ(Result(panel), "Failed: no answer") << "function " << form.function;
        ExpectGoodAnswerShown(panel, form);
    }
}

// A gateway that hangs up after half an answer: the form says so, without
// a box; the session connects again by itself, and the same form, its
// fields as they were, gets the next answer.
TEST_F(FormFaultsTest, GatewayClosingMidAnswerFailsTheRequestAndTheFormWorksOn)
{
    const FormCase form = FormCases()[2];
    FunctionPanel *panel = Open(form);
    panel->AddressField()->ChangeValue("9");
    Reaction cut = Reaction::Send(WithCrc({0x01, 0x03, 0x02, 0x12}));
    cut.close = true;
    m_gateway.Then(cut);
    testing_support::ModalRecorder boxes;
    Send(panel);
    EXPECT_EQ(Result(panel), "Failed: connection closed");
    ASSERT_TRUE(testing_support::WaitUntil([&] { return m_gateway.Connections() == 2 && Panel()->IsConnected(); }));
    EXPECT_EQ(m_gateway.Requests().size(), 1U);
    EXPECT_EQ(boxes.Messages(), "");
    EXPECT_EQ(ShownForm(), panel);
    EXPECT_EQ(panel->AddressField()->GetValue(), "9");
    ExpectGoodAnswerShown(panel, form);
}

// Pasted numbers in every field of a form: a plus sign is taken, reading
// stops at the first other character after the digits. A field the request
// needs that is empty or starts with no digit (it would read as 0), an
// address or register value that does not fit its 16-bit field, and a
// quantity the client refuses fail without traffic, naming the field; a unit
// id out of range keeps the previous unit.
TEST_F(FormFaultsTest, PastedNumbersInEveryFieldGoOutAsTypedOrFailWithoutTraffic)
{
    m_gateway.AnswerWith(WriteEcho);
    struct Typed {
        int function;
        const char *slave, *address, *value;
        const char *sent; // the request frame without CRC, or the result line when nothing is sent
    };
    const char *const badAddress = "Failed: address must be 0 to 65535";
    const char *const badValue = "Failed: value must be -32768 to 65535";
    const char *const noAddress = "Failed: address is empty";
    const Typed cases[] = {
        {6, "+5", "+7", "+9", "05 06 00 07 00 09"},
        {6, " 3", "\t12", "-1", "03 06 00 0C FF FF"},
        {6, "3", "65535", "-32768", "03 06 FF FF 80 00"},
        {6, "3", "1e3", "1.5", "03 06 00 01 00 01"},
        {6, "", "4", "5", "Failed: slave ID is empty"}, // would be unit 0, every unit
        {6, "-", "4", "5", "Failed: slave ID is no number"},
        {6, "3", "", "5", noAddress},
        {6, "3", " ", "5", noAddress},
        {6, "3", "abc", "5", "Failed: address is no number"},
        {6, "3", "4", "", "Failed: value is empty"},
        {6, "3", "4", "\xd9\xa3", "Failed: value is no number"}, // an Arabic-Indic three is no digit here
        {6, "3", "4", ".5", "Failed: value is no number"},
        {6, "3", "-1", "5", badAddress},
        {6, "3", "65536", "5", badAddress},
        {6, "3", "99999999999999999999", "5", badAddress},
        {6, "3", "4", "65536", badValue},
        {6, "3", "4", "-32769", badValue},
        {6, "3", "4", "-99999999999999999999", badValue},
        {6, "-1", "4", "5", "03 06 00 04 00 05"},
        {6, "99999999999999999999", "4", "5", "03 06 00 04 00 05"},
        {5, "3", "-1", nullptr, badAddress},
        {5, "3", "", nullptr, noAddress}, // would switch coil 0
        {15, "3", "99999999999999999999", nullptr, badAddress},
        {15, "3", "", nullptr, noAddress},
        {16, "3", "70000", nullptr, badAddress},
        {16, "3", "", nullptr, noAddress},
        {17, "", nullptr, nullptr, "Failed: slave ID is empty"},
    };
    for (const Typed &typed : cases) {
        FunctionPanel *panel = OpenForm(typed.function);
        ASSERT_NE(panel, nullptr);
        panel->SlaveIdField()->ChangeValue(wxString::FromUTF8(typed.slave));
        if (typed.address != nullptr)
            panel->AddressField()->ChangeValue(wxString::FromUTF8(typed.address));
        if (typed.value != nullptr)
            panel->ValueField()->ChangeValue(wxString::FromUTF8(typed.value));
        if (panel->ValuesGrid() != nullptr)
            panel->ValuesGrid()->SetCellValue(0, 0, "1");
        const size_t before = m_gateway.Requests().size();
        Send(panel);
        const std::string what = std::string(typed.slave) + " / " + (typed.address ? typed.address : "") + " / " +
                                 (typed.value ? typed.value : "");
        if (std::string(typed.sent).rfind("Failed", 0) == 0) {
            EXPECT_EQ(Result(panel), typed.sent) << what;
            EXPECT_EQ(m_gateway.Requests().size(), before) << what;
            continue;
        }
        EXPECT_EQ(Result(panel), "Sended") << what;
        ASSERT_TRUE(m_gateway.WaitForRequests(before + 1)) << what;
        EXPECT_EQ(m_gateway.RequestsSeen().back(), typed.sent) << what;
    }

    // Quantities: a sign, nothing, or more than any limit.
    m_gateway.AnswerWith([](const Bytes &request) { return ReadReply(request, {0x00, 0x07}); });
    FunctionPanel *panel = OpenForm(3);
    panel->SlaveIdField()->ChangeValue("1");
    panel->AddressField()->ChangeValue("0");
    for (const char *quantity : {"-1", "-99999999999999999999", "99999999999999999999", "126"}) {
        const size_t before = m_gateway.Requests().size();
        panel->CountField()->ChangeValue(quantity);
        Send(panel);
        EXPECT_EQ(Result(panel), "Failed: quantity must be 1 to 125") << quantity;
        EXPECT_EQ(m_gateway.Requests().size(), before) << quantity;
    }
    panel->CountField()->ChangeValue("");
    Send(panel);
    EXPECT_EQ(Result(panel), "Failed: quantity is empty");
    panel->CountField()->ChangeValue("1");
    panel->AddressField()->ChangeValue("");
    Send(panel);
    EXPECT_EQ(Result(panel), noAddress) << "a read needs its address too";
    panel->AddressField()->ChangeValue("0");
    panel->CountField()->ChangeValue("+1");
    Send(panel);
    EXPECT_EQ(Result(panel), "Read 1 registers");
    EXPECT_EQ(m_gateway.RequestsSeen().back(), "01 03 00 00 00 01");

    panel = OpenForm(23);
    const std::pair<const char *, const char *> fields23[] = {
        {"", "Failed: write address is empty"},
        {"0", "Failed: read address is empty"},
    };
    for (const auto &[writeAddress, result] : fields23) {
        panel->AddressField()->ChangeValue(writeAddress);
        Send(panel);
        EXPECT_EQ(Result(panel), result);
    }
    panel->ReadAddressField()->ChangeValue("-5");
    Send(panel);
    EXPECT_EQ(Result(panel), "Failed: read address must be 0 to 65535");
    panel->ReadAddressField()->ChangeValue("+5");
    Send(panel);
    EXPECT_EQ(Result(panel), "Failed: quantity is empty") << "N. Bit starts empty";
    panel->CountField()->ChangeValue("1");
    panel->AddressField()->ChangeValue("65536");
    Send(panel);
    EXPECT_EQ(Result(panel), "Failed: write address must be 0 to 65535");
    EXPECT_EQ(m_gateway.RequestsSeen().back(), "01 03 00 00 00 01") << "nothing sent";
}

// Grid cells hold whatever was pasted: each is read as a number and cut to
// its element (16 bits for registers, 8 for coils, non-zero is on).
TEST_F(FormFaultsTest, PastedGridCellsAreCutToTheirElement)
{
    m_gateway.AnswerWith(WriteEcho);
    FunctionPanel *panel = OpenForm(16);
    panel->AddressField()->ChangeValue("0");
    const char *cells[10] = {"-1", "+5", "-0", "abc", "99999999999999999999", "70000", " 12", "1e3", "-32768", "\t7"};
    for (int row = 0; row < 10; ++row)
        panel->ValuesGrid()->SetCellValue(row, 0, wxString::FromUTF8(cells[row]));
    Send(panel);
    EXPECT_EQ(Result(panel), "Sended");
    ASSERT_TRUE(m_gateway.WaitForRequests(1));
    EXPECT_EQ(m_gateway.RequestsSeen().back(),
              "01 10 00 00 00 0A 14 FF FF 00 05 00 00 00 00 FF FF 11 70 00 0C 00 01 80 00 00 07");

    panel = OpenForm(15);
    panel->AddressField()->ChangeValue("0");
    const char *coils[10] = {"1", "256", "-1", "abc", "", "+2", "99999999999999999999", "0", "1e3", "\xe2\x9c\x93"};
    for (int row = 0; row < 10; ++row)
        panel->ValuesGrid()->SetCellValue(row, 0, wxString::FromUTF8(coils[row]));
    // As if the user had changed the last cell.
    wxGridEvent changed(panel->ValuesGrid()->GetId(), wxEVT_GRID_CELL_CHANGED, panel->ValuesGrid(), 9, 0);
    panel->ValuesGrid()->GetEventHandler()->ProcessEvent(changed);
    Send(panel);
    EXPECT_EQ(Result(panel), "Sended");
    ASSERT_TRUE(m_gateway.WaitForRequests(2));
    // On: rows 0, 2, 5, 6 and 8.
    EXPECT_EQ(m_gateway.RequestsSeen().back(), "01 0F 00 00 00 0A 02 65 01");
}

} // namespace
