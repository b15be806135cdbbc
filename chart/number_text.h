// The shortest text of a number that reads back as the same double.
#ifndef ORV_CHART_NUMBER_TEXT_H
#define ORV_CHART_NUMBER_TEXT_H

#include <string>

// "21.5", "1e+21", "-0.1"; locale-independent, so a comma never stands in
// for the point in a file.
std::string ShortestText(double value);

#endif
