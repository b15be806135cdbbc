// The shortest text of a number that reads back as the same double.
#ifndef ORV_CHART_NUMBER_TEXT_H
#define ORV_CHART_NUMBER_TEXT_H

#include <optional>
#include <string>
#include <string_view>

// "21.5", "1e+21", "-0.1"; locale-independent, so a comma never stands in
// for the point in a file.
std::string ShortestText(double value);
// The number to `significant` digits, in the same locale-free form.
std::string RoundedText(double value, int significant);

// A whole text as a finite decimal number ("21.5", "-3", "+1e3", ".5"); no
// hex, no "inf" or "nan", no blanks around it.
std::optional<double> ParseDecimal(std::string_view text);

#endif
