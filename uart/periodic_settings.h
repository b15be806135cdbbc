// The numbers of the periodic-send fields as sending reads them.
#ifndef ORV_UART_PERIODIC_SETTINGS_H
#define ORV_UART_PERIODIC_SETTINGS_H

#include <string>

// The longest period periodic sending takes: a day, in either unit.
constexpr int kMaxPeriodMs = 24 * 60 * 60 * 1000;
// What PeriodMilliseconds gives for a longer period: it is refused, never cut.
constexpr int kPeriodTooLong = -1;
// The largest total size: a message goes out in sends of at most 65535 bytes.
constexpr int kMaxTotalSize = 65535;
// What TotalSizeFromText gives for a larger size.
constexpr int kTotalSizeTooLarge = -1;

// The period in milliseconds: the leading number of the text (read like
// atoi: leading blanks, a sign, digits up to the first non-digit; 0 without
// digits), times 1000 for the unit "s" (index 1). A negative number, which
// the field's numeric filter lets through, counts as 0; one beyond
// kMaxPeriodMs, however many digits it has, gives kPeriodTooLong.
int PeriodMilliseconds(const std::string &text, int unitIndex);

// The total size with padding, read the same way; 0 means none, and a size
// beyond kMaxTotalSize gives kTotalSizeTooLarge.
int TotalSizeFromText(const std::string &text);

#endif
