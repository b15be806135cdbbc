// The Modbus monitor on the panel's session: blocks added, polled, written
// from their tables and logged, against Debian's pymodbus server and a
// scripted gateway.
#include "app/main_window.h"
#include "app/menu_bar.h"
#include "app/user_config.h"
#include "chart/chart_window.h"
#include "chart/series_store.h"
#include "modbus/block_dialog.h"
#include "modbus/block_pane.h"
#include "modbus/block_table.h"
#include "modbus/modbus_session.h"
#include "modbus/monitor_chart.h"
#include "modbus/monitor_window.h"
#include "modbus/workspace_window.h"
#include "tests/modbus_gui/modbus_peers.h"
#include "tests/modbus/cli_runner.h"
#include "tests/modbus_gui/panel_driver.h"
#include "tests/support/file_size_limit.h"
#include "uart/rule_entries.h"
#include "uart/terminal_panel.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>
#include <wx/fileconf.h>
#include <wx/menu.h>
#include <wx/textentry.h>

namespace {

using namespace modbus_gui_test;
using testing_support::Bytes;
using testing_support::ModalRecorder;
using testing_support::WaitUntil;

std::string FileText(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string TempPath()
{
    char path[] = "/tmp/orv-monitor-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0)
        close(fd);
    return path;
}

std::string Value(BlockPane *pane, int row)
{
    return pane->Table()->GetCellValue(row, BlockTable::COLUMN_VALUE).utf8_string();
}

// Types `text` into a cell through its editor, as a user does.
void TypeInto(BlockTable *table, int row, int column, const wxString &text)
{
    table->SetGridCursor(row, column);
    table->EnableCellEditControl();
    ASSERT_TRUE(table->IsCellEditControlShown());
    wxGridCellEditor *editor = table->GetCellEditor(row, column);
    auto *field = dynamic_cast<wxTextEntry *>(editor->GetControl());
    editor->DecRef();
    ASSERT_NE(field, nullptr);
    field->SetValue(text);
    table->DisableCellEditControl();
}

BlockDefinition Block(const std::string &name, int function, int start, int count)
{
    BlockDefinition block;
    block.name = name;
    block.function = function;
    block.start = start;
    block.count = count;
    block.periodMs = 20;
    return block;
}

class MonitorTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        // The next test's monitor starts without blocks.
        Panel()->SetMonitorBlocks({}, false);
        Panel()->SetConnectionParameters("not set", "not set");
    }
};

TEST_F(MonitorTest, PollsWritesAndLogsOnePeer)
{
    PymodbusServer server;
    ASSERT_TRUE(server.Ready());
    ASSERT_EQ(ConnectTo(server.Ip()).message, "Connection successful");

    // From the Extra menu, and once only: the panel's button raises it.
    wxCommandEvent menu(wxEVT_MENU, MenuBar::ID_MODBUS_MONITOR);
    MainWindow::GetInstance()->m_frame->GetEventHandler()->ProcessEvent(menu);
    MonitorWindow *monitor = Panel()->Monitor();
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(monitor->IsShown());
    Click(PanelChild(ModbusTerminalPanel::ID_OPEN_MONITOR));
    EXPECT_EQ(Panel()->Monitor(), monitor);

    // The first block through the dialog, with a reason while it is wrong.
    BlockDefinition holding = Block("meter, hall", 3, 0, 4);
    holding.format = ValueFormat{ValueType::Hex, 0};
    holding.rows[0] = {"first", std::nullopt};
    {
        ModalRecorder boxes;
        std::string refused;
        boxes.OnOther([&](wxDialog *dialog) {
            auto *blockDialog = dynamic_cast<BlockDialog *>(dialog);
            BlockDefinition wrong = holding;
            wrong.count = 200;
            blockDialog->SetBlock(wrong);
            blockDialog->Block(refused);
            blockDialog->SetBlock(holding);
            return wxID_OK;
        });
        wxWindow *add = monitor->FindWindowByLabel("Add block...");
        ASSERT_NE(add, nullptr);
        Click(add);
        EXPECT_EQ(refused, "count must be 1 to 125");
    }
    EXPECT_EQ(monitor->AddBlock(Block("inputs", 4, 0, 2)), "");
    ASSERT_EQ(monitor->BlockCount(), 2u);
    BlockPane *meter = monitor->Pane(0);
    BlockPane *inputs = monitor->Pane(1);
    EXPECT_EQ(meter->Block().rows.at(0).name, "first");

    const std::string logPath = TempPath();
    ASSERT_EQ(monitor->StartLog(logPath), "");
    ASSERT_TRUE(WaitUntil([&] { return Value(meter, 0) == "1234" && Value(inputs, 1) == "22"; }, std::chrono::seconds(10)));
    EXPECT_EQ(Value(meter, 1), "5678");
    EXPECT_EQ(Value(inputs, 0), "11");
    EXPECT_TRUE(meter->CountsLine().Matches("* sent, 0 failed")) << meter->CountsLine();
    EXPECT_TRUE(meter->RoundTripLine().StartsWith("round trip last/min/avg/max ")) << meter->RoundTripLine();

    // Input registers are read-only; a holding register takes a typed value.
    EXPECT_TRUE(inputs->Table()->IsReadOnly(0, BlockTable::COLUMN_VALUE));
    TypeInto(meter->Table(), 2, BlockTable::COLUMN_VALUE, "0x10000");
    EXPECT_EQ(meter->Status(), "Not sent: value must be 0 to ffff");
    TypeInto(meter->Table(), 2, BlockTable::COLUMN_VALUE, "abcd");
    ASSERT_TRUE(WaitUntil([&] { return meter->Status() == "Wrote 1 register"; }));
    ASSERT_TRUE(WaitUntil([&] { return Value(meter, 2) == "abcd"; }));
    // The change lights up, and for a moment only.
    EXPECT_TRUE(meter->Table()->Highlighted(2));
    EXPECT_TRUE(WaitUntil([&] { return !meter->Table()->Highlighted(2); }));

    monitor->StopLog();
    const std::string log = FileText(logPath);
    std::remove(logPath.c_str());
    EXPECT_EQ(log.rfind("time,block,unit,address,name,value\r\n", 0), 0u);
    EXPECT_NE(log.find(",\"meter, hall\",1,0,first,1234\r\n"), std::string::npos);
    EXPECT_NE(log.find(",\"meter, hall\",1,2,,abcd\r\n"), std::string::npos);
    EXPECT_NE(log.find(",inputs,1,1,,22\r\n"), std::string::npos);

    // Closing the window ends its polls.
    const JobId job = meter->Job();
    EXPECT_TRUE(Panel()->Session().Counts(job).has_value());
    monitor->Close();
    ASSERT_TRUE(WaitUntil([] { return Panel()->Monitor() == nullptr; }));
    EXPECT_FALSE(Panel()->Session().Counts(job).has_value());
}

TEST_F(MonitorTest, EditsBlocksAndTellsFailures)
{
    ModbusPortGateway gateway;
    // Reads answer with registers 1, 2, 3, ...; writes get exception 2.
    gateway.AnswerWith([](const Bytes &request) {
        if (request[1] == 6 || request[1] == 16)
            return Bytes{request[0], static_cast<uint8_t>(request[1] | 0x80), 2};
        Bytes data;
        for (uint8_t value = 1; value <= request[5]; ++value)
            data.insert(data.end(), {0, value});
        return ReadReply(request, data);
    });
    ASSERT_EQ(ConnectTo(gateway.Ip()).message, "Connection successful");
    MonitorWindow *monitor = Panel()->OpenMonitor();

    BlockDefinition wrong = Block("wrong", 3, 0, 2);
    wrong.periodMs = 5;
    EXPECT_EQ(monitor->SetBlocks({Block("a", 3, 0, 4), wrong, Block("b", 3, 10, 2)}),
              "block \"wrong\": period must be 10 to 86400000");
    ASSERT_EQ(monitor->BlockCount(), 2u);
    monitor->DuplicateBlock(0);
    const std::vector<BlockDefinition> blocks = monitor->Blocks();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[2].name, "a 2");
    monitor->RemoveBlock(1);
    ASSERT_EQ(monitor->BlockCount(), 2u);
    BlockPane *pane = monitor->Pane(0);
    ASSERT_TRUE(WaitUntil([&] { return Value(pane, 3) == "4"; }));

    // A row's name and format, edited in their cells; a format that does
    // not fit is refused with the reason.
    BlockTable *table = pane->Table();
    TypeInto(table, 0, BlockTable::COLUMN_NAME, "pair");
    TypeInto(table, 0, BlockTable::COLUMN_FORMAT, "U32 ABCD");
    ASSERT_TRUE(WaitUntil([&] { return table->GetNumberRows() == 3 && Value(pane, 0) == "65538"; }));
    EXPECT_EQ(pane->Block().rows.at(0).name, "pair");
    EXPECT_EQ(*pane->Block().rows.at(0).format, (ValueFormat{ValueType::U32, 0}));
    TypeInto(table, 2, BlockTable::COLUMN_FORMAT, "U64 ABCDEFGH");
    EXPECT_EQ(pane->Status(), "Format not changed: row at address 3: u64 abcdefgh takes 4 registers, past the "
                              "block's end at 3");
    WaitUntil([&] { return table->GetNumberRows() == 3 && Value(pane, 2) == "4"; });
    EXPECT_EQ(monitor->Blocks()[0].rows.count(3), 0u);

    // The device's refusal is told with its reason.
    TypeInto(table, 1, BlockTable::COLUMN_VALUE, "9");
    EXPECT_TRUE(WaitUntil([&] { return pane->Status() == "Failed: Illegal data address"; })) << pane->Status();

    // A paused block sends nothing until resumed.
    monitor->PauseAll(true);
    EXPECT_EQ(pane->PauseButton()->GetLabel(), "Resume");
    testing_support::PumpEvents(testing_support::Millis(100));
    const uint64_t sent = Panel()->Session().Counts(pane->Job())->sent;
    testing_support::PumpEvents(testing_support::Millis(200));
    EXPECT_EQ(Panel()->Session().Counts(pane->Job())->sent, sent);
    Click(pane->PauseButton());
    EXPECT_TRUE(WaitUntil([&] { return Panel()->Session().Counts(pane->Job())->sent > sent; }));
}

TEST_F(MonitorTest, PlotsChosenRowsInItsChart)
{
    PymodbusServer server;
    ASSERT_TRUE(server.Ready());
    ASSERT_EQ(ConnectTo(server.Ip()).message, "Connection successful");
    MonitorWindow *monitor = Panel()->OpenMonitor();
    BlockDefinition tank = Block("tank", 4, 0, 2);
    tank.rows[1] = {"level", std::nullopt};
    ASSERT_EQ(monitor->AddBlock(tank), "");
    EXPECT_FALSE(monitor->PlotRow(0, 2, true));
    EXPECT_EQ(monitor->Chart().Window(), nullptr);

    // The row's context menu plots it.
    const auto choose = [monitor](int row, const wxString &label) {
        const std::unique_ptr<wxMenu> menu = monitor->RowMenu(0, row);
        ASSERT_TRUE(menu);
        wxMenuItem *item = menu->FindItemByPosition(0);
        ASSERT_EQ(item->GetItemLabelText(), label);
        wxCommandEvent chosen(wxEVT_MENU, item->GetId());
        menu->ProcessEvent(chosen);
    };
    choose(1, "Plot");
    const wxWeakRef<ChartWindow> chart = monitor->Chart().Window();
    ASSERT_TRUE(chart);
    EXPECT_TRUE(chart->IsShown());
    EXPECT_TRUE(monitor->RowPlotted(0, 1));
    EXPECT_FALSE(monitor->RowPlotted(0, 0));
    const SeriesStore &store = monitor->Chart().Store();
    const auto points = [&store] {
        const std::optional<size_t> series = store.Find("tank/level");
        return series ? store.Points(*series).size() : 0u;
    };
    ASSERT_TRUE(WaitUntil([&] { return points() >= 3; }));
    EXPECT_EQ(store.Points(*store.Find("tank/level"))[0].value, 22.0);
    EXPECT_EQ(store.SeriesCount(), 1u);

    // Stopped, the row gets no more points while the block goes on polling.
    choose(1, "Stop plotting");
    EXPECT_FALSE(monitor->RowPlotted(0, 1));
    const JobId job = monitor->Pane(0)->Job();
    const size_t kept = points();
    const uint64_t sent = Panel()->Session().Counts(job)->sent;
    ASSERT_TRUE(WaitUntil([&] { return Panel()->Session().Counts(job)->sent >= sent + 3; }));
    EXPECT_EQ(points(), kept);

    // "Chart" opens it again after the user closed it; the monitor takes it along.
    chart->Close(true);
    ASSERT_TRUE(WaitUntil([&] { return !chart; }));
    Click(monitor->FindWindowByLabel("Chart"));
    const wxWeakRef<ChartWindow> reopened = monitor->Chart().Window();
    ASSERT_TRUE(reopened);
    EXPECT_EQ(store.Points(*store.Find("tank/level")).size(), kept);
    monitor->Close();
    EXPECT_TRUE(WaitUntil([&] { return !reopened; }));
}

TEST(MonitorChart, RefusesValuesThatAreNoNumber)
{
    MonitorChart chart(nullptr);
    chart.SetPlotted("b", 0, true);
    BlockValue nan{BlockCell{0, 100, "", ValueFormat{ValueType::F32, 0}}, RegisterValue{ValueType::F32, 0x7fc00000},
                   "nan"};
    BlockValue negative{BlockCell{2, 102, "x", {}}, RegisterValue{ValueType::S16, 0xffff}, "-1"};
    BlockDefinition block = Block("b", 3, 100, 4);
    chart.Append(block, std::chrono::system_clock::now(), {nan, negative});
    EXPECT_EQ(chart.Store().Refused(), 1u);
    chart.SetPlotted("b", 2, true);
    chart.Append(block, std::chrono::system_clock::now(), {nan, negative});
    ASSERT_TRUE(chart.Store().Find("b/x").has_value());
    EXPECT_EQ(chart.Store().Points(*chart.Store().Find("b/x"))[0].value, -1.0);
    EXPECT_EQ(PlotValue(RegisterValue{ValueType::Hex, 0xffff}), 65535.0);
    EXPECT_EQ(PlotSeriesName("b", BlockCell{0, 100, "", {}}), "b/100");
    chart.Window()->Destroy();
}

TEST_F(MonitorTest, FailedLogWriteStopsWithABox)
{
    ModbusPortGateway gateway;
    gateway.AnswerWith([](const Bytes &request) { return ReadReply(request, Bytes(2u * request[5], 7)); });
    ASSERT_EQ(ConnectTo(gateway.Ip()).message, "Connection successful");
    MonitorWindow *monitor = Panel()->OpenMonitor();
    EXPECT_EQ(monitor->StartLog("/nonexistent-dir/log.csv"), "No such file or directory");
    EXPECT_FALSE(monitor->Logging());

    const std::string path = TempPath();
    ModalRecorder boxes;
    {
        testing_support::FileSizeLimit limit(400);
        ASSERT_EQ(monitor->StartLog(path), "");
        monitor->AddBlock(Block("b", 3, 0, 4));
        ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().empty(); }));
    }
    EXPECT_EQ(boxes.Messages(), "Logging stopped: cannot write to " + path + ": File too large");
    EXPECT_FALSE(monitor->Logging());
    const std::string kept = FileText(path);
    std::remove(path.c_str());
    EXPECT_EQ(kept.rfind("time,block,unit,address,name,value\r\n", 0), 0u);
    EXPECT_GT(kept.size(), 100u);
    testing_support::PumpEvents(testing_support::Millis(100));
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

// A workspace carries the UART terminal's rules; one whose rules the window
// cannot take (a send of a list entry it lacks) changes nothing at all.
TEST_F(MonitorTest, WorkspaceCarriesTheUartRules)
{
    TerminalPanel *uart = MainWindow::GetInstance()->m_terminalPanel;
    Rule rule;
    rule.pattern = L"READY?";
    rule.send = RuleSend{std::nullopt, {L"GO", 0, 0}};
    ASSERT_EQ(uart->SetRules({rule}), "");
    MainWindow::GetInstance()->ApplyConnection("127.0.0.1", "502", 1);
    const std::string path = TempPath();
    ASSERT_EQ(SaveWorkspace(path), "");
    ASSERT_EQ(uart->SetRules({}), "");
    MenuBar *menu = MainWindow::GetInstance()->m_menuBar;
    ModalRecorder boxes;
    ASSERT_TRUE(menu->OpenWorkspaceFile(path, false));
    EXPECT_EQ(RuleEntries(uart->Rules()), RuleEntries({rule}));

    std::ofstream(path) << R"({"format": "orv-workspace", "version": 1, "blocks": [],
        "connection": {"ip": "127.0.0.1", "port": 1, "framing": "tcp"},
        "uart_rules": [{"match": "text", "pattern": "X", "send": {"message": 3}}]})";
    const wxString port = Panel()->Port();
    EXPECT_FALSE(menu->OpenWorkspaceFile(path, false));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(boxes.Boxes()[0].message.Contains("uart_rules: Rule 1")) << boxes.Messages();
    EXPECT_EQ(RuleEntries(uart->Rules()), RuleEntries({rule}));
    EXPECT_EQ(Panel()->Port(), port);
    EXPECT_EQ(uart->SetRules({}), "");
    std::remove(path.c_str());
}

TEST_F(MonitorTest, WorkspaceSavedAndOpenedAgain)
{
    PymodbusServer server;
    ASSERT_TRUE(server.Ready());
    ASSERT_EQ(ConnectTo(server.Ip(), std::to_string(MODBUS_PORT), MB_FRAMING_RTU).message, "Connection successful");
    BlockDefinition meter = Block("meter", 3, 0, 4);
    meter.rows[0] = {"energy", ValueFormat{ValueType::U32, 0}};
    Panel()->OpenMonitor()->SetBlocks({meter, Block("relays", 1, 0, 4)});
    // Plotted rows, a named one and one without a name, stay with the
    // monitor's blocks while it is closed and come back with it.
    ASSERT_TRUE(Panel()->Monitor()->PlotRow(0, 0, true));
    ASSERT_TRUE(Panel()->Monitor()->PlotRow(1, 2, true));
    Panel()->Monitor()->Close();
    EXPECT_EQ(Panel()->MonitorPlotted(), (PlottedRows{{"meter", 0}, {"relays", 2}}));
    EXPECT_TRUE(Panel()->OpenMonitor()->RowPlotted(1, 2));
    const std::string path = TempPath();
    ASSERT_EQ(SaveWorkspace(path), "");

    // Another set-up, then the workspace again, connecting.
    Panel()->SetMonitorBlocks({}, false);
    MainWindow::GetInstance()->ApplyConnection("127.0.0.1", "1", 0);
    ASSERT_EQ(Panel()->Monitor(), nullptr);
    MenuBar *menu = MainWindow::GetInstance()->m_menuBar;
    ModalRecorder boxes;
    ASSERT_TRUE(menu->OpenWorkspaceFile(path, true));
    EXPECT_TRUE(Panel()->IsShown());
    EXPECT_EQ(Panel()->Ip(), server.Ip());
    ASSERT_TRUE(WaitUntil([] { return Panel()->IsConnected(); }, std::chrono::seconds(10)));
    MonitorWindow *monitor = Panel()->Monitor();
    ASSERT_NE(monitor, nullptr);
    ASSERT_EQ(monitor->BlockCount(), 2u);
    EXPECT_EQ(monitor->Blocks()[0].rows.at(0).name, "energy");
    EXPECT_TRUE(monitor->RowPlotted(0, 0));
    EXPECT_TRUE(monitor->RowPlotted(1, 2));
    EXPECT_FALSE(monitor->RowPlotted(1, 0));
    ASSERT_NE(monitor->Chart().Window(), nullptr);
    const SeriesStore &plotted = monitor->Chart().Store();
    EXPECT_TRUE(WaitUntil([&] { return plotted.Find("meter/energy") && plotted.Find("relays/2"); }));
    EXPECT_TRUE(WaitUntil([&] { return Value(monitor->Pane(0), 0) == "305419896" && Value(monitor->Pane(1), 0) == "1"; }));
    // orv-modbus reads the same file into the same values.
    const testing_support::CliRun cli = testing_support::RunOrvModbus({"--workspace", path, "--times", "1"});
    EXPECT_EQ(cli.status, 0) << cli.err;
    EXPECT_NE(cli.out.find(" meter unit 1 0 energy = " + Value(monitor->Pane(0), 0) + "\n"), std::string::npos)
        << cli.out;
    EXPECT_NE(cli.out.find(" relays unit 1 0 = " + Value(monitor->Pane(1), 0) + "\n"), std::string::npos) << cli.out;
    // The recent files are kept in the settings and come back from them.
    EXPECT_EQ(menu->RecentWorkspaces().GetHistoryFile(0), path);
    ASSERT_TRUE(MainWindow::GetInstance()->SaveSettings());
    EXPECT_EQ(user_config::Read(*user_config::Open(), "Workspace/Recent1"), std::optional<std::string>(path));
    menu->RestoreRecent([](const std::string &key) {
        return key == "Workspace/Recent2" ? std::optional<std::string>("/tmp/older.json") : std::nullopt;
    });
    EXPECT_EQ(menu->RecentWorkspaces().GetHistoryFile(0), "/tmp/older.json");

    // A broken file: one box with the reason, nothing changed.
    std::ofstream(path) << "{\"format\": \"orv-workspace\", \"version\": 1,\n  \"blocks\": [}\n";
    boxes.Clear();
    EXPECT_FALSE(menu->OpenWorkspaceFile(path, false));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(boxes.Boxes()[0].message.Contains("line 2")) << boxes.Messages();
    EXPECT_EQ(Panel()->Monitor(), monitor);
    EXPECT_EQ(monitor->BlockCount(), 2u);
    EXPECT_TRUE(Panel()->IsConnected());
    std::remove(path.c_str());
}

} // namespace
