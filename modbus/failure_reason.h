// The result line of a form's request that failed: "Failed: " and a short
// reason the user can act on, from the client's error number or from the
// check of a field before anything was sent.
#ifndef ORV_MODBUS_FAILURE_REASON_H
#define ORV_MODBUS_FAILURE_REASON_H

#include <string>

// "Failed: no answer".
std::string FailedResult(const std::string &reason);

// Why the client failed a request with `error` (its errno): "no answer" for a
// time-out, "connection closed" when the gateway closed or reset it, "not
// connected" without a connection, else the client's text ("Illegal data
// address", "Invalid CRC", "Connection refused", ...).
std::string RequestFailureReason(int error);

// A field's value outside what the request can carry: "quantity must be 1
// to 125".
std::string RangeReason(const std::string &field, long low, long high);

extern const char *const kNotConnectedReason; // "not connected"
// A poll run holds the connection: "polling runs".
extern const char *const kPollingReason;

#endif
