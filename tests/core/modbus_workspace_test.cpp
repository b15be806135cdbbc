// Workspace files: what is written reads back the same, a bad file names
// its fault and gives nothing, a newer version's extra keys are noted.
#include "library/modbus_lib/modbus_values.h"
#include "modbus/workspace.h"
#include "uart/rule_entries.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Workspace Plant()
{
    Workspace ws;
    ws.connection = {"127.0.0.1", 65100, MB_FRAMING_RTU, 1500};
    BlockDefinition meter;
    meter.name = "meter ü";
    meter.unit = 7;
    meter.start = 100;
    meter.count = 9;
    meter.periodMs = 250;
    meter.format = {ValueType::Hex, 0};
    meter.rows[0] = {"voltage", ValueFormat{ValueType::F32, MB_ORDER_CDAB}};
    meter.rows[2] = {"energy", ValueFormat{ValueType::S64, MB_ORDER_HGFEDCBA}};
    meter.rows[6] = {"status", std::nullopt};
    BlockDefinition coils;
    coils.name = "relays";
    coils.function = 1;
    coils.count = 16;
    coils.rows[3] = {"pump", std::nullopt};
    ws.blocks = {meter, coils};
    ws.monitorOpen = true;
    return ws;
}

std::string Envelope(const std::string &block, const std::string &extra = "")
{
    return R"({"format": "orv-workspace", "version": 1,
"connection": {"ip": "127.0.0.1", "port": 502, "framing": "tcp"},
"blocks": [{"name": "a", "function": 3, "start": 0, "count": 2},
           {"name": "b", "function": 1, "start": 0, "count": 8}, )" +
           block + "]" + extra + "}";
}

std::string Temporary()
{
    char name[] = "/tmp/orv-workspace-test.XXXXXX";
    const char *made = mkdtemp(name);
    return made != nullptr ? made : "";
}

TEST(Workspace, WhatIsWrittenReadsBackTheSame)
{
    const Workspace ws = Plant();
    EXPECT_EQ(CheckWorkspace(ws), "");
    const std::string text = WriteWorkspace(ws);
    const WorkspaceRead read = ReadWorkspace(text);
    ASSERT_TRUE(read.workspace) << read.error;
    EXPECT_TRUE(read.notes.empty());
    const Workspace &back = *read.workspace;
    EXPECT_EQ(back.connection.ip, "127.0.0.1");
    EXPECT_EQ((std::vector<int>{back.connection.port, back.connection.framing, back.connection.timeoutMs}),
              (std::vector<int>{65100, MB_FRAMING_RTU, 1500}));
    EXPECT_TRUE(back.monitorOpen);
    EXPECT_FALSE(back.trafficOpen);
    ASSERT_EQ(back.blocks.size(), 2u);
    const BlockDefinition &meter = back.blocks[0];
    EXPECT_EQ(meter.name, "meter ü");
    EXPECT_EQ((std::vector<int>{meter.unit, meter.function, meter.start, meter.count, meter.periodMs}),
              (std::vector<int>{7, 3, 100, 9, 250}));
    EXPECT_EQ(meter.format, (ValueFormat{ValueType::Hex, 0}));
    ASSERT_EQ(meter.rows.size(), 3u);
    EXPECT_EQ(meter.rows.at(0).name, "voltage");
    EXPECT_EQ(meter.rows.at(0).format, (ValueFormat{ValueType::F32, MB_ORDER_CDAB}));
    EXPECT_EQ(meter.rows.at(2).format, (ValueFormat{ValueType::S64, MB_ORDER_HGFEDCBA}));
    EXPECT_EQ(meter.rows.at(6).name, "status");
    EXPECT_FALSE(meter.rows.at(6).format);
    EXPECT_EQ(back.blocks[1].rows.at(3).name, "pump");
    // Written again, the text is the same: nothing drifts across saves.
    EXPECT_EQ(WriteWorkspace(back), text);
    EXPECT_NE(text.find(R"("order": "cdab")"), std::string::npos);
}

TEST(Workspace, ABadFileNamesItsFaultAndGivesNothing)
{
    const struct {
        std::string text;
        const char *error;
    } cases[] = {
        {"{\"format\": \"orv-workspace\",\n  \"version\": 1,,}",
         "line 2, column 16: syntax error while parsing object key - unexpected ','; expected string literal"},
        {"[1, 2]", "not a workspace: the file holds no JSON object"},
        {R"({"format": "csv", "version": 1})", "format: must be \"orv-workspace\" (not a workspace file)"},
        {R"({"format": "orv-workspace", "version": 0})", "version: must be a whole number from 1"},
        {R"({"format": "orv-workspace", "version": 1, "blocks": []})", "connection: missing"},
        {Envelope(R"({"name": "c", "function": 3, "start": 0, "count": 126})"), "blocks[2].count: must be 1 to 125"},
        {Envelope(R"({"name": "c", "function": 3, "start": 0, "count": 2.5})"),
         "blocks[2].count: must be a whole number"},
        {Envelope(R"({"name": "c", "function": 3, "start": 18446744073709551615, "count": 2})"),
         "blocks[2].start: must be 0 to 65535"},
        {Envelope(R"({"name": "c", "function": 3, "start": -1, "count": 2})"), "blocks[2].start: must be 0 to 65535"},
        {Envelope(R"({"name": " ", "function": 3, "start": 0, "count": 2})"), "blocks[2].name: must not be empty"},
        {Envelope(R"({"name": "c", "function": 5, "start": 0, "count": 2})"), "blocks[2].function: must be 1 to 4"},
        {Envelope(R"({"name": "c", "function": 3, "start": 0})"), "blocks[2].count: missing"},
        {Envelope(R"({"name": "c", "function": 3, "start": 0, "count": 2, "perod_ms": 10})"),
         "blocks[2].perod_ms: unknown key"},
        {Envelope(R"({"name": "c", "function": 3, "start": 0, "count": 2, "format": "f16"})"),
         "blocks[2].format: must be one of u16, s16, u8, s8, hex, bin16, bin8, u32, s32, f32, u64, s64, f64"},
        {Envelope(R"({"name": "c", "function": 3, "start": 0, "count": 2, "format": "u16", "order": "cdab"})"),
         "blocks[2].order: u16 has no word order"},
        {Envelope(R"({"name": "c", "function": 3, "start": 0, "count": 4, "format": "f64", "order": "cdab"})"),
         "blocks[2].order: must be one of abcdefgh, ghefcdab, badcfehg, hgfedcba for f64"},
        {Envelope(R"({"name": "c", "function": 2, "start": 0, "count": 4, "format": "u16"})"),
         "blocks[2].format: bits have no format"},
        {Envelope(R"({"name": "c", "function": 3, "start": 10, "count": 4,
                      "rows": [{"address": 11, "name": "x"}, {"address": 11, "name": "y"}]})"),
         "blocks[2].rows[1].address: 11 is listed twice"},
        {Envelope(R"({"name": "c", "function": 3, "start": 10, "count": 4,
                      "rows": [{"address": 12, "name": "x", "format": "u64"}]})"),
         "blocks[2]: row at address 12: u64 abcdefgh takes 4 registers, past the block's end at 13"},
        {Envelope(R"({"name": "c", "function": 3, "start": 0, "count": 2, "rows": {}})"),
         "blocks[2].rows: must be a list"},
        {Envelope(R"({"name": "c", "function": 3, "start": 0, "count": 2})", R"(, "windows": {"monitor": 1})"),
         "windows.monitor: must be true or false"},
        {R"({"format": "orv-workspace", "version": 1, "blocks": [],
            "connection": {"ip": "10.0.0", "port": 502, "framing": "tcp"}})",
         "connection.ip: must be an IPv4 address from 1.0.0.0 to 223.255.255.255"},
        {R"({"format": "orv-workspace", "version": 1, "blocks": [],
            "connection": {"ip": "127.0.0.1", "port": 0, "framing": "tcp"}})",
         "connection.port: must be 1 to 65535"},
        {R"({"format": "orv-workspace", "version": 1, "blocks": [],
            "connection": {"ip": "127.0.0.1", "port": 502, "framing": "ascii"}})",
         "connection.framing: must be rtu or tcp"},
        {R"({"format": "orv-workspace", "version": 1, "blocks": [],
            "connection": {"ip": "127.0.0.1", "port": 502, "framing": "tcp", "timeout_ms": 5}})",
         "connection.timeout_ms: must be 10 to 60000"},
    };
    for (const auto &item : cases) {
        const WorkspaceRead read = ReadWorkspace(item.text);
        EXPECT_FALSE(read.workspace) << item.text;
        EXPECT_EQ(read.error, item.error) << item.text;
    }
}

// The UART rules ride along when there are any; a file without them says
// nothing of them, and one bad rule refuses the whole file.
TEST(Workspace, UartRulesComeBackOrRefuseTheFile)
{
    Workspace ws = Plant();
    EXPECT_FALSE(ReadWorkspace(WriteWorkspace(ws)).workspace->uartRules);
    Rule answer;
    answer.pattern = L"READY?";
    answer.send = RuleSend{std::nullopt, {L"GO", 0, 3}};
    Rule listed;
    listed.match = RuleMatchKind::Regex;
    listed.pattern = L"ERR[0-9]+";
    listed.send = RuleSend{size_t{4}, {}};
    listed.highlight = 0xff8000;
    listed.enabled = false;
    ws.uartRules = std::vector<Rule>{answer, listed};
    const std::string text = WriteWorkspace(ws);
    const WorkspaceRead read = ReadWorkspace(text);
    ASSERT_TRUE(read.workspace) << read.error;
    ASSERT_TRUE(read.workspace->uartRules);
    EXPECT_EQ(RuleEntries(*read.workspace->uartRules), RuleEntries(*ws.uartRules));
    EXPECT_EQ(WriteWorkspace(*read.workspace), text);

    const std::string bad = Envelope(R"({"name": "c", "function": 3, "start": 0, "count": 2})",
                                     R"(, "uart_rules": [{"match": "text", "pattern": "A", "count": true},
                                                         {"match": "glob", "pattern": "B", "count": true}])");
    const WorkspaceRead refused = ReadWorkspace(bad);
    EXPECT_FALSE(refused.workspace);
    EXPECT_EQ(refused.error.rfind("uart_rules: Rule 2", 0), 0u) << refused.error;
    EXPECT_NE(refused.error.find("match"), std::string::npos) << refused.error;
}

TEST(Workspace, PlottedRowsAreKeptWithTheirRows)
{
    Workspace ws = Plant();
    EXPECT_EQ(WriteWorkspace(ws).find("\"plot\""), std::string::npos);
    // Offset 7 has no row of its own; 1 is the f32's second register, and
    // "gone" no block: neither is a value, so neither is written.
    ws.plotted = {{"meter ü", 0}, {"meter ü", 7}, {"relays", 3}, {"meter ü", 1}, {"gone", 0}};
    EXPECT_EQ(CheckWorkspace(ws), "");
    const std::string text = WriteWorkspace(ws);
    const WorkspaceRead read = ReadWorkspace(text);
    ASSERT_TRUE(read.workspace) << read.error;
    EXPECT_EQ(read.workspace->plotted, (PlottedRows{{"meter ü", 0}, {"meter ü", 7}, {"relays", 3}}));
    EXPECT_EQ(read.workspace->blocks[0].rows.at(7).name, "");
    EXPECT_EQ(read.workspace->blocks[0].rows.at(0).name, "voltage");
    EXPECT_EQ(WriteWorkspace(*read.workspace), text);

    const struct {
        const char *rows;
        const char *error;
    } cases[] = {
        {R"([{"address": 1, "plot": 1}])", "blocks[2].rows[0].plot: must be true or false"},
        {R"([{"address": 1, "plot": "yes"}])", "blocks[2].rows[0].plot: must be true or false"},
        {R"([{"address": 1, "plot": true}])", "blocks[2]: row at address 1: taken by the u32 abcd at address 0"},
    };
    for (const auto &item : cases) {
        const WorkspaceRead bad = ReadWorkspace(
            Envelope(R"({"name": "c", "function": 3, "start": 0, "count": 2, "format": "u32", "rows": )" +
                     std::string(item.rows) + "}"));
        EXPECT_FALSE(bad.workspace) << item.rows;
        EXPECT_EQ(bad.error, item.error) << item.rows;
    }
    const WorkspaceRead unplotted =
        ReadWorkspace(Envelope(R"({"name": "c", "function": 1, "start": 0, "count": 2,
                                   "rows": [{"address": 1, "plot": false}]})"));
    ASSERT_TRUE(unplotted.workspace) << unplotted.error;
    EXPECT_TRUE(unplotted.workspace->plotted.empty());
}

TEST(Workspace, ANewerVersionIsReadAsFarAsItIsKnown)
{
    const std::string text = R"({"format": "orv-workspace", "version": 3, "theme": "dark",
        "connection": {"ip": "127.0.0.1", "port": 502, "framing": "tcp"},
        "blocks": [{"name": "a", "function": 4, "start": 5, "count": 2, "colour": "red"}]})";
    const WorkspaceRead read = ReadWorkspace(text);
    ASSERT_TRUE(read.workspace) << read.error;
    EXPECT_EQ(read.notes, (std::vector<std::string>{"theme: unknown key of version 3, ignored",
                                                    "blocks[0].colour: unknown key of version 3, ignored"}));
    EXPECT_EQ(read.workspace->blocks.at(0).function, 4);
    EXPECT_EQ(read.workspace->connection.timeoutMs, kDefaultResponseTimeoutMs);
    // Its known keys are still checked.
    const std::string bad = R"({"format": "orv-workspace", "version": 3, "connection": {}, "blocks": []})";
    EXPECT_EQ(ReadWorkspace(bad).error, "connection.ip: missing");
}

TEST(Workspace, FilesAreWrittenWholeAndNamedInTheirFaults)
{
    const std::string folder = Temporary();
    ASSERT_FALSE(folder.empty());
    const std::string path = folder + "/plant.json";
    EXPECT_EQ(WriteWorkspaceFile(path, Plant()), "");
    const WorkspaceRead read = ReadWorkspaceFile(path);
    ASSERT_TRUE(read.workspace) << read.error;
    EXPECT_EQ(read.workspace->blocks.size(), 2u);

    // A workspace that would not read back is not written; the file stays.
    Workspace bad = Plant();
    bad.blocks[1].count = 0;
    EXPECT_EQ(WriteWorkspaceFile(path, bad), "Cannot save the workspace: blocks[1].count: must be 1 to 2000");
    bad = Plant();
    bad.blocks[0].name = "\xff";
    EXPECT_EQ(WriteWorkspaceFile(path, bad), "Cannot save the workspace: blocks[0].name: not UTF-8 text");
    EXPECT_TRUE(ReadWorkspaceFile(path).workspace);

    EXPECT_EQ(WriteWorkspaceFile(folder + "/none/plant.json", Plant()),
              "Cannot write \"" + folder + "/none/plant.json\": No such file or directory");
    EXPECT_EQ(ReadWorkspaceFile(folder + "/gone.json").error,
              "Cannot read \"" + folder + "/gone.json\": No such file or directory");
    EXPECT_EQ(ReadWorkspaceFile(folder).error, "Cannot read \"" + folder + "\": Is a directory");
    std::ofstream(folder + "/broken.json") << "{\n}\n{";
    EXPECT_EQ(ReadWorkspaceFile(folder + "/broken.json").error,
              folder + "/broken.json: line 3, column 1: syntax error while parsing value - unexpected '{'; "
                       "expected end of input");

    // Nothing but the files themselves is left in the folder.
    EXPECT_EQ(std::system(("test $(ls -A '" + folder + "' | wc -l) -eq 2").c_str()), 0);
    std::system(("rm -r '" + folder + "'").c_str());
}

} // namespace
