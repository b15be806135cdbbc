// The numbers of the periodic-send fields as sending reads them.
#ifndef ORV_UART_PERIODIC_SETTINGS_H
#define ORV_UART_PERIODIC_SETTINGS_H

#include <string>

// The period in milliseconds: the leading number of the text (read like
// atoi: leading blanks, a sign, digits up to the first non-digit; 0 without
// digits), times 1000 for the unit "s" (index 1). A negative number, which
// the field's numeric filter lets through, counts as 0.
int PeriodMilliseconds(const std::string &text, int unitIndex);

// The total size with padding, read the same way; below 1 means none.
int TotalSizeFromText(const std::string &text);

#endif
