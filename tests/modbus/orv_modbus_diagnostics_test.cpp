// orv-modbus's diagnostics against pymodbus servers with several units and
// gaps in their maps, in both framings, and scripted gateways for bad CRCs
// and a gateway's own exceptions: raw frames, unit and register scans,
// captures read back with tshark, statistics at the end of a poll.
#include "tests/modbus/cli_runner.h"
#include "tests/modbus/modbus_server_process.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/loopback.h"
#include "tests/support/tshark.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using testing_support::Bytes;
using testing_support::CliRun;
using testing_support::ModbusServerProcess;
using testing_support::Reaction;
using testing_support::RunOrvModbus;

std::vector<nlohmann::json> JsonLines(const std::string &text)
{
    std::vector<nlohmann::json> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(nlohmann::json::parse(text.substr(start, end - start)));
    return lines;
}

// Whether `pattern` (POSIX extended) matches a part of `text`; `group`
// gets what its first group matched.
bool Contains(const std::string &text, const std::string &pattern, std::string *group = nullptr)
{
    regex_t compiled;
    if (regcomp(&compiled, pattern.c_str(), REG_EXTENDED) != 0) {
        ADD_FAILURE() << "bad pattern " << pattern;
        return false;
    }
    regmatch_t matches[2];
    const bool found = regexec(&compiled, text.c_str(), 2, matches, 0) == 0;
    regfree(&compiled);
    if (found && group != nullptr && matches[1].rm_so >= 0)
        *group = text.substr(static_cast<size_t>(matches[1].rm_so),
                             static_cast<size_t>(matches[1].rm_eo - matches[1].rm_so));
    return found;
}

// Both framings, each against its own server with units 1, 2 and 5.
class OrvModbusDiagnostics : public ::testing::TestWithParam<const char *> {
protected:
    static void SetUpTestSuite()
    {
        for (const char *framing : {"rtu", "tcp"})
            s_servers[framing] = std::make_unique<ModbusServerProcess>("127.0.0.1", framing, "gaps");
    }
    static void TearDownTestSuite() { s_servers.clear(); }
    void SetUp() override { ASSERT_TRUE(Server().Ready()) << Server().Output(); }

    static const ModbusServerProcess &Server() { return *s_servers.at(GetParam()); }
    static std::string Port() { return std::to_string(Server().Port()); }
    static bool Tcp() { return std::string(GetParam()) == "tcp"; }
    static CliRun Run(std::vector<std::string> args, bool interrupt = false)
    {
        args.insert(args.begin(), {"127.0.0.1", "-p", Port(), "--framing", GetParam()});
        return RunOrvModbus(args, interrupt);
    }

    static std::map<std::string, std::unique_ptr<ModbusServerProcess>> s_servers;
};

std::map<std::string, std::unique_ptr<ModbusServerProcess>> OrvModbusDiagnostics::s_servers;

INSTANTIATE_TEST_SUITE_P(Framings, OrvModbusDiagnostics, ::testing::Values("rtu", "tcp"));

TEST_P(OrvModbusDiagnostics, ScanUnitsListsEveryUnitThatAnswers)
{
    const CliRun text = Run({"scan-units", "--to", "8"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out, "unit 1: read holding registers, address 0, count 1: 4660\n"
                        "unit 2: read holding registers, address 0, count 1: 0\n"
                        "unit 5: read holding registers: exception 2, Illegal data address\n"
                        "3 units found, 8 requests\n");
    EXPECT_TRUE(Contains(text.err, "orv-modbus: scanning units 1-8: [0-9]+ % \\([0-9] of 8\\), [0-9] units? found\n"))
        << text.err;

    const CliRun json = Run({"scan-units", "--from", "2", "--to", "6", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    const std::vector<nlohmann::json> units = JsonLines(json.out);
    ASSERT_EQ(units.size(), 2u) << json.out;
    EXPECT_EQ(units[0]["unit"], 2);
    EXPECT_EQ(units[1]["unit"], 5);
    EXPECT_EQ(units[1]["exception"], 2);
    EXPECT_EQ(units[1]["answer"], Tcp() ? "00 04 00 00 00 03 05 83 02" : "05 83 02 81 30");

    // Ctrl+C ends the scan after the request in hand, with what it found.
    const CliRun cancelled = Run({"scan-units", "--from", "5", "--to", "247"}, true);
    EXPECT_EQ(cancelled.status, 0) << cancelled.err;
    EXPECT_TRUE(Contains(cancelled.out, "^unit 5: [^\n]+\n1 unit found, [0-9]+ requests?\n$")) << cancelled.out;
    EXPECT_TRUE(Contains(cancelled.err, "orv-modbus: scan cancelled at unit [0-9]+\n$")) << cancelled.err;
}

TEST_P(OrvModbusDiagnostics, ScanRegistersFindsTheGaps)
{
    const CliRun holding = Run({"-u", "2", "scan-registers", "--function", "3", "--from", "0", "--to", "300"});
    EXPECT_EQ(holding.status, 0) << holding.err;
    std::string requests;
    ASSERT_TRUE(Contains(holding.out,
                         "^0-99 readable\n100-199 refused\n200-231 readable\n232-300 refused\n([0-9]+) requests\n$",
                         &requests))
        << holding.out;
    // A request an address refused, a few for the readable ones.
    EXPECT_LE(std::stoi(requests), 169 + 30);

    EXPECT_EQ(Run({"-u", "2", "scan-registers", "--function", "4", "--to", "20"}).out,
              "0-9 readable\n10-20 refused\n16 requests\n");
    EXPECT_TRUE(Contains(Run({"-u", "5", "scan-registers", "--from", "5", "--to", "25"}).out,
                         "^5-9 refused\n10-19 readable\n20-25 refused\n[0-9]+ requests\n$"));

    const CliRun coils = Run({"-u", "2", "scan-registers", "--function", "read-coils", "--to", "60", "--json"});
    EXPECT_EQ(coils.status, 0) << coils.err;
    EXPECT_EQ(coils.out, "{\"from\":0,\"to\":15,\"readable\":true}\n{\"from\":16,\"to\":31,\"readable\":false}\n"
                         "{\"from\":32,\"to\":47,\"readable\":true}\n{\"from\":48,\"to\":60,\"readable\":false}\n");
    EXPECT_EQ(Run({"-u", "2", "scan-registers", "--function", "2", "--from", "32", "--to", "47"}).out,
              "32-47 readable\n1 request\n");

    // A unit that never answers stops the scan at once.
    const CliRun silent = Run({"-u", "9", "scan-registers", "--to", "99", "-t", "200"});
    EXPECT_EQ(silent.status, 2);
    EXPECT_EQ(silent.out, "1 request\n");
    EXPECT_TRUE(Contains(silent.err, ": scan stopped at address 0: no answer within 200 ms\n$")) << silent.err;
}

TEST_P(OrvModbusDiagnostics, RawFramesFramedOrAsIsAndDecoded)
{
    const CliRun framed = Run({"raw", "01", "03", "00", "00", "00", "02", "--trace"});
    EXPECT_EQ(framed.status, 0) << framed.err;
    const std::string answer = Tcp() ? "00 01 00 00 00 07 01 03 04 12 34 56 78" : "01 03 04 12 34 56 78 81 07";
    const std::string words = "unit 1: read holding registers, address 0, count 2: 4660 22136";
    EXPECT_EQ(framed.out, answer + "\n" + (Tcp() ? "transaction 1, " : "") + words + "\n");
    EXPECT_TRUE(Contains(framed.err, " < " + answer + " \\| " + (Tcp() ? "transaction 1, " : "") + words + "\n"))
        << framed.err;

    const CliRun asIs = Tcp() ? Run({"raw", "--as-is", "002A", "0000", "0006", "0103", "00C8", "0002"})
                              : Run({"raw", "--as-is", "0103000000020000"});
    // The RTU frame's CRC is wrong as given: the device keeps silent.
    if (Tcp()) {
        EXPECT_EQ(asIs.status, 0) << asIs.err;
        EXPECT_EQ(asIs.out, "00 2A 00 00 00 07 01 03 04 C8 C8 C9 C9\ntransaction 42, unit 1: read holding registers, "
                            "address 200, count 2: 51400 51657\n");
    } else {
        EXPECT_EQ(asIs.status, 2);
        EXPECT_TRUE(Contains(asIs.err, ": no answer within 1000 ms\n$")) << asIs.err;
    }

    const CliRun refused = Run({"raw", "02", "03", "00", "64", "00", "01", "--json"});
    EXPECT_EQ(refused.status, 1);
    const nlohmann::json line = nlohmann::json::parse(refused.out);
    EXPECT_EQ(line["decoded"], std::string(Tcp() ? "transaction 1, " : "") +
                                   "unit 2: read holding registers: exception 2, Illegal data address");
    EXPECT_EQ(line["port"], Server().Port());
}

TEST_P(OrvModbusDiagnostics, CaptureReadsBackWithTshark)
{
    if (!testing_support::TsharkAvailable())
        GTEST_SKIP() << "tshark is missing: scripts/install-deps.sh --test installs it";
    char folder[] = "/tmp/orv-modbus-pcap-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/poll.pcap";
    const CliRun polled = Run({"3", "-c", "2", "--times", "3", "--poll", "10", "--pcap", path});
    EXPECT_EQ(polled.status, 0) << polled.err;
    int status = -1;
    const std::string decoder = Tcp() ? "mbtcp" : "mbrtu";
    const std::string fields = testing_support::RunTshark(
        "-r " + path + " -d tcp.port==" + Port() + "," + decoder + " -Y " + decoder +
            " -T fields -E separator=, -e tcp.srcport -e " + (Tcp() ? "mbtcp.trans_id" : "mbrtu.unit_id") +
            " -e modbus.func_code",
        status);
    EXPECT_EQ(status, 0);
    // Each exchange: the client's request from its port, the answer from
    // the server's.
    const std::string client = fields.substr(0, fields.find(','));
    EXPECT_NE(client, Port());
    std::string expected;
    for (int exchange = 1; exchange <= 3; ++exchange) {
        const std::string id = Tcp() ? std::to_string(exchange) : "1";
        expected += client + "," + id + ",3\n" + Port() + "," + id + ",3\n";
    }
    EXPECT_EQ(fields, expected);
    unlink(path.c_str());
    rmdir(folder);
}

TEST(OrvModbusStats, PerUnitFailuresAndRoundTripsAtTheEndOfAPoll)
{
    testing_support::FakeGateway gateway;
    const auto registers = [](const Bytes &request) {
        return testing_support::WithCrc({request[0], request[1], 2, 0, 7});
    };
    gateway.Then(Reaction::Compute(registers));
    gateway.Then(Reaction::Send({1, 3, 2, 0, 7, 0, 0})); // bad CRC
    gateway.Then(Reaction::Send(testing_support::WithCrc({1, 0x83, 2})));
    gateway.Then(Reaction::Nothing());
    gateway.SetDefault(Reaction::Compute(registers));
    const std::string port = std::to_string(gateway.Port());
    const CliRun polled = RunOrvModbus({"127.0.0.1", "-p", port, "3", "--poll", "10", "--times", "5", "-t", "200",
                                        "--stats"});
    EXPECT_EQ(polled.status, 2);
    EXPECT_TRUE(Contains(polled.err, "orv-modbus: 127.0.0.1:" + port +
                                         ": unit 1: 5 requests, 3 failed \\(no answer 1, CRC 1, exception 1, "
                                         "other 0\\), round trip last/min/avg/p99/max [0-9.]+/[0-9.]+/[0-9.]+/"
                                         "[0-9.]+/[0-9.]+ ms\n$"))
        << polled.err;

    // Ended by Ctrl+C, with the statistics as well.
    const CliRun interrupted = RunOrvModbus({"127.0.0.1", "-p", port, "3", "--poll", "20", "--stats"}, true);
    EXPECT_EQ(interrupted.status, 0) << interrupted.err;
    EXPECT_TRUE(Contains(interrupted.err, ": unit 1: [1-9][0-9]* requests?, 0 failed [^\n]+p99[^\n]+ ms\n$"))
        << interrupted.err;
}

TEST(OrvModbusGateway, BadCrcsAndTheGatewaysOwnExceptions)
{
    testing_support::FakeGateway gateway;
    // Unit 3 answers; for any other the gateway says its target failed to
    // respond (exception 11), which is no unit's answer.
    gateway.SetDefault(Reaction::Compute([](const Bytes &request) {
        if (request[0] == 3)
            return testing_support::WithCrc({3, 3, 2, 0x12, 0x34});
        return testing_support::WithCrc({request[0], static_cast<uint8_t>(request[1] | 0x80), 0x0B});
    }));
    const std::string port = std::to_string(gateway.Port());
    const CliRun scan = RunOrvModbus({"127.0.0.1", "-p", port, "scan-units", "--to", "20"});
    EXPECT_EQ(scan.status, 0) << scan.err;
    EXPECT_EQ(scan.out, "unit 3: read holding registers, address 0, count 1: 4660\n1 unit found, 20 requests\n");

    testing_support::FakeGateway spoiling;
    spoiling.SetDefault(Reaction::Send({1, 3, 2, 0x12, 0x34, 0xAB, 0xCD}));
    const CliRun raw = RunOrvModbus({"127.0.0.1", "-p", std::to_string(spoiling.Port()), "raw", "01 03 00 00 00 01"});
    EXPECT_EQ(raw.status, 1);
    EXPECT_EQ(raw.out, "01 03 02 12 34 AB CD\nunit 1: read holding registers, address 0, count 1: 4660; CRC bad\n");
}

TEST(OrvModbusDiagnosticsUsage, RefusesWhatDoesNotApplyAndSendsNothing)
{
    testing_support::LoopbackListener listener;
    const std::string port = std::to_string(listener.Port());
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"3", "--from", "1"}, "--from applies to scan-units and scan-registers only"},
        {{"3", "--as-is"}, "--as-is applies to raw only"},
        {{"3", "--stats"}, "--stats applies to --poll and --times runs"},
        {{"raw"}, "raw takes the frame's bytes in hex, such as 01 03 00 00 00 02"},
        {{"raw", "01", "3"}, "raw bytes are pairs of hex digits such as 01 03, not '3'"},
        {{"raw", "01", "-u", "2", "03"}, "--unit does not apply to raw"},
        {{"raw", "01"}, "a raw frame takes 2 to 254 bytes, got 1"},
        {{"scan-units", "--from", "0"}, "--from must be 1 to 255, not '0'"},
        {{"scan-units", "--from", "9", "--to", "8"}, "--from 9 is past --to 8"},
        {{"scan-units", "-c", "2"}, "--count does not apply to scan-units"},
        {{"scan-registers", "--from", "10"}, "scan-registers needs --to, the last address to scan"},
        {{"scan-registers", "--function", "6", "--to", "9"}, "--function must be 1, 2, 3 or 4 (a read), not '6'"},
        {{"scan-registers", "--to", "9", "1"}, "scan-registers takes no values, got '1'"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = c.first;
        args.insert(args.begin(), {"127.0.0.1", "-p", port});
        const CliRun run = RunOrvModbus(args);
        EXPECT_EQ(run.status, 64) << c.second;
        EXPECT_EQ(run.err, "orv-modbus: " + c.second + " (see --help)\n");
    }
    // A capture that cannot be written: said before anything is sent.
    const CliRun unwritable = RunOrvModbus({"127.0.0.1", "-p", port, "3", "--pcap", "/nonexistent/x.pcap"});
    EXPECT_EQ(unwritable.status, 74);
    EXPECT_EQ(unwritable.err, "orv-modbus: cannot write /nonexistent/x.pcap: No such file or directory\n");
    EXPECT_FALSE(listener.Accept(testing_support::Millis(100)).Valid());
    const CliRun help = RunOrvModbus({"--help"});
    for (const char *text : {"raw BYTES", "scan-units", "scan-registers", "--pcap", "--stats", "--as-is"})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
}

} // namespace
