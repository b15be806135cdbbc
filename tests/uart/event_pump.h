// The link's tests run without a window: their events wait in the
// application's queue until a test runs them.
#ifndef ORV_TESTS_UART_EVENT_PUMP_H
#define ORV_TESTS_UART_EVENT_PUMP_H

#include "uart/uart_link.h"

#include <chrono>
#include <functional>

// Runs the queued events until `done` holds or the time is up; whether it holds.
bool Pump(const std::function<bool()> &done, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
// Connects `link` to `endpoint` and begins its session, failing the test
// with the link's reason when either does not happen.
void OpenLink(UartLink &link, const LinkEndpoint &endpoint);

#endif
