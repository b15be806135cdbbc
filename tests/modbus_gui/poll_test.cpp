// Polling from a read form, its table and the traffic view, against a
// scripted gateway and Debian's pymodbus server.
#include "library/modbus_lib/modbus_values.h"
#include "modbus/traffic_window.h"
#include "tests/modbus_gui/modbus_peers.h"
#include "tests/modbus_gui/panel_driver.h"
#include "tests/support/tshark.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <gtest/gtest.h>
#include <regex>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/clipbrd.h>
#include <wx/combobox.h>
#include <wx/grid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <unistd.h>

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
    for (int row = 0; row < form->Table()->GetNumberRows(); ++row)
        cells.push_back(form->Table()->GetCellValue(row, column).utf8_string());
    return cells;
}

// The requests and failures the form counts: "12 sent, 1 failed".
std::pair<long, long> Counts(FunctionPanel *form)
{
    long sent = 0;
    long failed = 0;
    if (std::sscanf(Text(form->PollCountsLabel()).c_str(), "%ld sent, %ld failed", &sent, &failed) != 2)
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
    return !form->Polling() && form->SendButton()->IsEnabled() && form->PollStartButton()->IsEnabled() &&
           !form->PollStopButton()->IsEnabled();
}

class PollTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ConnectTo(m_gateway.Ip()).message, "Connection successful"); }
    void TearDown() override { Panel()->SetConnectionParameters("not set", "not set"); }

    // The form of function 3 asking for 2 registers from 6, polling every 10 ms.
    FunctionPanel *OpenPolling()
    {
        FunctionPanel *form = OpenForm(3);
        form->AddressField()->ChangeValue("6");
        form->CountField()->ChangeValue("2");
        form->FormatChoice()->SetSelection(FORMAT_HEX);
        form->PollPeriodField()->ChangeValue("10");
        return form;
    }

    ModbusPortGateway m_gateway;
};

TEST_F(PollTest, AnswersRefreshInPlaceUntilStopped)
{
    m_gateway.AnswerWith([](const Bytes &request) { return ReadReply(request, {0x12, 0x34, 0xAB, 0xCD}); });
    FunctionPanel *form = OpenPolling();
    ClickEnabled(form->PollStartButton());
    EXPECT_TRUE(form->SendButton()->IsEnabled()) << "a Send queues behind the poll";
    EXPECT_FALSE(form->PollStartButton()->IsEnabled());
    ASSERT_TRUE(WaitUntil([&] { return Counts(form).first >= 3; }))
        << Text(form->PollCountsLabel());
    // The newest answer in place, not one after the other.
    EXPECT_EQ(Result(form), "Read 2 registers");
    EXPECT_EQ(form->DataField()->GetValue(), "[1234][abcd]");
    EXPECT_EQ(TableColumn(form, 0), (std::vector<std::string>{"6", "7"}));
    EXPECT_EQ(TableColumn(form, 1), (std::vector<std::string>{"1234", "abcd"}));
    EXPECT_TRUE(std::regex_match(Text(form->PollTimeLabel()), std::regex(R"(\d\d:\d\d:\d\d\.\d\d\d)")))
        << Text(form->PollTimeLabel());
    // The data field and the table follow the format at once.
    ChooseFormat(form, FORMAT_DECIMAL_S16);
    EXPECT_EQ(TableColumn(form, 1), (std::vector<std::string>{"4660", "-21555"}));
    EXPECT_EQ(form->DataField()->GetValue(), "[4660][-21555]");
    // A failed read leaves neither showing the older answer as current; the
    // time of the last answer stays.
    m_gateway.AnswerNothing();
    ASSERT_TRUE(WaitUntil([&] { return Result(form) == "Failed: no answer"; }));
    EXPECT_EQ(form->Table()->GetNumberRows(), 0);
    EXPECT_EQ(form->DataField()->GetValue(), "");
    const std::string lastAnswer = Text(form->PollTimeLabel());
    EXPECT_FALSE(lastAnswer.empty());
    const long sentSoFar = Counts(form).first;
    ASSERT_TRUE(WaitUntil([&] { return Counts(form).first > sentSoFar; }));
    EXPECT_EQ(Result(form), "Failed: no answer");
    EXPECT_EQ(Text(form->PollTimeLabel()), lastAnswer);
    m_gateway.AnswerWith([](const Bytes &request) { return ReadReply(request, {0x12, 0x34, 0xAB, 0xCD}); });

    // A Send while the poll's request waits for its answer queues behind it
    // on the same connection, with the fields as they are now, and shows its
    // own answer after the poll's. (A poll of a minute: nothing of it comes
    // after the Send's answer.)
    ClickEnabled(form->PollStopButton());
    m_gateway.SetDefault(Reaction::Compute(
        [](const Bytes &request) {
            return testing_support::WithCrc(request[3] == 0 ? ReadReply(request, {0x00, 0x2A})
                                                            : ReadReply(request, {0x12, 0x34, 0xAB, 0xCD}));
        },
        Millis(100)));
    form->PollPeriodField()->ChangeValue("60000");
    const size_t polled = m_gateway.Requests().size();
    ClickEnabled(form->PollStartButton());
    ASSERT_TRUE(m_gateway.WaitForRequests(polled + 1));
    form->AddressField()->ChangeValue("0");
    form->CountField()->ChangeValue("1");
    Send(form);
    EXPECT_EQ(Result(form), "Read 1 registers");
    EXPECT_EQ(form->DataField()->GetValue(), "[42]");
    EXPECT_TRUE(form->Polling());
    EXPECT_EQ(Text(form->PollCountsLabel()), "1 sent, 0 failed") << "the poll's answer came first";
    EXPECT_EQ(m_gateway.RequestsSeen().back(), "01 03 00 00 00 01");

    // Another function's form ends the poll: no request after it.
    FunctionPanel *other = OpenForm(3);
    EXPECT_TRUE(PollEnded(other));
    const size_t requests = m_gateway.Requests().size();
    PumpEvents(Millis(100));
    EXPECT_EQ(m_gateway.Requests().size(), requests) << "requests after the stop";
    size_t sends = 0;
    for (const std::string &seen : m_gateway.RequestsSeen()) {
        EXPECT_TRUE(seen == "01 03 00 06 00 02" || seen == "01 03 00 00 00 01") << seen;
        sends += seen == "01 03 00 00 00 01" ? 1 : 0;
    }
    EXPECT_EQ(sends, 1u);

    // Stop on a living run; then a Send works as ever.
    form = OpenPolling();
    ClickEnabled(form->PollStartButton());
    ASSERT_TRUE(WaitUntil([&] { return !Text(form->PollCountsLabel()).empty(); }));
    ClickEnabled(form->PollStopButton());
    EXPECT_FALSE(form->PollStopButton()->IsEnabled());
    ASSERT_TRUE(WaitUntil([&] { return PollEnded(form); }));
    form->DataField()->ChangeValue("");
    Send(form);
    EXPECT_EQ(form->DataField()->GetValue(), "[1234][abcd]");
}

// A gateway that never answers: the window goes on while the worker waits,
// counts the failures, and stops or disconnects at once.
TEST_F(PollTest, SilentGatewayNeverHoldsTheWindow)
{
    m_gateway.AnswerNothing();
    FunctionPanel *form = OpenPolling();
    ClickEnabled(form->PollStartButton());
    // The request is on its way and the window handles events meanwhile.
    ASSERT_TRUE(WaitUntil([&] { return !m_gateway.Requests().empty(); }));
    EXPECT_EQ(Result(form), "");
    ASSERT_TRUE(WaitUntil([&] { return Text(form->PollCountsLabel()) == "1 sent, 1 failed"; }))
        << Text(form->PollCountsLabel());
    EXPECT_EQ(Result(form), "Failed: no answer");
    EXPECT_EQ(Text(form->PollTimeLabel()), "");

    // Disconnecting while a request waits cuts it short at once; a
    // reconnect makes a new connection, on which the form sends again.
    ASSERT_TRUE(WaitUntil([&] { return m_gateway.Requests().size() >= 2; }));
    Click(ConnectButton());
    EXPECT_FALSE(Panel()->IsConnected());
    EXPECT_TRUE(PollEnded(form));
    Send(form);
    EXPECT_EQ(Result(form), "Failed: not connected");
    m_gateway.AnswerWith([](const Bytes &request) { return ReadReply(request, {0x00, 0x07, 0x00, 0x08}); });
    ASSERT_TRUE(ConnectAgain());
    Send(form);
    EXPECT_EQ(form->DataField()->GetValue(), "[7][8]");
}

// A gateway that keeps ending the connection: the poll goes on, counting
// each failure, the session connects again by itself, and once the gateway
// answers again so does the poll.
TEST_F(PollTest, ALostConnectionKeepsThePollGoing)
{
    m_gateway.SetDefault(Reaction::Close());
    FunctionPanel *form = OpenPolling();
    ClickEnabled(form->PollStartButton());
    ASSERT_TRUE(WaitUntil([&] { return m_gateway.Connections() >= 2 && Counts(form).second >= 2; }, Millis(10000)))
        << Text(form->PollCountsLabel());
    EXPECT_TRUE(form->Polling());
    EXPECT_TRUE(Result(form) == "Failed: connection closed" || Result(form) == "Failed: not connected")
        << Result(form);
    m_gateway.AnswerWith([](const Bytes &request) { return ReadReply(request, {0x00, 0x07, 0x00, 0x08}); });
    ASSERT_TRUE(WaitUntil([&] { return Result(form) == "Read 2 registers"; }, Millis(10000)));
    EXPECT_EQ(form->DataField()->GetValue(), "[7][8]");
    const std::pair<long, long> counts = Counts(form);
    EXPECT_GE(counts.second, 2);
    EXPECT_GT(counts.first, counts.second);
}

TEST_F(PollTest, BadFieldsAndPeriodsAreRefused)
{
    FunctionPanel *form = OpenPolling();
    for (const char *period : {"9", "86400001", ""}) {
        form->PollPeriodField()->ChangeValue(period);
        Click(form->PollStartButton());
        EXPECT_EQ(Result(form), "Failed: period must be 10 to 86400000") << period;
    }
    form->PollPeriodField()->ChangeValue("10");
    form->CountField()->ChangeValue("126");
    Click(form->PollStartButton());
    EXPECT_EQ(Result(form), "Failed: quantity must be 1 to 125");
    EXPECT_FALSE(form->Polling());
    EXPECT_TRUE(m_gateway.Requests().empty());
}

// The view lists each frame in hex with its time and each outcome; a
// request the form refused adds nothing.
TEST_F(PollTest, TrafficViewListsFramesAndOutcomes)
{
    m_gateway.AnswerWith([](const Bytes &request) { return ReadReply(request, {0x12, 0x34}); });
    ShowTraffic(true);
    wxCheckBox *show = TrafficCheck();
    ASSERT_NE(Panel()->TrafficView(), nullptr);
    EXPECT_TRUE(Panel()->TrafficView()->IsShown());
    // The window lives on from earlier tests: its list, frames and counts
    // start afresh.
    Click(Panel()->TrafficView()->m_clearButton);

    FunctionPanel *form = OpenForm(3);
    form->AddressField()->ChangeValue("0");
    form->CountField()->ChangeValue("0");
    Send(form);
    form->CountField()->ChangeValue("1");
    Send(form);
    m_gateway.AnswerNothing();
    Send(form);
    const std::string time = R"(\d\d:\d\d:\d\d\.\d\d\d )";
    const std::string read = R"( \| unit 1: read holding registers, address 0, count 1)";
    const std::regex expected(time + "> 01 03 00 00 00 01 84 0A" + read + "\n" + time + "< 01 03 02 12 34 B5 33" + read +
                              ": 4660\n" + time + "= Read 1 registers\n" + time + "> 01 03 00 00 00 01 84 0A" + read +
                              "\n" + time + "= Failed: no answer\n");
    ASSERT_TRUE(WaitUntil([&] {
        return std::regex_match(Panel()->TrafficView()->m_view->GetValue().utf8_string(), expected);
    })) << Panel()->TrafficView()->m_view->GetValue();
    EXPECT_TRUE(Panel()->TrafficView()->StatsText().StartsWith(
        "unit 1: 2 requests, 1 failed (no answer 1, CRC 0, exception 0, other 0), round trip last/min/avg/p99/max "))
        << Panel()->TrafficView()->StatsText();

    // The frames as a capture that reads back as the gateway's traffic.
    if (testing_support::TsharkAvailable()) {
        char folder[] = "/tmp/orv-traffic-pcap-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        const std::string path = std::string(folder) + "/traffic.pcap";
        EXPECT_EQ(Panel()->TrafficView()->SaveCapture(path), "");
        int status = -1;
        const std::string port = std::to_string(MODBUS_PORT);
        const std::string fields = testing_support::RunTshark(
            "-r " + path + " -d tcp.port==" + port + ",mbrtu -Y mbrtu -T fields -E separator=, -e tcp.srcport "
            "-e modbus.func_code", status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(std::count(fields.begin(), fields.end(), '\n'), 3) << fields;
        EXPECT_NE(fields.find("\n" + port + ",3\n"), std::string::npos) << fields;
        unlink(path.c_str());
        rmdir(folder);
    }
    // "Copy all" puts the whole list on the clipboard.
    Click(Panel()->TrafficView()->m_copyButton);
    wxTextDataObject copied;
    ASSERT_TRUE(wxTheClipboard->Open());
    wxTheClipboard->GetData(copied);
    wxTheClipboard->Close();
    EXPECT_EQ(copied.GetText(), Panel()->TrafficView()->m_view->GetValue());
    // "Clear" starts the counts afresh too.
    Click(Panel()->TrafficView()->m_clearButton);
    EXPECT_EQ(Panel()->TrafficView()->StatsText(), "");

    // Closed, the window stops listing and unticks the box.
    Panel()->TrafficView()->Close();
    EXPECT_FALSE(show->GetValue());
    EXPECT_FALSE(Panel()->TrafficView()->IsShown());
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
    form->AddressField()->ChangeValue("0");
    form->CountField()->ChangeValue("2");
    form->PollPeriodField()->ChangeValue("10");
    Click(form->PollStartButton());
    EXPECT_TRUE(WaitUntil([&] { return Counts(form).first >= 2; }))
        << Text(form->PollCountsLabel());
    EXPECT_EQ(Counts(form).second, 0);
    EXPECT_EQ(form->DataField()->GetValue(), "[11][22]");
    Click(form->PollStopButton());
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
    EXPECT_EQ(Text(FramingLabel()), "Modbus TCP");
    ShowTraffic(true);
    Panel()->TrafficView()->m_view->Clear();
    FunctionPanel *form = OpenForm(3);
    form->AddressField()->ChangeValue("0");
    form->CountField()->ChangeValue("2");
    form->FormatChoice()->SetSelection(FORMAT_COUNT + MB_ORDER_ABCD);
    Send(form);
    EXPECT_EQ(Result(form), "Read 2 registers");
    EXPECT_EQ(form->DataField()->GetValue(), "[305419896]");
    ASSERT_TRUE(WaitUntil([] {
        const std::string text = TrafficText();
        return std::count(text.begin(), text.end(), '\n') == 3;
    }));
    std::vector<std::string> lines;
    std::istringstream listed(TrafficText());
    for (std::string line; std::getline(listed, line);)
        lines.push_back(line);
    ShowTraffic(false);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(.* > .. .. 00 00 00 06 01 03 00 00 00 02 \| transaction \d+, unit 1: read holding registers, address 0, count 2)"))) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(.* < .. .. 00 00 00 07 01 03 04 12 34 56 78 \| transaction \d+, unit 1: .*: 4660 22136)"))) << lines[1];

    form->PollPeriodField()->ChangeValue("10");
    Click(form->PollStartButton());
    EXPECT_TRUE(WaitUntil([&] { return Counts(form).first >= 3; })) << Text(form->PollCountsLabel());
    EXPECT_EQ(Counts(form).second, 0);
    Click(form->PollStopButton());
    EXPECT_TRUE(WaitUntil([&] { return PollEnded(form); }));
    Panel()->SetConnectionParameters("not set", "not set");
    EXPECT_EQ(Text(FramingLabel()), "RTU over TCP");
}

} // namespace
