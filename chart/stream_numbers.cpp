#include "chart/stream_numbers.h"

#include "chart/number_text.h"

#include <optional>

namespace {

// Names are what a device prints before "=" or ":": a letter or "_" first,
// then letters, digits, "_", "." or "-". Anything else (a time of day
// "12:30", markup, a formula for a spreadsheet) is no name.
constexpr size_t kLongestName = 64;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsSeparator(char c)
{
    return c == ',' || c == ';' || IsBlank(c);
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsName(std::string_view name)
{
    if (name.empty() || name.size() > kLongestName || !IsLetter(name.front()))
        return false;
    for (const char c : name)
        if (!(IsLetter(c) || IsDigit(c) || c == '.' || c == '-'))
            return false;
    return true;
}

// "a=1, b:2;c = 3": pairs apart by separators, blanks allowed around the mark.
NumberLine Pairs(std::string_view line)
{
    NumberLine values;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && IsSeparator(line[at]))
            ++at;
        if (at == line.size())
            break;
        const size_t nameStart = at;
        while (at < line.size() && line[at] != '=' && line[at] != ':' && !IsSeparator(line[at]))
            ++at;
        const std::string_view name = line.substr(nameStart, at - nameStart);
        while (at < line.size() && IsBlank(line[at]))
            ++at;
        if (at == line.size() || (line[at] != '=' && line[at] != ':') || !IsName(name))
            return {};
        ++at;
        while (at < line.size() && IsBlank(line[at]))
            ++at;
        const size_t valueStart = at;
        while (at < line.size() && !IsSeparator(line[at]))
            ++at;
        const std::optional<double> value = ParseDecimal(line.substr(valueStart, at - valueStart));
        if (!value)
            return {};
        values.push_back({std::string(name), *value});
    }
    return values;
}

// "1.5, 2;3 4": a comma or semicolon parts two columns, and so do blanks
// between two numbers; an empty field between two commas leaves its column
// out, so that the columns after it keep their numbers.
NumberLine Columns(std::string_view line)
{
    NumberLine values;
    int column = 0;
    size_t at = 0;
    for (;;) {
        const size_t partEnd = std::min(line.find_first_of(",;", at), line.size());
        std::string_view part = Trim(line.substr(at, partEnd - at));
        const bool last = partEnd == line.size();
        if (part.empty() && !last)
            ++column;
        while (!part.empty()) {
            size_t fieldEnd = 0;
            while (fieldEnd < part.size() && !IsBlank(part[fieldEnd]))
                ++fieldEnd;
            const std::optional<double> value = ParseDecimal(part.substr(0, fieldEnd));
            if (!value)
                return {};
            values.push_back({std::to_string(++column), *value});
            part = Trim(part.substr(fieldEnd));
        }
        if (last)
            break;
        at = partEnd + 1;
    }
    return values;
}

} // namespace

NumberLine ParseNumberLine(std::string_view line)
{
    line = Trim(line);
    if (line.find_first_of("=:") != std::string_view::npos)
        return Pairs(line);
    return Columns(line);
}

std::vector<NumberLine> StreamNumbers::Feed(std::string_view bytes)
{
    std::vector<NumberLine> lines;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t ending = std::min(bytes.find_first_of("\r\n", at), bytes.size());
        if (!m_overlong) {
            m_tail.append(bytes.substr(at, std::min(ending - at, kLongestLine + 1 - m_tail.size())));
            if (m_tail.size() > kLongestLine) {
                m_overlong = true;
                m_tail.clear();
            }
        }
        if (ending == bytes.size())
            break;
        EndLine(lines);
        at = ending + 1;
    }
    return lines;
}

void StreamNumbers::EndLine(std::vector<NumberLine> &lines)
{
    if (m_overlong) {
        ++m_skipped;
        m_overlong = false;
        return;
    }
    // The empty line between CR and LF, or a blank one, says nothing.
    if (Trim(m_tail).empty()) {
        m_tail.clear();
        return;
    }
    NumberLine values = ParseNumberLine(m_tail);
    m_tail.clear();
    if (values.empty()) {
        ++m_skipped;
        return;
    }
    ++m_parsed;
    lines.push_back(std::move(values));
}

void StreamNumbers::Reset()
{
    m_tail.clear();
    m_overlong = false;
}

void AppendLines(SeriesStore &store, TimeUs time, const std::vector<NumberLine> &lines)
{
    for (const NumberLine &line : lines)
        for (const NamedValue &value : line)
            store.Append(value.name, time, value.value);
}
