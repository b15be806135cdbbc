#include "modbus_cli/output.h"

#include "modbus/exchange_stats.h"
#include "modbus/register_format.h"
#include "modbus_cli/request.h"
#include "modbus_cli/session.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <nlohmann/json.hpp>

namespace modbus_cli {

namespace {

bool ReadsWide(const Request &request)
{
    return request.wide != WIDE_NONE && ReadsRegisters(request.function);
}

// The shortest text that reads back as the same float or double ("0.1",
// "-123.456", "nan", "inf").
std::string RealText(const RegisterValue &value)
{
    char text[40];
    const auto result = value.type == ValueType::F32
                            ? std::to_chars(text, text + sizeof(text), static_cast<float>(value.Real()))
                            : std::to_chars(text, text + sizeof(text), value.Real());
    return std::string(text, result.ptr);
}

std::string WideText(const RegisterValue &value)
{
    if (value.IsReal())
        return RealText(value);
    return value.IsSigned() ? std::to_string(value.Signed()) : std::to_string(value.Unsigned());
}

// JSON has no NaN or infinity: those are null. A float goes out as the
// double of its shortest text, so 0.1f is 0.1 rather than 0.10000000149.
nlohmann::ordered_json WideNumber(const RegisterValue &value)
{
    if (value.IsReal())
        return std::isfinite(value.Real()) ? nlohmann::ordered_json(std::strtod(RealText(value).c_str(), nullptr))
                                           : nlohmann::ordered_json();
    if (value.IsSigned())
        return value.Signed();
    return value.Unsigned();
}

std::vector<RegisterValue> WideValues(const Request &request, const Outcome &outcome)
{
    return DecodeValues(outcome.values.data(), outcome.values.size(), FormatOf(request));
}

// The numbers a result stands for: registers in the request's format (a
// value of several registers each for the wide formats), bits and slave-id
// bytes as they are.
nlohmann::ordered_json Numbers(const Request &request, const Outcome &outcome)
{
    nlohmann::ordered_json numbers = nlohmann::ordered_json::array();
    if (ReadsWide(request)) {
        for (const RegisterValue &value : WideValues(request, outcome))
            numbers.push_back(WideNumber(value));
        return numbers;
    }
    for (const uint16_t value : outcome.values)
        numbers.push_back(ReadsRegisters(request.function) ? RegisterNumber(value, request.format) : value);
    return numbers;
}

// Text that is not UTF-8 (the host is checked before, so none should reach
// here) comes out replaced rather than ending the program.
std::string Dump(const nlohmann::ordered_json &line)
{
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string Fixed(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", value);
    return text;
}

} // namespace

int PrintLine(std::FILE *stream, const std::string &line)
{
    errno = 0;
    if (std::fputs((line + "\n").c_str(), stream) >= 0 && std::fflush(stream) == 0 && !std::ferror(stream))
        return 0;
    return errno != 0 ? errno : EIO;
}

int WriteFailure(int error)
{
    PrintLine(stderr, std::string("orv-modbus: cannot write the results: ") + std::strerror(error));
    return EXIT_WRITE_FAILED;
}

std::string HexBytes(const uint8_t *bytes, size_t count)
{
    std::string text;
    char byte[4];
    for (size_t index = 0; index < count; ++index) {
        std::snprintf(byte, sizeof(byte), "%02X", bytes[index]);
        text += (index == 0 ? "" : " ") + std::string(byte);
    }
    return text;
}

std::string Timestamp(bool microseconds)
{
    return LocalTime(std::chrono::system_clock::now(), microseconds, false);
}

std::string LocalTime(std::chrono::system_clock::time_point when, bool microseconds, bool offset)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const long fraction =
        static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(when.time_since_epoch()).count() %
                          1000000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    size_t length = std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%S", &local);
    if (microseconds)
        length += static_cast<size_t>(std::snprintf(text + length, sizeof(text) - length, ".%06ld", fraction));
    else
        length += static_cast<size_t>(std::snprintf(text + length, sizeof(text) - length, ".%03ld", fraction / 1000));
    if (!offset)
        return text;
    // strftime gives "+0100"; ISO 8601's extended form wants "+01:00".
    char zone[8] = "";
    if (std::strftime(zone, sizeof(zone), "%z", &local) != 5)
        return std::string(text) + "Z";
    return std::string(text) + std::string(zone, 3) + ":" + std::string(zone + 3, 2);
}

std::string ResultText(const Request &request, const Outcome &outcome)
{
    if (request.function == 17) {
        std::vector<uint8_t> bytes(outcome.values.begin(), outcome.values.end());
        return HexBytes(bytes.data(), bytes.size());
    }
    if (request.count == 0) {
        const std::string kind = WritesCoils(request.function) ? "coil" : "register";
        return "wrote " + std::to_string(outcome.written) + " " + kind + (outcome.written == 1 ? "" : "s");
    }
    std::string text;
    if (ReadsWide(request)) {
        for (const RegisterValue &value : WideValues(request, outcome))
            text += (text.empty() ? "" : " ") + WideText(value);
        return text;
    }
    for (const uint16_t value : outcome.values) {
        const std::string item =
            ReadsRegisters(request.function) ? RegisterText(value, request.format) : std::to_string(value);
        text += (text.empty() ? "" : " ") + item;
    }
    return text;
}

std::string ResultJson(const std::string &host, int port, const Request &request, const Outcome &outcome,
                       const std::string &time)
{
    nlohmann::ordered_json line = {{"time", time},           {"host", host},
                                   {"port", port},           {"unit", request.unit},
                                   {"function", FunctionName(request.function)}};
    if (request.function != 17)
        line["address"] = request.address;
    if (request.function == 23)
        line["write_address"] = request.writeAddress;
    if (outcome.status != EXIT_OK) {
        line["status"] = outcome.status;
        line["error"] = outcome.error;
        return Dump(line);
    }
    if (request.count != 0 || request.function == 17)
        line["values"] = Numbers(request, outcome);
    else
        line["written"] = outcome.written;
    line["round_trip_ms"] = std::round(outcome.roundTripMs * 1000) / 1000;
    return Dump(line);
}

std::string TraceLine(bool sent, const uint8_t *frame, int length)
{
    return Timestamp(true) + (sent ? " > " : " < ") + HexBytes(frame, static_cast<size_t>(length));
}

void CountOutcome(const Outcome &outcome, int unit, PollSummary &summary, ExchangeStats *stats, int &status)
{
    ++summary.requests;
    if (stats != nullptr)
        stats->Add(unit, ClassifyExchange(outcome.status == EXIT_OK ? 0 : -1, outcome.errorNumber),
                   std::chrono::microseconds(std::llround(outcome.roundTripMs * 1000)));
    if (outcome.status == EXIT_OK) {
        summary.roundTrips.Add(outcome.roundTripMs);
    } else {
        ++summary.failures;
        status = std::max(status, outcome.status);
    }
}

std::string SummaryText(const PollSummary &summary)
{
    std::string text = std::to_string(summary.requests) + (summary.requests == 1 ? " request, " : " requests, ") +
                       std::to_string(summary.failures) + " failed";
    const RoundTrips &trips = summary.roundTrips;
    if (trips.Count() == 0)
        return text;
    return text + ", round trip min/median/max " + Fixed(trips.Min()) + "/" + Fixed(trips.Median()) + "/" +
           Fixed(trips.Max()) + " ms";
}

} // namespace modbus_cli
