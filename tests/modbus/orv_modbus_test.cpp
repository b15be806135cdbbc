// orv-modbus: its arguments turned into requests (no network), then the
// real program against the pymodbus server and loopback peers that refuse,
// keep silent or never accept.
#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_values.h"
#include "modbus_cli/framing_hint.h"
#include "modbus_cli/output.h"
#include "modbus_cli/request.h"
#include "tests/modbus/modbus_server_process.h"
#include "tests/support/fake_gateway.h"
#include "tests/support/loopback.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <regex.h>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Whether `pattern` (POSIX extended) matches all of `text`, or with
// `anywhere` a part of it.
bool Matches(const std::string &text, const std::string &pattern, bool anywhere = false)
{
    regex_t compiled;
    const std::string whole = anywhere ? pattern : "^(" + pattern + ")$";
    if (regcomp(&compiled, whole.c_str(), REG_EXTENDED | REG_NOSUB) != 0) {
        ADD_FAILURE() << "bad pattern " << pattern;
        return false;
    }
    const bool found = regexec(&compiled, text.c_str(), 0, nullptr, 0) == 0;
    regfree(&compiled);
    return found;
}

bool Contains(const std::string &text, const std::string &pattern)
{
    return Matches(text, pattern, true);
}

using modbus_cli::Arguments;
using modbus_cli::BuildRequest;
using modbus_cli::BuildSettings;
using modbus_cli::Request;
using modbus_cli::Settings;
using testing_support::ModbusServerProcess;

// ---- arguments to requests ------------------------------------------------

Arguments With(const std::string &function, std::vector<std::string> values = {})
{
    Arguments arguments;
    arguments.function = function;
    arguments.values = std::move(values);
    return arguments;
}

TEST(OrvModbusRequest, FunctionsByNameOrNumberAndNumbersInDecimalOrHex)
{
    EXPECT_EQ(modbus_cli::FunctionCode("read-holding-registers"), 3);
    EXPECT_EQ(modbus_cli::FunctionCode("23"), 23);
    EXPECT_EQ(modbus_cli::FunctionCode("7"), 0);
    EXPECT_EQ(modbus_cli::FunctionCode("03"), 0);
    long value = 0;
    EXPECT_TRUE(modbus_cli::ParseNumber("0x1F", 0, 65535, value));
    EXPECT_EQ(value, 31);
    EXPECT_TRUE(modbus_cli::ParseNumber("-32768", -32768, 65535, value));
    EXPECT_EQ(value, -32768);
    for (const char *bad : {"", "-", "0x", "1e3", "12 ", "+5", "-0x5", "65536", "99999999999999999999"})
        EXPECT_FALSE(modbus_cli::ParseNumber(bad, -32768, 65535, value)) << bad;
}

TEST(OrvModbusRequest, FillsEachKindOfRequest)
{
    Request request;
    Arguments read = With("4");
    read.address = "0x10";
    read.count = "125";
    read.unit = "255";
    ASSERT_EQ(BuildRequest(read, request), "");
    EXPECT_EQ((std::vector<int>{request.function, request.unit, request.address, request.count}),
              (std::vector<int>{4, 255, 16, 125}));

    Arguments both = With("read-write-registers", {"-1", "0x8000", "7"});
    both.address = "100";
    both.count = "2";
    both.writeAddress = "200";
    both.format = "s8";
    ASSERT_EQ(BuildRequest(both, request), "");
    EXPECT_EQ(request.registers, (std::vector<uint16_t>{0xFFFF, 0x8000, 7}));
    EXPECT_EQ((std::vector<int>{request.address, request.count, request.writeAddress}),
              (std::vector<int>{100, 2, 200}));

    ASSERT_EQ(BuildRequest(With("write-coils", {"1", "0", "0x1"}), request), "");
    EXPECT_EQ(request.coils, (std::vector<uint8_t>{1, 0, 1}));
    EXPECT_EQ(request.count, 0);

    // Two registers a value, in the order given; a read takes one value
    // unless counted.
    Arguments floats = With("write-registers", {"1.5", "-2"});
    floats.format = "f32";
    floats.order = "CDAB";
    ASSERT_EQ(BuildRequest(floats, request), "");
    EXPECT_EQ(request.registers, (std::vector<uint16_t>{0x0000, 0x3FC0, 0x0000, 0xC000}));
    floats.format = "u32";
    floats.values = {"0xFFFFFFFE", "7"};
    floats.order = "badc";
    ASSERT_EQ(BuildRequest(floats, request), "");
    EXPECT_EQ(request.registers, (std::vector<uint16_t>{0xFFFF, 0xFEFF, 0x0000, 0x0700}));
    Arguments wideRead = With("3");
    wideRead.format = "s32";
    ASSERT_EQ(BuildRequest(wideRead, request), "");
    EXPECT_EQ((std::vector<int>{request.count, request.wide, request.order}),
              (std::vector<int>{2, modbus_cli::WIDE_S32, 0}));

    // Four registers a value for the 64-bit formats, four by default.
    Arguments doubles = With("write-registers", {"-2", "0x0102030405060708"});
    doubles.format = "s64";
    doubles.order = "GHEFCDAB";
    ASSERT_EQ(BuildRequest(doubles, request), "");
    EXPECT_EQ(request.registers, (std::vector<uint16_t>{0xFFFE, 0xFFFF, 0xFFFF, 0xFFFF, 0x0708, 0x0506, 0x0304, 0x0102}));
    Arguments doubleRead = With("4");
    doubleRead.format = "f64";
    ASSERT_EQ(BuildRequest(doubleRead, request), "");
    EXPECT_EQ((std::vector<int>{request.count, request.wide, request.order}),
              (std::vector<int>{4, modbus_cli::WIDE_F64, MB_ORDER_ABCDEFGH}));

    Arguments modbusTcp;
    modbusTcp.framing = "tcp";
    Settings settings;
    ASSERT_EQ(BuildSettings(modbusTcp, settings), "");
    EXPECT_EQ((std::vector<int>{settings.framing, settings.port}), (std::vector<int>{MB_FRAMING_TCP, 502}));
    modbusTcp.port = "1502";
    ASSERT_EQ(BuildSettings(modbusTcp, settings), "");
    EXPECT_EQ(settings.port, 1502);
    ASSERT_EQ(BuildSettings(Arguments{}, settings), "");
    EXPECT_EQ((std::vector<int>{settings.framing, settings.port}), (std::vector<int>{MB_FRAMING_RTU, 65100}));
}

// Everything the protocol or the client would refuse is refused before any
// connection, with a line that names what is wrong.
TEST(OrvModbusRequest, RefusesWhatTheProtocolRefuses)
{
    struct Case {
        Arguments arguments;
        const char *refusal;
    };
    std::vector<Case> cases = {
        {With("read-everything"), "unknown function 'read-everything'"},
        {With("write-coil"), "write-coil takes one coil value, got 0"},
        {With("write-register", {"1", "2"}), "write-register takes one register value, got 2"},
        {With("write-coil", {"2"}), "a coil value must be 0 or 1, not '2'"},
        {With("write-registers", {"65536"}), "a register value must be -32768 to 65535"},
        {With("write-registers", std::vector<std::string>(124, "1")), "takes 1 to 123 register values, got 124"},
        {With("write-coils", std::vector<std::string>(1969, "1")), "takes 1 to 1968 coil values, got 1969"},
        {With("read-write-registers", std::vector<std::string>(122, "1")), "takes 1 to 121 register values"},
        {With("read-write-registers"), "takes 1 to 121 register values, got 0"},
        {With("read-coils", {"1"}), "read-coils takes no values, got '1'"},
    };
    const auto add = [&cases](const char *function, std::string Arguments::*field, const char *text,
                              const char *refusal) {
        Arguments arguments = With(function, function[0] == 'w' ? std::vector<std::string>{"1"}
                                                                : std::vector<std::string>{});
        arguments.*field = text;
        cases.push_back({arguments, refusal});
    };
    add("read-coils", &Arguments::count, "2001", "--count for read-coils must be 1 to 2000, not '2001'");
    add("read-input-registers", &Arguments::count, "126", "must be 1 to 125, not '126'");
    add("read-holding-registers", &Arguments::count, "0", "must be 1 to 125, not '0'");
    add("read-write-registers", &Arguments::count, "126", "must be 1 to 125, not '126'");
    add("read-holding-registers", &Arguments::address, "65536", "--address must be 0 to 65535");
    add("read-holding-registers", &Arguments::unit, "256", "--unit must be 0 to 255, not '256'");
    add("read-holding-registers", &Arguments::format, "float", "unknown format 'float'");
    add("read-holding-registers", &Arguments::writeAddress, "1", "--write-address applies to read-write");
    add("write-register", &Arguments::count, "1", "--count does not apply to write-register");
    add("report-slave-id", &Arguments::address, "1", "--address does not apply to report-slave-id");
    add("read-holding-registers", &Arguments::order, "cdab", "--order applies to the formats u32, s32 and f32");
    const auto addWide = [&cases](Arguments arguments, const char *format, const char *order, const char *refusal) {
        arguments.format = format;
        arguments.order = order;
        cases.push_back({arguments, refusal});
    };
    Arguments odd = With("read-input-registers");
    odd.count = "3";
    addWide(odd, "f32", "", "--count 3 splits a register pair: f32 values take two registers each");
    addWide(With("3"), "u32", "abdc", "unknown order 'abdc'; one of abcd, cdab, badc, dcba");
    addWide(With("write-register", {"1.5"}), "f32", "", "write-register writes one register; f32 values take two");
    addWide(With("write-registers", std::vector<std::string>(62, "1")), "s32", "",
            "write-registers takes 1 to 61 s32 values, got 62");
    addWide(With("read-write-registers", std::vector<std::string>(61, "1")), "u32", "", "takes 1 to 60 u32 values");
    addWide(With("write-registers", {"1e39"}), "f32", "", "an f32 value must be a number, not '1e39'");
    addWide(With("write-registers", {"1.5x"}), "f32", "", "an f32 value must be a number, not '1.5x'");
    addWide(With("write-registers", {"-1"}), "u32", "", "a u32 value must be 0 to 4294967295, not '-1'");
    addWide(With("write-registers", {"2147483648"}), "s32", "", "an s32 value must be -2147483648 to 2147483647");
    Arguments split = With("read-holding-registers");
    split.count = "6";
    addWide(split, "u64", "", "--count 6 splits a value: u64 values take four registers each; give a count "
                              "divisible by 4");
    addWide(With("3"), "f64", "cdab", "unknown order 'cdab'; one of abcdefgh, ghefcdab, badcfehg, hgfedcba for f64");
    addWide(With("write-register", {"1"}), "s64", "", "write-register writes one register; s64 values take four");
    addWide(With("write-registers", std::vector<std::string>(31, "1")), "f64", "",
            "write-registers takes 1 to 30 f64 values, got 31");
    addWide(With("write-registers", {"-1"}), "u64", "", "a u64 value must be 0 to 18446744073709551615, not '-1'");
    addWide(With("write-registers", {"1e309"}), "f64", "", "an f64 value must be a number, not '1e309'");
    Arguments past = With("read-holding-registers");
    past.address = "65500";
    past.count = "37";
    cases.push_back({past, "--address 65500 with 37 items goes past address 65535"});
    Arguments writePast = With("write-registers", {"1", "2"});
    writePast.address = "65535";
    cases.push_back({writePast, "goes past address 65535"});

    for (const Case &c : cases) {
        Request request;
        const std::string refusal = BuildRequest(c.arguments, request);
        EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal << " / " << c.refusal;
    }
    Arguments settings;
    Settings parsed;
    for (const auto &bad : {std::make_pair(&Arguments::port, "0"), std::make_pair(&Arguments::timeout, "0"),
                            std::make_pair(&Arguments::framing, "udp"),
                            std::make_pair(&Arguments::times, "0"), std::make_pair(&Arguments::poll, "-1")}) {
        Arguments arguments;
        arguments.*bad.first = bad.second;
        EXPECT_NE(BuildSettings(arguments, parsed), "") << bad.second;
    }
    settings.times = "3";
    ASSERT_EQ(BuildSettings(settings, parsed), "");
    EXPECT_TRUE(parsed.polling);
    EXPECT_EQ(parsed.pollMs, 0);
}

// A failed answer in the other framing is told by its bytes; with no answer
// only the two framings' ports tell.
TEST(OrvModbusRequest, HintsAtTheOtherFraming)
{
    using modbus_cli::FramingHint;
    const std::vector<uint8_t> mbap = {0x01, 0x03, 0x00, 0x00, 0x00, 0x03, 0x01, 0x83, 0x02};
    const std::vector<uint8_t> rtu = {0x01, 0x03, 0x04, 0x12, 0x34, 0x56, 0x78, 0x81, 0x07};
    EXPECT_EQ(FramingHint(MB_FRAMING_RTU, mbap, 65100), "the answer looks like Modbus TCP; try --framing tcp");
    EXPECT_EQ(FramingHint(MB_FRAMING_TCP, rtu, 502), "the answer looks like RTU over TCP; try --framing rtu");
    EXPECT_EQ(FramingHint(MB_FRAMING_TCP, mbap, 502), "");
    EXPECT_EQ(FramingHint(MB_FRAMING_RTU, rtu, 502), "");
    // Cut short, or a length that does not fit: not taken for Modbus TCP.
    EXPECT_EQ(FramingHint(MB_FRAMING_RTU, std::vector<uint8_t>(mbap.begin(), mbap.end() - 1), 1502), "");
    std::vector<uint8_t> spoiled = rtu;
    spoiled[3] ^= 1;
    EXPECT_EQ(FramingHint(MB_FRAMING_TCP, spoiled, 1502), "");
    EXPECT_EQ(FramingHint(MB_FRAMING_RTU, {}, 502), "port 502 is the Modbus TCP port; try --framing tcp");
    EXPECT_EQ(FramingHint(MB_FRAMING_TCP, {}, 65100), "port 65100 is the RTU over TCP port; try --framing rtu");
    EXPECT_EQ(FramingHint(MB_FRAMING_RTU, {}, 65100), "");
    EXPECT_EQ(FramingHint(MB_FRAMING_TCP, {}, 1502), "");
}

// The resident memory of this process, in KiB.
long ResidentKib()
{
    long pages = 0;
    long resident = 0;
    std::FILE *statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return -1;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = -1;
    std::fclose(statm);
    return resident < 0 ? -1 : resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// However long a run polls, its round trips take the same room (ten million
// of them, some three minutes at full speed, kept one by one would take
// 80 MB), and the summary's figures stay right.
TEST(OrvModbusSummary, RoundTripsTakeTheSameRoomHoweverManyCome)
{
    modbus_cli::PollSummary summary;
    EXPECT_EQ(modbus_cli::SummaryText(summary), "0 requests, 0 failed");
    summary.roundTrips.Add(0.42);
    summary.requests = 1;
    EXPECT_EQ(modbus_cli::SummaryText(summary), "1 request, 0 failed, round trip min/median/max 0.42/0.42/0.42 ms");

    summary = modbus_cli::PollSummary();
    const long before = ResidentKib();
    ASSERT_GT(before, 0);
    constexpr long long kTrips = 10000000;
    for (long long trip = 0; trip < kTrips; ++trip)
        summary.roundTrips.Add(0.1 + static_cast<double>(trip % 1000) * 0.001); // 0.100 to 1.099 ms
    EXPECT_LT(ResidentKib() - before, 4096);
    summary.requests = kTrips + 5;
    summary.failures = 5;
    EXPECT_EQ(modbus_cli::SummaryText(summary),
              "10000005 requests, 5 failed, round trip min/median/max 0.10/0.60/1.10 ms");
}

// ---- the program ------------------------------------------------------------

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

// Decides, from what the program wrote so far, when to press Ctrl+C.
using InterruptWhen = std::function<bool(const Ran &sofar)>;

// Once the first result line is out: the program polls already.
bool FirstLineOut(const Ran &sofar)
{
    return sofar.out.find('\n') != std::string::npos;
}

// Runs orv-modbus with `args`, at most 15 s; sends Ctrl+C once when
// `interruptWhen` says so. With `stdoutFile`, standard output goes there
// instead.
Ran RunCli(const std::vector<std::string> &args, const InterruptWhen &interruptWhen = nullptr,
           const char *stdoutFile = nullptr)
{
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(stdoutFile != nullptr ? open(stdoutFile, O_WRONLY) : out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        std::vector<char *> argv = {const_cast<char *>(ORV_MODBUS_CLI)};
        for (const std::string &arg : args)
            argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        execv(ORV_MODBUS_CLI, argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    Ran ran;
    const auto start = std::chrono::steady_clock::now();
    const auto elapsedMs = [start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    };
    pollfd entries[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string *sinks[2] = {&ran.out, &ran.err};
    int open = 2;
    bool interrupted = false;
    while (open > 0 && elapsedMs() < 15000) {
        if (interruptWhen && !interrupted && interruptWhen(ran)) {
            kill(pid, SIGINT);
            interrupted = true;
        }
        if (poll(entries, 2, 20) <= 0)
            continue;
        for (int index = 0; index < 2; ++index) {
            if (entries[index].fd < 0 || entries[index].revents == 0)
                continue;
            char chunk[4096];
            const ssize_t count = read(entries[index].fd, chunk, sizeof(chunk));
            if (count > 0) {
                sinks[index]->append(chunk, static_cast<size_t>(count));
            } else {
                close(entries[index].fd);
                entries[index].fd = -1;
                --open;
            }
        }
    }
    kill(pid, SIGKILL); // only if it overran: it has ended when its pipes closed
    int status = 0;
    waitpid(pid, &status, 0);
    for (const pollfd &entry : entries)
        if (entry.fd >= 0)
            close(entry.fd);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

class OrvModbus : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_server = std::make_unique<ModbusServerProcess>("127.0.0.1"); }
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override { ASSERT_TRUE(s_server->Ready()) << s_server->Output(); }

    // Runs against the server; `args` follow the host.
    static Ran Run(std::vector<std::string> args, const InterruptWhen &interruptWhen = nullptr,
                   const char *stdoutFile = nullptr)
    {
        args.insert(args.begin(), {"127.0.0.1", "-p", Port()});
        return RunCli(args, interruptWhen, stdoutFile);
    }
    static std::string Port() { return std::to_string(s_server->Port()); }
    static std::string Where() { return "127.0.0.1:" + Port(); }

    static std::unique_ptr<ModbusServerProcess> s_server;
};

std::unique_ptr<ModbusServerProcess> OrvModbus::s_server;

// Each function by name or number; every write read back. The server's
// store is known (tests/support/modbus_server.py); writes go to addresses of
// their own.
TEST_F(OrvModbus, RunsEachFunction)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> runs = {
        {{"read-coils", "-a", "0", "-c", "4"}, "1 0 0 1\n"},
        {{"2", "-c", "4"}, "0 1 1 0\n"},
        {{"read-holding-registers", "-c", "2"}, "4660 22136\n"},
        {{"-c", "2", "read-input-registers"}, "11 22\n"},
        {{"write-coil", "-a", "200", "1"}, "wrote 1 coil\n"},
        {{"1", "-a", "200"}, "1\n"},
        {{"6", "-a", "201", "0xBEEF"}, "wrote 1 register\n"},
        {{"3", "-a", "201", "-f", "hex"}, "beef\n"},
        {{"write-coils", "-a", "210", "0", "1", "1"}, "wrote 3 coils\n"},
        {{"read-coils", "-a", "210", "-c", "3"}, "0 1 1\n"},
        {{"write-registers", "-a", "220", "-2", "7"}, "wrote 2 registers\n"},
        {{"read-write-registers", "-a", "220", "-c", "3", "-w", "222", "9"}, "65534 7 9\n"},
    };
    for (const auto &run : runs) {
        const Ran ran = Run(run.first);
        EXPECT_EQ(ran.status, 0) << run.first[0] << ": " << ran.err;
        EXPECT_EQ(ran.out, run.second) << run.first[0];
    }
    const Ran slave = Run({"report-slave-id"});
    EXPECT_EQ(slave.status, 0) << slave.err;
    EXPECT_TRUE(Matches(slave.out, "[0-9A-F]{2}( [0-9A-F]{2})*\n")) << slave.out;
}

TEST_F(OrvModbus, ShowsRegistersInTheTerminalsFormats)
{
    ASSERT_EQ(Run({"write-register", "-a", "230", "0xFF85"}).status, 0);
    struct Case {
        const char *format;
        const char *shown; // of 0x1234 (register 0), then of 0xFF85
    };
    const Case cases[] = {
        {"u16", "4660\n65413\n"},   {"s16", "4660\n-123\n"},
        {"u8", "52\n133\n"},        {"s8", "52\n-123\n"},
        {"hex", "1234\nff85\n"},    {"bin16", "1001000110100\n1111111110000101\n"},
        {"bin8", "00110100\n10000101\n"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Run({"3", "-f", c.format}).out + Run({"3", "-a", "230", "-f", c.format}).out, c.shown) << c.format;
    // JSON gives the numbers the format stands for.
    const nlohmann::json line = nlohmann::json::parse(Run({"3", "-a", "230", "-f", "s8", "--json"}).out);
    EXPECT_EQ(line["values"], nlohmann::json::array({-123}));
    EXPECT_EQ(line["function"], "read-holding-registers");
    EXPECT_EQ(line["port"], s_server->Port());
}

TEST_F(OrvModbus, PollsWithACountOrUntilInterrupted)
{
    const Ran counted = Run({"4", "-c", "2", "--poll", "30", "--times", "3"});
    EXPECT_EQ(counted.status, 0) << counted.err;
    const std::string line = "[0-9]{4}-[0-9][0-9]-[0-9][0-9]T[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9]{3} 11 22\n";
    EXPECT_TRUE(Matches(counted.out, line + line + line)) << counted.out;
    EXPECT_TRUE(Contains(counted.err, Where() + ": 3 requests, 0 failed, round trip "
                                                "min/median/max [0-9.]+/[0-9.]+/[0-9.]+ ms\n"))
        << counted.err;

    // Ctrl+C ends an endless run after the request in hand, with the summary.
    const Ran interrupted = Run({"4", "--poll", "50"}, FirstLineOut);
    EXPECT_EQ(interrupted.status, 0) << interrupted.err;
    EXPECT_TRUE(Contains(interrupted.err, ": [1-9][0-9]* requests?, 0 failed, round trip"))
        << interrupted.err;
}

TEST_F(OrvModbus, TracesEveryFrameOnStandardError)
{
    const Ran ran = Run({"3", "-c", "2", "--trace"});
    EXPECT_EQ(ran.out, "4660 22136\n");
    const std::string stamp = "[0-9]{4}-[0-9][0-9]-[0-9][0-9]T[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9]{6}";
    EXPECT_TRUE(Matches(ran.err, stamp + " > 01 03 00 00 00 02 C4 0B \\| unit 1: read holding registers, address 0, "
                                         "count 2\n" +
                                     stamp + " < 01 03 04 12 34 56 78 81 07 \\| unit 1: read holding registers, "
                                             "address 0, count 2: 4660 22136\n"))
        << ran.err;
}

// Each exit status with its one line on standard error, naming host, port
// and cause.
TEST_F(OrvModbus, ExitStatusTellsTheCause)
{
    // 1: the device answers with an exception (registers past its store).
    const Ran exception = Run({"3", "-a", "299", "-c", "3"});
    EXPECT_EQ(exception.status, 1);
    EXPECT_EQ(exception.err, "orv-modbus: " + Where() + ": exception 2: Illegal data address\n");

    // 2: no answer (the server ignores other units), in JSON as well; no
    // connection (refused, or never accepted).
    const Ran silent = Run({"3", "-u", "7", "-t", "200", "--json"});
    EXPECT_EQ(silent.status, 2);
    EXPECT_EQ(silent.err, "orv-modbus: " + Where() + ": no answer within 200 ms\n");
    const nlohmann::json line = nlohmann::json::parse(silent.out);
    EXPECT_EQ(line["status"], 2);
    EXPECT_EQ(line["unit"], 7);
    const testing_support::RefusingPort refusing;
    const Ran refused = RunCli({"127.0.0.1", "3", "-p", std::to_string(refusing.Port())});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "orv-modbus: 127.0.0.1:" + std::to_string(refusing.Port()) +
                               ": cannot connect: Connection refused\n");
    const testing_support::SilentPeer unanswered;
    const Ran timedOut = RunCli({"127.0.0.1", "3", "-t", "200", "-p", std::to_string(unanswered.Port())});
    EXPECT_EQ(timedOut.status, 2);
    EXPECT_EQ(timedOut.err, "orv-modbus: 127.0.0.1:" + std::to_string(unanswered.Port()) +
                                ": no connection within 200 ms\n");

    // 74: the results could not be written; a poll ends at once.
    for (const std::vector<std::string> &args : {std::vector<std::string>{"3"}, {"3", "--json", "--times", "3"}}) {
        const Ran full = Run(args, nullptr, "/dev/full");
        EXPECT_EQ(full.status, 74) << args.size();
        EXPECT_EQ(full.err, "orv-modbus: cannot write the results: No space left on device\n");
    }

    // 64: wrong usage, and nothing sent: not even a connection is made.
    testing_support::LoopbackListener listener;
    const std::string port = std::to_string(listener.Port());
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"127.0.0.1", "3", "-c", "126", "-p", port},
          std::vector<std::string>{"127.0.0.1", "write-coil", "-p", port, "2"},
          std::vector<std::string>{"127.0.0.1", "-p", port}, std::vector<std::string>{"--bogus"},
          std::vector<std::string>{"h\xff", "3", "--json", "-p", port}}) {
        const Ran wrong = RunCli(args);
        EXPECT_EQ(wrong.status, 64) << args.back();
        EXPECT_TRUE(Matches(wrong.err, "orv-modbus: [^\n]+ \\(see --help\\)\n")) << wrong.err;
    }
    // An unknown option is named, also where HOST is missing too.
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--frob"}, std::vector<std::string>{"127.0.0.1", "3", "--frob", "-p", port}}) {
        const Ran unknown = RunCli(args);
        EXPECT_EQ(unknown.status, 64);
        EXPECT_EQ(unknown.err, "orv-modbus: unknown option --frob (see --help)\n");
    }
    EXPECT_FALSE(listener.Accept(testing_support::Millis(100)).Valid());

    const Ran help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: orv-modbus [OPTIONS] HOST FUNCTION [VALUES...]"), std::string::npos);
    EXPECT_NE(help.out.find("74 results could not be written"), std::string::npos);
    EXPECT_EQ(RunCli({"--version"}).out, "orv-modbus 1.0.4\n");
}

// Modbus TCP against pymodbus's own Modbus TCP server: floats and 32- and
// 64-bit integers written and read back in their orders, the MBAP frames traced,
// JSON times in ISO 8601 with the local offset from UTC.
TEST(OrvModbusTcp, WritesAndReadsTwoRegisterValues)
{
    const ModbusServerProcess server("127.0.0.1", "tcp");
    ASSERT_TRUE(server.Ready()) << server.Output();
    const auto run = [&server](std::vector<std::string> args) {
        args.insert(args.begin(), {"127.0.0.1", "--framing", "tcp", "-p", std::to_string(server.Port())});
        return RunCli(args);
    };
    const Ran wrote = run({"write-registers", "-a", "40", "-f", "f32", "--order", "cdab", "--", "1.5", "-123.456",
                           "nan", "-inf", "0.1"});
    EXPECT_EQ(wrote.status, 0) << wrote.err;
    EXPECT_EQ(wrote.out, "wrote 10 registers\n");
    EXPECT_EQ(run({"3", "-a", "40", "-c", "10", "-f", "f32", "--order", "cdab"}).out, "1.5 -123.456 nan -inf 0.1\n");
    // 1.5 is 0x3FC00000: its words swapped.
    EXPECT_EQ(run({"3", "-a", "40", "-c", "2", "-f", "hex"}).out, "0 3fc0\n");

    ::setenv("TZ", "XYZ-05:30", 1);
    const Ran json = run({"3", "-a", "40", "-c", "10", "-f", "f32", "--order", "cdab", "--json"});
    ::unsetenv("TZ");
    const nlohmann::json line = nlohmann::json::parse(json.out);
    EXPECT_EQ(line["values"], nlohmann::json::parse("[1.5, -123.456, null, null, 0.1]"));
    const std::string time = line["time"];
    EXPECT_TRUE(Matches(time, "[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}\\+05:30")) << time;

    EXPECT_EQ(run({"16", "-a", "50", "-f", "s32", "--order", "dcba", "-2", "2147483647"}).status, 0);
    EXPECT_EQ(run({"3", "-a", "50", "-c", "4", "-f", "s32", "--order", "dcba"}).out, "-2 2147483647\n");
    EXPECT_EQ(run({"3", "-a", "50", "-c", "4", "-f", "u32", "--order", "dcba"}).out, "4294967294 2147483647\n");
    // 64-bit values: written in one order, read back in it and as raw words.
    EXPECT_EQ(run({"16", "-a", "60", "-f", "f64", "--order", "hgfedcba", "--", "-2.5", "0.1"}).out,
              "wrote 8 registers\n");
    EXPECT_EQ(run({"3", "-a", "60", "-c", "8", "-f", "f64", "--order", "hgfedcba"}).out, "-2.5 0.1\n");
    EXPECT_EQ(run({"3", "-a", "60", "-c", "4", "-f", "hex"}).out, "0 0 0 4c0\n");
    EXPECT_EQ(run({"16", "-a", "70", "-f", "u64", "18446744073709551615"}).status, 0);
    const Ran wide = run({"3", "-a", "70", "-f", "s64", "--json"});
    EXPECT_EQ(nlohmann::json::parse(wide.out)["values"], nlohmann::json::parse("[-1]")) << wide.err;
    EXPECT_EQ(run({"3", "-a", "70", "-f", "u64", "--order", "badcfehg"}).out, "18446744073709551615\n");
    const Ran traced = run({"3", "-c", "2", "-f", "u32", "--trace"});
    EXPECT_EQ(traced.out, "305419896\n");
    EXPECT_TRUE(Contains(traced.err, " > 00 01 00 00 00 06 01 03 00 00 00 02 \\| transaction 1, unit 1: [^\n]+\n.* < "
                                     "00 01 00 00 00 07 01 03 04 12 34 56 78 \\| transaction 1, unit 1: read holding "
                                     "registers, address 0, count 2: 4660 22136\n"))
        << traced.err;
    // The wrong framing, either way: pymodbus keeps silent.
    const Ran rtu = RunCli({"127.0.0.1", "-p", std::to_string(server.Port()), "3", "-t", "200"});
    EXPECT_EQ(rtu.status, 2);
    EXPECT_TRUE(Contains(rtu.err, ": no answer within 200 ms\n$")) << rtu.err;
}

// Gateways that answer in the other framing: the failure says so.
TEST(OrvModbusGateway, SaysWhenTheAnswerIsInTheOtherFraming)
{
    using testing_support::Bytes;
    using testing_support::Reaction;
    // An RTU request taken for Modbus TCP: its first two bytes are the
    // transaction id, and the answer an exception.
    testing_support::FakeGateway modbusTcp;
    modbusTcp.SetDefault(Reaction::Compute([](const Bytes &request) {
        return testing_support::WithMbap(static_cast<uint16_t>(request[0] << 8 | request[1]), {1, 0x83, 0x01});
    }));
    const Ran tcpAnswer = RunCli({"127.0.0.1", "-p", std::to_string(modbusTcp.Port()), "3", "-t", "300"});
    EXPECT_EQ(tcpAnswer.status, 1);
    EXPECT_TRUE(Contains(tcpAnswer.err, ": invalid answer: Invalid CRC; the answer looks like Modbus TCP; try "
                                        "--framing tcp\n$"))
        << tcpAnswer.err;

    testing_support::FakeGateway rtu;
    rtu.SetModbusTcp(true);
    rtu.SetDefault(Reaction::Send(testing_support::WithCrc({1, 3, 2, 0x12, 0x34})));
    const Ran rtuAnswer = RunCli({"127.0.0.1", "-p", std::to_string(rtu.Port()), "--framing", "tcp", "3", "-t", "300"});
    EXPECT_EQ(rtuAnswer.status, 1);
    EXPECT_TRUE(Contains(rtuAnswer.err, ": invalid answer: Invalid MBAP header \\(transaction id, protocol id or "
                                        "length\\); the answer looks like RTU over TCP; try --framing rtu\n$"))
        << rtuAnswer.err;
}

// A write whose answer echoes another value than the one sent is no success.
TEST(OrvModbusGateway, AnswerThatDoesNotFitTheRequestIsRefused)
{
    testing_support::FakeGateway gateway;
    gateway.SetDefault(testing_support::Reaction::Send(testing_support::WithCrc({1, 6, 0, 4, 0, 8})));
    const Ran ran = RunCli({"127.0.0.1", "-p", std::to_string(gateway.Port()), "write-register", "-a", "4", "7"});
    EXPECT_EQ(ran.status, 1);
    EXPECT_EQ(ran.out, "");
    EXPECT_EQ(ran.err, "orv-modbus: 127.0.0.1:" + std::to_string(gateway.Port()) + ": invalid answer: Invalid data\n");
}

// Ctrl+C while a request waits for its answer ends the run at once rather
// than after the time-out of 8 s; the request cut short is not counted.
TEST(OrvModbusGateway, CtrlCEndsAWaitForAnAnswer)
{
    testing_support::FakeGateway silent;
    const auto start = std::chrono::steady_clock::now();
    const Ran ran = RunCli({"127.0.0.1", "-p", std::to_string(silent.Port()), "3", "--poll", "100", "-t", "8000"},
                           [&silent](const Ran &) { return !silent.Requests().empty(); });
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out, "");
    EXPECT_EQ(ran.err, "orv-modbus: 127.0.0.1:" + std::to_string(silent.Port()) + ": 0 requests, 0 failed\n");
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 4000);
}

// Scripted gateways: one whose first answer comes after the time-out, while
// the next request waits, and which answers each request with its number:
// every line shows its own request's value. One that drips its answers a
// byte at a time: each answer ends within three times the time-out.
TEST(OrvModbusGateway, EachAnswerIsItsOwnRequestsAndEndsInTime)
{
    using testing_support::Bytes;
    using testing_support::Reaction;
    testing_support::FakeGateway late;
    auto answered = std::make_shared<std::atomic<int>>(0);
    const auto numbered = [answered](const Bytes &request) {
        const uint8_t number = static_cast<uint8_t>(++*answered);
        return testing_support::WithCrc({request[0], request[1], 2, 0, number});
    };
    Reaction first = Reaction::Compute(numbered, testing_support::Millis(5000));
    first.whenClientMoves = true;
    late.Then(first);
    late.SetDefault(Reaction::Compute(numbered));
    const std::string where = "127.0.0.1:" + std::to_string(late.Port());
    const Ran polled = RunCli({"127.0.0.1", "-p", std::to_string(late.Port()), "read-holding-registers", "-t", "300",
                               "--poll", "20", "--times", "4"});
    EXPECT_EQ(polled.status, 2);
    const std::string stamp = "[0-9]{4}-[0-9][0-9]-[0-9][0-9]T[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9]{3} ";
    EXPECT_TRUE(Matches(polled.out, stamp + "2\n" + stamp + "3\n" + stamp + "4\n")) << polled.out;
    EXPECT_TRUE(Contains(polled.err, "^" + stamp + "orv-modbus: " + where + ": no answer within 300 ms\n"))
        << polled.err;
    EXPECT_TRUE(Contains(polled.err, where + ": 4 requests, 1 failed")) << polled.err;

    testing_support::FakeGateway dripping;
    Reaction dripped = Reaction::Compute([](const Bytes &request) {
        Bytes answer = {request[0], request[1], 20};
        answer.resize(3 + 20, 0x11);
        return testing_support::WithCrc(answer);
    });
    dripped.drip = testing_support::Millis(100);
    dripping.SetDefault(dripped);
    const auto start = std::chrono::steady_clock::now();
    const Ran slow = RunCli({"127.0.0.1", "-p", std::to_string(dripping.Port()), "3", "-c", "10", "-t", "300"});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(slow.status, 2) << slow.out;
    EXPECT_EQ(slow.err, "orv-modbus: 127.0.0.1:" + std::to_string(dripping.Port()) + ": no answer within 300 ms\n");
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1800);
}

} // namespace
