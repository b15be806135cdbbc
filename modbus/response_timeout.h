// The response time-out of a Modbus connection: how long a request waits
// for its answer (and for each further part of it), a setting of the
// connection that a slow device needs raised.
#ifndef ORV_MODBUS_RESPONSE_TIMEOUT_H
#define ORV_MODBUS_RESPONSE_TIMEOUT_H

#include <optional>
#include <string>

constexpr int kDefaultResponseTimeoutMs = 500;
constexpr int kMinResponseTimeoutMs = 10;
constexpr int kMaxResponseTimeoutMs = 60000;

// The milliseconds of `text` (decimal digits only) when they lie from the
// least to the most; none otherwise.
std::optional<int> ResponseTimeoutOfText(const std::string &text);

#endif
