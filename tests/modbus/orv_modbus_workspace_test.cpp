// orv-modbus --workspace against the pymodbus server in both framings:
// every block read and printed by name as the window decodes it, a failed
// block told apart while the others go on, rounds and Ctrl+C, and a bad
// file refused before any connection.
#include "library/modbus_lib/modbus_values.h"
#include "modbus/workspace.h"
#include "tests/modbus/cli_runner.h"
#include "tests/modbus/modbus_server_process.h"
#include "tests/support/loopback.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex.h>
#include <sstream>
#include <unistd.h>

namespace {

using testing_support::ModbusServerProcess;
using testing_support::RunOrvModbus;

const std::string kStamp = "[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}";

// The server's store (tests/support/modbus_server.py): holding registers
// 0x1234 0x5678 0x0202 0x0303, input registers 11 22, coils on at 0 and 3;
// it has no holding register 300.
Workspace Plant(int port, int framing)
{
    Workspace ws;
    ws.connection = {"127.0.0.1", port, framing, 300};
    BlockDefinition meter;
    meter.name = "meter";
    meter.count = 4;
    meter.rows[0] = {"first", ValueFormat{ValueType::U32, MB_ORDER_ABCD}};
    meter.rows[3] = {"flags", ValueFormat{ValueType::Hex, 0}};
    BlockDefinition beyond;
    beyond.name = "beyond";
    beyond.start = 299;
    beyond.count = 3;
    BlockDefinition coils;
    coils.name = "relays";
    coils.function = 1;
    coils.count = 4;
    coils.rows[0] = {"pump", std::nullopt};
    ws.blocks = {meter, beyond, coils};
    return ws;
}

class Folder {
public:
    Folder()
    {
        char name[] = "/tmp/orv-modbus-workspace.XXXXXX";
        m_path = mkdtemp(name) != nullptr ? name : "";
    }
    ~Folder() { std::system(("rm -rf '" + m_path + "'").c_str()); }
    std::string Save(const Workspace &ws) const
    {
        const std::string path = m_path + "/plant.json";
        EXPECT_EQ(WriteWorkspaceFile(path, ws), "");
        return path;
    }
    const std::string &Path() const { return m_path; }

private:
    std::string m_path;
};

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Whether `pattern` (POSIX extended; std::regex trips GCC's warnings under
// the sanitizers) matches all of `text`.
bool Matches(const std::string &text, const std::string &pattern)
{
    regex_t compiled;
    if (regcomp(&compiled, ("^(" + pattern + ")$").c_str(), REG_EXTENDED | REG_NOSUB) != 0) {
        ADD_FAILURE() << "bad pattern " << pattern;
        return false;
    }
    const bool found = regexec(&compiled, text.c_str(), 0, nullptr, 0) == 0;
    regfree(&compiled);
    return found;
}

TEST(OrvModbusWorkspace, ReadsEveryBlockByNameInBothFramings)
{
    for (const std::string framing : {"rtu", "tcp"}) {
        const ModbusServerProcess server("127.0.0.1", framing);
        ASSERT_TRUE(server.Ready()) << server.Output();
        const Folder folder;
        const std::string where = "127.0.0.1:" + std::to_string(server.Port());
        const std::string path =
            folder.Save(Plant(server.Port(), framing == "tcp" ? MB_FRAMING_TCP : MB_FRAMING_RTU));

        const auto text = RunOrvModbus({"--workspace", path});
        EXPECT_EQ(text.status, 1) << framing << text.err;
        EXPECT_EQ(text.err, "orv-modbus: " + where + ": block beyond: exception 2: Illegal data address\n");
        const std::vector<std::string> shown = {"meter unit 1 0 first = 305419896", "meter unit 1 2 = 514",
                                                "meter unit 1 3 flags = 303",       "relays unit 1 0 pump = 1",
                                                "relays unit 1 1 = 0",              "relays unit 1 2 = 0",
                                                "relays unit 1 3 = 1"};
        const std::vector<std::string> lines = Lines(text.out);
        ASSERT_EQ(lines.size(), shown.size()) << text.out;
        for (size_t n = 0; n < lines.size(); ++n)
            EXPECT_TRUE(Matches(lines[n], kStamp + " " + shown[n])) << lines[n];

        const auto json = RunOrvModbus({"--workspace", path, "--json"});
        EXPECT_EQ(json.status, 1) << json.err;
        const std::vector<std::string> objects = Lines(json.out);
        ASSERT_EQ(objects.size(), shown.size()) << json.out;
        const nlohmann::json first = nlohmann::json::parse(objects[0]);
        EXPECT_EQ(first, nlohmann::json::parse(R"({"block": "meter", "unit": 1, "address": 0, "name": "first",
            "value": 305419896, "text": "305419896", "time": )" + first["time"].dump() + "}"));
        EXPECT_TRUE(Matches(first["time"], kStamp + "[+-][0-9]{2}:[0-9]{2}")) << first["time"];
        const nlohmann::json flags = nlohmann::json::parse(objects[2]);
        EXPECT_EQ(flags["value"], 0x0303);
        EXPECT_EQ(flags["text"], "303");
        EXPECT_EQ(nlohmann::json::parse(objects[3])["name"], "pump");
    }
}

TEST(OrvModbusWorkspace, CommandLineConnectionPollsInRoundsUntilCountOrCtrlC)
{
    const ModbusServerProcess server("127.0.0.1", "tcp");
    ASSERT_TRUE(server.Ready()) << server.Output();
    // The workspace names a port that refuses, in the other framing: the
    // command line's --port and --framing replace them.
    const testing_support::RefusingPort refusing;
    Workspace ws = Plant(refusing.Port(), MB_FRAMING_RTU);
    ws.blocks.erase(ws.blocks.begin() + 1);
    const Folder folder;
    const std::string path = folder.Save(ws);
    const std::string where = "127.0.0.1:" + std::to_string(server.Port());
    const std::vector<std::string> connection = {"--workspace", path, "-p", std::to_string(server.Port()),
                                                 "--framing", "tcp"};

    std::vector<std::string> args = connection;
    args.insert(args.end(), {"--poll", "30", "--times", "2", "--stats"});
    const auto counted = RunOrvModbus(args);
    EXPECT_EQ(counted.status, 0) << counted.err;
    EXPECT_EQ(Lines(counted.out).size(), 14u) << counted.out;
    EXPECT_TRUE(Matches(counted.err, "orv-modbus: " + where +
                                         ": 4 requests, 0 failed, round trip min/median/max [0-9./]+ ms\n"
                                         "orv-modbus: " + where + ": unit 1: [^\n]+\n"))
        << counted.err;

    args = connection;
    args.insert(args.end(), {"--poll", "50"});
    const auto interrupted = RunOrvModbus(args, true);
    EXPECT_EQ(interrupted.status, 0) << interrupted.err;
    EXPECT_TRUE(Matches(interrupted.err, "orv-modbus: " + where + ": [0-9]+ requests?, 0 failed, [^\n]+\n"))
        << interrupted.err;
}

TEST(OrvModbusWorkspace, ABadFileOrOptionIsWrongUsageAndConnectsNowhere)
{
    testing_support::LoopbackListener listener;
    const Folder folder;
    const std::string path = folder.Save(Plant(listener.Port(), MB_FRAMING_RTU));
    const std::string broken = folder.Path() + "/broken.json";
    std::system(("sed 's/\"count\": 4/\"count\": 126/' '" + path + "' > '" + broken + "'").c_str());
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--workspace", broken}, broken + ": blocks[0].count: must be 1 to 125"},
        {{"--workspace", folder.Path() + "/none.json"},
         "Cannot read \"" + folder.Path() + "/none.json\": No such file or directory"},
        {{"--workspace", path, "-c", "2"}, "--count does not apply to --workspace: each block has its own (see --help)"},
        {{"--workspace", path, "127.0.0.1", "3"},
         "--workspace reads the workspace's blocks: no FUNCTION ('3') goes with it (see --help)"},
        {{"--workspace", path, "--stats"}, "--stats applies to --poll and --times runs (see --help)"},
    };
    for (const auto &item : cases) {
        const auto run = RunOrvModbus(item.first);
        EXPECT_EQ(run.status, 64) << item.second;
        EXPECT_EQ(run.err, "orv-modbus: " + item.second + "\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(listener.Accept(testing_support::Millis(100)).Valid());
}

} // namespace
