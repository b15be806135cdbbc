// What orv-modbus prints: result lines as text or JSON, trace lines, and the
// summary of a polling run.
#ifndef ORV_MODBUS_CLI_OUTPUT_H
#define ORV_MODBUS_CLI_OUTPUT_H

#include "modbus_cli/round_trips.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class ExchangeStats;

namespace modbus_cli {

struct Request;
struct Outcome;

// Writes one line and flushes it; returns 0, or the error of the write.
int PrintLine(std::FILE *stream, const std::string &line);
// Results that did not reach standard output (a full disk, a closed file)
// are lost: that ends the run, whatever the device answered. Says so on
// standard error and returns EXIT_WRITE_FAILED.
int WriteFailure(int error);

// "01 03 00 00 00 02 C4 0B".
std::string HexBytes(const uint8_t *bytes, size_t count);
// Local time as "2026-12-08T15:10:02.123", with microseconds when asked.
std::string Timestamp(bool microseconds = false);
// `when` the same way; with `offset`, ISO 8601 with the local offset from
// UTC ("2026-12-08T15:10:02.123+01:00"), as JSON lines carry it.
std::string LocalTime(std::chrono::system_clock::time_point when, bool microseconds, bool offset);

// A successful outcome as one line: the values read, in the request's format
// for registers ("4660 22136"; one value a pair for u32, s32 and f32, a
// float in its shortest exact text), 0 and 1 for bits, hex bytes for the slave
// id; for writes what was written ("wrote 2 registers").
std::string ResultText(const Request &request, const Outcome &outcome);
// Any outcome as one JSON object; the values as a list of numbers (null for
// a float that is NaN or infinite).
std::string ResultJson(const std::string &host, int port, const Request &request, const Outcome &outcome,
                       const std::string &time);
// "<time> > 01 03 ..." for a request, "<time> < ..." for an answer.
std::string TraceLine(bool sent, const uint8_t *frame, int length);

// Counts of a polling run and its round trips.
struct PollSummary {
    long long requests = 0;
    long long failures = 0;
    RoundTrips roundTrips; // of the answered requests
};
// "5 requests, 1 failed, round trip min/median/max 0.21/0.30/0.52 ms".
std::string SummaryText(const PollSummary &summary);
// Counts one request's outcome to `unit` in the summary and, when given, the
// statistics; `status` becomes the highest of the failures' statuses.
void CountOutcome(const Outcome &outcome, int unit, PollSummary &summary, ExchangeStats *stats, int &status);

} // namespace modbus_cli

#endif
