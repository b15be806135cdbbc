#include "modbus_cli/output.h"

#include "modbus/register_format.h"
#include "modbus_cli/request.h"
#include "modbus_cli/session.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

namespace modbus_cli {

namespace {

bool ReadsRegisters(int function)
{
    return function == 3 || function == 4 || function == 23;
}

bool WritesCoils(int function)
{
    return function == 5 || function == 15;
}

// The numbers a result stands for: registers in the request's format, bits
// and slave-id bytes as they are.
std::vector<long> Numbers(const Request &request, const Outcome &outcome)
{
    std::vector<long> numbers;
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
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const long fraction =
        static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() %
                          1000000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[48];
    const size_t length = std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%S", &local);
    if (microseconds)
        std::snprintf(text + length, sizeof(text) - length, ".%06ld", fraction);
    else
        std::snprintf(text + length, sizeof(text) - length, ".%03ld", fraction / 1000);
    return text;
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
    for (const uint16_t value : outcome.values) {
        const std::string item =
            ReadsRegisters(request.function) ? RegisterText(value, request.format) : std::to_string(value);
        text += (text.empty() ? "" : " ") + item;
    }
    return text;
}

bool WritableAsJson(const std::string &text)
{
    try {
        (void)nlohmann::json(text).dump();
        return true;
    } catch (const nlohmann::json::type_error &) {
        return false;
    }
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

std::string SummaryText(PollSummary summary)
{
    std::string text = std::to_string(summary.requests) + (summary.requests == 1 ? " request, " : " requests, ") +
                       std::to_string(summary.failures) + " failed";
    std::vector<double> &trips = summary.roundTripsMs;
    if (trips.empty())
        return text;
    std::sort(trips.begin(), trips.end());
    const size_t middle = trips.size() / 2;
    const double median = trips.size() % 2 == 1 ? trips[middle] : (trips[middle - 1] + trips[middle]) / 2;
    return text + ", round trip min/median/max " + Fixed(trips.front()) + "/" + Fixed(median) + "/" +
           Fixed(trips.back()) + " ms";
}

} // namespace modbus_cli
