// The cursor's read-out: for a time on the axis, each series' point nearest
// to it.
#ifndef ORV_CHART_CURSOR_READOUT_H
#define ORV_CHART_CURSOR_READOUT_H

#include "chart/series_store.h"

#include <optional>
#include <string>

// The index of the point nearest in time (the earlier of two as near);
// nullopt for no points.
std::optional<size_t> NearestPoint(const SeriesPoints &points, TimeUs time);

// A value as read out to people: at most ten significant digits ("0.3"
// for 0.1 + 0.2), where files keep every digit.
std::string ReadoutText(double value);

// "Temperature: 21.5", or "Temperature: -" without points.
std::string ReadoutLine(const std::string &name, const SeriesPoints &points, TimeUs time);

#endif
