// Polling from a read form, its table and the traffic view, against a
// scripted gateway and Debian's pymodbus server.
#include "library/modbus_lib/modbus_values.h"
#include "modbus/poll_worker.h"
#include "modbus/traffic_recorder.h"
#include "modbus/traffic_window.h"
#include "tests/modbus_gui/modbus_peers.h"
#include "tests/modbus_gui/panel_driver.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <regex>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/clipbrd.h>
#include <wx/combobox.h>
#include <wx/grid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

using namespace modbus_gui_test;
using testing_support::Bytes;
using testing_support::Millis;
using testing_support::PumpEvents;
using testing_support::Reaction;
using testing_support::WaitUntil;

std::string Text(const wxWindow *window)
{
    return window->GetLabel().utf8_string();
}

std::vector<std::string> TableColumn(FunctionPanel *form, int column)
{
    std::vector<std::string> cells;
    for (int row = 0; row < form->m_tableGrid->GetNumberRows(); ++row)
        cells.push_back(form->m_tableGrid->GetCellValue(row, column).utf8_string());
    return cells;
}

// The requests and failures the form counts: "12 sent, 1 failed".
std::pair<long, long> Counts(FunctionPanel *form)
{
    long sent = 0;
    long failed = 0;
    if (std::sscanf(Text(form->m_pollCountsLabel).c_str(), "%ld sent, %ld failed", &sent, &failed) != 2)
        return {-1, -1};
    return {sent, failed};
}

void ClickEnabled(wxButton *button)
{
    ASSERT_TRUE(button->IsEnabled()) << Text(button);
    Click(button);
}

bool PollEnded(FunctionPanel *form)
{
    return !Panel()->Polling() && form->m_sendButton->IsEnabled() && form->m_pollStartButton->IsEnabled();
}

class PollTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ConnectTo(m_gateway.Ip()).message, "Connection successful"); }
    void TearDown() override { Panel()->SetConnectionParameters("not set", "not set"); }

    // The form of function 3 asking for 2 registers from 6, polling every 10 ms.
    FunctionPanel *OpenPolling()
    {
        FunctionPanel *form = OpenForm(3);
        form->m_addressText->ChangeValue("6");
        form->m_countText->ChangeValue("2");
        form->m_formatCombo->SetSelection(FORMAT_HEX);
        form->m_pollPeriodText->ChangeValue("10");
        return form;
    }

    ModbusPortGateway m_gateway;
};

TEST_F(PollTest, AnswersRefreshInPlaceUntilStopped)
{
    m_gateway.AnswerWith([](const Bytes &request) { return ReadReply(request, {0x12, 0x34, 0xAB, 0xCD}); });
    FunctionPanel *form = OpenPolling();
    ClickEnabled(form->m_pollStartButton);
    EXPECT_FALSE(form->m_sendButton->IsEnabled());
    EXPECT_FALSE(form->m_pollStartButton->IsEnabled());
    ASSERT_TRUE(WaitUntil([&] { return Counts(form).first >= 3; }))
        << Text(form->m_pollCountsLabel);
    // The newest answer in place, not one after the other.
    EXPECT_EQ(Result(form), "Read 2 registers");
    EXPECT_EQ(form->m_dataText->GetValue(), "[1234][abcd]");
    EXPECT_EQ(TableColumn(form, 0), (std::vector<std::string>{"6", "7"}));
    EXPECT_EQ(TableColumn(form, 1), (std::vector<std::string>{"1234", "abcd"}));
    EXPECT_TRUE(std::regex_match(Text(form->m_pollTimeLabel), std::regex(R"(\d\d:\d\d:\d\d\.\d\d\d)")))
        << Text(form->m_pollTimeLabel);
    // The data field and the table follow the format at once.
    ChooseFormat(form, FORMAT_DECIMAL_S16);
    EXPECT_EQ(TableColumn(form, 1), (std::vector<std::string>{"4660", "-21555"}));
    EXPECT_EQ(form->m_dataText->GetValue(), "[4660][-21555]");
    // A failed read leaves neither showing the older answer as current; the
    // time of the last answer stays.
    const std::string lastAnswer = Text(form->m_pollTimeLabel);
    m_gateway.AnswerNothing();
    ASSERT_TRUE(WaitUntil([&] { return Result(form) == "Failed: no answer"; }));
    EXPECT_EQ(form->m_tableGrid->GetNumberRows(), 0);
    EXPECT_EQ(form->m_dataText->GetValue(), "");
    EXPECT_EQ(Text(form->m_pollTimeLabel), lastAnswer);
    m_gateway.AnswerWith([](const Bytes &request) { return ReadReply(request, {0x12, 0x34, 0xAB, 0xCD}); });

    // A Send while the worker has the connection would be a second request
    // on it: refused.
    Panel()->OnFunctionChosen(*std::make_unique<wxCommandEvent>(wxEVT_BUTTON, 1003));
    FunctionPanel *other = ShownForm();
    other->m_addressText->ChangeValue("0");
    // (the new form's poll run was stopped with the old form; its end may
    // still be on its way)
    if (Panel()->Polling()) {
        Send(other);
        EXPECT_EQ(Result(other), "Failed: polling runs");
    }
    ASSERT_TRUE(WaitUntil([&] { return PollEnded(other); }));
    const size_t requests = m_gateway.Requests().size();
    PumpEvents(Millis(100));
    EXPECT_EQ(m_gateway.Requests().size(), requests) << "requests after the stop";
    for (const std::string &seen : m_gateway.RequestsSeen())
        EXPECT_EQ(seen, "01 03 00 06 00 02");

    // Stop on a living run; then a Send works as ever.
    form = OpenPolling();
    ClickEnabled(form->m_pollStartButton);
    ASSERT_TRUE(WaitUntil([&] { return !Text(form->m_pollCountsLabel).empty(); }));
    ClickEnabled(form->m_pollStopButton);
    EXPECT_FALSE(form->m_pollStopButton->IsEnabled());
    ASSERT_TRUE(WaitUntil([&] { return PollEnded(form); }));
    form->m_dataText->ChangeValue("");
    Send(form);
    EXPECT_EQ(form->m_dataText->GetValue(), "[1234][abcd]");
}

// A gateway that never answers: the window goes on while the worker waits,
// counts the failures, and stops or disconnects at once.
TEST_F(PollTest, SilentGatewayNeverHoldsTheWindow)
{
    m_gateway.AnswerNothing();
    FunctionPanel *form = OpenPolling();
    ClickEnabled(form->m_pollStartButton);
    // The request is on its way and the window handles events meanwhile.
    ASSERT_TRUE(WaitUntil([&] { return !m_gateway.Requests().empty(); }));
    EXPECT_EQ(Result(form), "");
    ASSERT_TRUE(WaitUntil([&] { return Text(form->m_pollCountsLabel) == "1 sent, 1 failed"; }))
        << Text(form->m_pollCountsLabel);
    EXPECT_EQ(Result(form), "Failed: no answer");
    EXPECT_EQ(Text(form->m_pollTimeLabel), "");

    // Disconnecting while a request waits gives the connection up to the
    // worker; a reconnect makes a new one, on which the form sends again.
    ASSERT_TRUE(WaitUntil([&] { return m_gateway.Requests().size() >= 2; }));
    Click(Panel()->m_connectButton);
    EXPECT_FALSE(Panel()->m_connected);
    EXPECT_TRUE(PollEnded(form));
    Send(form);
    EXPECT_EQ(Result(form), "Failed: not connected");
    m_gateway.AnswerWith([](const Bytes &request) { return ReadReply(request, {0x00, 0x07, 0x00, 0x08}); });
    testing_support::ModalRecorder boxes;
    Click(Panel()->m_connectButton);
    ASSERT_TRUE(Panel()->m_connected) << boxes.Messages();
    Send(form);
    EXPECT_EQ(form->m_dataText->GetValue(), "[7][8]");
}

TEST_F(PollTest, ALostConnectionEndsThePollAndShowsDisconnected)
{
    m_gateway.SetDefault(Reaction::Close());
    FunctionPanel *form = OpenPolling();
    ClickEnabled(form->m_pollStartButton);
    ASSERT_TRUE(WaitUntil([&] { return !Panel()->m_connected; }));
    EXPECT_TRUE(PollEnded(form));
    EXPECT_EQ(Result(form), "Failed: connection closed");
}

TEST_F(PollTest, BadFieldsAndPeriodsAreRefused)
{
    FunctionPanel *form = OpenPolling();
    for (const char *period : {"9", "86400001", ""}) {
        form->m_pollPeriodText->ChangeValue(period);
        Click(form->m_pollStartButton);
        EXPECT_EQ(Result(form), "Failed: period must be 10 to 86400000") << period;
    }
    form->m_pollPeriodText->ChangeValue("10");
    form->m_countText->ChangeValue("126");
    Click(form->m_pollStartButton);
    EXPECT_EQ(Result(form), "Failed: quantity must be 1 to 125");
    EXPECT_FALSE(Panel()->Polling());
    EXPECT_TRUE(m_gateway.Requests().empty());
}

// The view lists each frame in hex with its time and each outcome; a
// request the form refused adds nothing.
TEST_F(PollTest, TrafficViewListsFramesAndOutcomes)
{
    m_gateway.AnswerWith([](const Bytes &request) { return ReadReply(request, {0x12, 0x34}); });
    wxCheckBox *show = Panel()->m_trafficCheck;
    show->SetValue(true);
    wxCommandEvent ticked(wxEVT_CHECKBOX, show->GetId());
    ticked.SetInt(1);
    ticked.SetEventObject(show);
    show->GetEventHandler()->ProcessEvent(ticked);
    ASSERT_NE(Panel()->m_trafficWindow, nullptr);
    EXPECT_TRUE(Panel()->m_trafficWindow->IsShown());
    Panel()->m_trafficWindow->m_view->Clear();

    FunctionPanel *form = OpenForm(3);
    form->m_addressText->ChangeValue("0");
    form->m_countText->ChangeValue("0");
    Send(form);
    form->m_countText->ChangeValue("1");
    Send(form);
    m_gateway.AnswerNothing();
    Send(form);
    const std::string time = R"(\d\d:\d\d:\d\d\.\d\d\d )";
    const std::regex expected(time + "> 01 03 00 00 00 01 84 0A\n" + time + "< 01 03 02 12 34 B5 33\n" + time +
                              "= Read 1 registers\n" + time + "> 01 03 00 00 00 01 84 0A\n" + time +
                              "= Failed: no answer\n");
    ASSERT_TRUE(WaitUntil([&] {
        return std::regex_match(Panel()->m_trafficWindow->m_view->GetValue().utf8_string(), expected);
    })) << Panel()->m_trafficWindow->m_view->GetValue();

    // "Copy all" puts the whole list on the clipboard.
    Click(Panel()->m_trafficWindow->m_copyButton);
    wxTextDataObject copied;
    ASSERT_TRUE(wxTheClipboard->Open());
    wxTheClipboard->GetData(copied);
    wxTheClipboard->Close();
    EXPECT_EQ(copied.GetText(), Panel()->m_trafficWindow->m_view->GetValue());

    // Closed, the window stops listing and unticks the box.
    Panel()->m_trafficWindow->Close();
    EXPECT_FALSE(show->GetValue());
    EXPECT_FALSE(Panel()->m_trafficWindow->IsShown());
}

TEST(TrafficWindow, KeepsTheNewestWholeLines)
{
    TrafficWindow window(nullptr, nullptr);
    const std::string line(1023, 'x'); // 1024 with its line break
    std::vector<std::string> lines(TrafficWindow::kKeep / 1024, line);
    lines.front() = std::string(1023, 'a');
    window.AddLines(lines);
    window.AddLines({std::string(1023, 'b')});
    const wxString shown = window.m_view->GetValue();
    EXPECT_EQ(shown.length(), TrafficWindow::kKeep);
    EXPECT_EQ(shown.Find('a'), wxNOT_FOUND);
    EXPECT_TRUE(shown.StartsWith(wxString(line) + "\n"));
    EXPECT_TRUE(shown.EndsWith(wxString(1023, 'b') + "\n"));
}

// An outcome may hold any text (a device's slave id): its line goes whole
// as well, and so do the lines after it.
TEST(TrafficWindow, KeepsWholeLinesOfAnyCharacters)
{
    TrafficWindow window(nullptr, nullptr);
    const std::string line(1023, 'x');
    std::vector<std::string> lines(TrafficWindow::kKeep / 1024 + 1, line);
    lines.front() = "12:00:00.000 = Slave ID: \xc3\xa9\xc3\xa9\xc3\xa9"; // three characters of two bytes
    window.AddLines(lines);
    window.AddLines({std::string(1023, 'b')});
    const wxString shown = window.m_view->GetValue();
    EXPECT_EQ(shown.length(), TrafficWindow::kKeep);
    EXPECT_TRUE(shown.StartsWith(wxString(line) + "\n"));
    EXPECT_TRUE(shown.EndsWith(wxString(1023, 'b') + "\n"));
}

TEST(PymodbusPoll, PollsTheServer)
{
    PymodbusServer server;
    ASSERT_TRUE(server.Ready()) << "pymodbus server did not start";
    ASSERT_EQ(ConnectTo(server.Ip()).message, "Connection successful");
    FunctionPanel *form = OpenForm(4);
    form->m_addressText->ChangeValue("0");
    form->m_countText->ChangeValue("2");
    form->m_pollPeriodText->ChangeValue("10");
    Click(form->m_pollStartButton);
    EXPECT_TRUE(WaitUntil([&] { return Counts(form).first >= 2; }))
        << Text(form->m_pollCountsLabel);
    EXPECT_EQ(Counts(form).second, 0);
    EXPECT_EQ(form->m_dataText->GetValue(), "[11][22]");
    Click(form->m_pollStopButton);
    EXPECT_TRUE(WaitUntil([&] { return PollEnded(form); }));
    Panel()->SetConnectionParameters("not set", "not set");
}

// The same window against a Modbus TCP server: a Send, a poll and the
// traffic, whose frames carry the MBAP header and no CRC.
TEST(PymodbusModbusTcp, SendsPollsAndTraces)
{
    PymodbusServer server("tcp");
    ASSERT_TRUE(server.Ready()) << "pymodbus server did not start";
    ASSERT_EQ(ConnectTo(server.Ip(), std::to_string(MODBUS_PORT), MB_FRAMING_TCP).message, "Connection successful");
    EXPECT_EQ(Text(Panel()->m_framingLabel), "Modbus TCP");
    Panel()->m_traffic->Enable(true);
    FunctionPanel *form = OpenForm(3);
    form->m_addressText->ChangeValue("0");
    form->m_countText->ChangeValue("2");
    form->m_formatCombo->SetSelection(FORMAT_COUNT + MB_ORDER_ABCD);
    Send(form);
    EXPECT_EQ(Result(form), "Read 2 registers");
    EXPECT_EQ(form->m_dataText->GetValue(), "[305419896]");
    const std::vector<std::string> lines = Panel()->m_traffic->Take();
    Panel()->m_traffic->Enable(false);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(.* > .. .. 00 00 00 06 01 03 00 00 00 02)"))) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(.* < .. .. 00 00 00 07 01 03 04 12 34 56 78)"))) << lines[1];

    form->m_pollPeriodText->ChangeValue("10");
    Click(form->m_pollStartButton);
    EXPECT_TRUE(WaitUntil([&] { return Counts(form).first >= 3; })) << Text(form->m_pollCountsLabel);
    EXPECT_EQ(Counts(form).second, 0);
    Click(form->m_pollStopButton);
    EXPECT_TRUE(WaitUntil([&] { return PollEnded(form); }));
    Panel()->SetConnectionParameters("not set", "not set");
    EXPECT_EQ(Text(Panel()->m_framingLabel), "RTU over TCP");
}

} // namespace
