// A span of a chart's series as a CSV file (RFC 4180, UTF-8): the header
// "time,series,value", then one row per point, in time order (series in
// the order given for points of the same time). Times are local, in ISO 8601
// with milliseconds and the offset from UTC; values are the shortest text
// that reads back as the same number.
#ifndef ORV_CHART_SPAN_CSV_H
#define ORV_CHART_SPAN_CSV_H

#include "chart/chart_time.h"
#include "chart/series_store.h"

#include <functional>
#include <string>
#include <vector>

// A field as RFC 4180 writes it: in double quotes (doubled within) when it
// holds a comma, a quote or a line break.
std::string CsvField(const std::string &text);

// Writes the rows of the given series within [span.start, span.end] to
// `sink` in pieces; stops at the first piece the sink refuses (false).
bool WriteSpanCsv(const SeriesStore &store, TimeSpan span, const std::vector<size_t> &series,
                  const UtcOffset &offset, const std::function<bool(const std::string &)> &sink);

// The same as a file, written atomically; false with `error` naming the
// file and the cause.
bool ExportSpanCsv(const SeriesStore &store, TimeSpan span, const std::vector<size_t> &series,
                   const std::string &path, std::string &error, const UtcOffset &offset = LocalUtcOffset);

#endif
