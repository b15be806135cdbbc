// The timestamp with milliseconds: the panel's timestamp (the C library's
// date and time representation, "%c", in the machine's local time) with
// ".mmm" after the seconds, e.g. "Tue Dec  8 15:19:24.042 2026".
#ifndef ORV_UART_MILLISECOND_TIMESTAMP_H
#define ORV_UART_MILLISECOND_TIMESTAMP_H

#include <chrono>
#include <ctime>
#include <string>

std::string MillisecondTimestamp(std::chrono::system_clock::time_point when);

// `text` is `local` as "%c" writes it; puts ".mmm" after its seconds (at its
// end for a representation that writes no "MM:SS").
std::string WithMilliseconds(const std::string &text, const std::tm &local, int milliseconds);

#endif
