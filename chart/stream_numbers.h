// Numbers in a received text stream, for a chart: each line is either
// columns of numbers separated by commas, semicolons, blanks or tabs (series
// "1", "2", ... by column) or pairs `name=value` / `name:value` (series by
// name). A line ends at CR or LF; a line can come in several pieces, its
// unfinished tail waiting for the next. Lines that hold anything else are
// skipped and counted. The bytes given are only read.
#ifndef ORV_CHART_STREAM_NUMBERS_H
#define ORV_CHART_STREAM_NUMBERS_H

#include "chart/series_store.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct NamedValue {
    std::string name;
    double value;
};

using NumberLine = std::vector<NamedValue>;

// One line (without its ending) as values; empty when it does not parse.
NumberLine ParseNumberLine(std::string_view line);

class StreamNumbers {
public:
    // A line longer than this is no line of numbers (or no line at all): it
    // is skipped, and the tail kept stays bounded on a stream without line
    // endings.
    static constexpr size_t kLongestLine = 4096;

    // The values of every line the bytes complete, in order.
    std::vector<NumberLine> Feed(std::string_view bytes);
    // Forgets the unfinished tail (a new connection starts new lines).
    void Reset();

    uint64_t ParsedLines() const { return m_parsed; }
    uint64_t SkippedLines() const { return m_skipped; }

private:
    void EndLine(std::vector<NumberLine> &lines);

    std::string m_tail;
    bool m_overlong = false; // the line under way passed kLongestLine
    uint64_t m_parsed = 0;
    uint64_t m_skipped = 0;
};

// Appends each line's values to the store at one time (the time the bytes
// came); values the store refuses are counted there.
void AppendLines(SeriesStore &store, TimeUs time, const std::vector<NumberLine> &lines);

#endif
