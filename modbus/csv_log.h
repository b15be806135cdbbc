// The monitor's log of polled values: a CSV file (RFC 4180, UTF-8) with
// one row per value per answer under the header
// "time,block,unit,address,name,value". Each answer's rows are flushed at
// once, so a failed write is seen at the answer that caused it and what
// was written before stays in the file.
#ifndef ORV_MODBUS_CSV_LOG_H
#define ORV_MODBUS_CSV_LOG_H

#include "modbus/block_definition.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

// ISO 8601 local time with milliseconds and the UTC offset:
// "2026-12-09T14:03:07.123+01:00".
std::string IsoTimeWithOffset(std::chrono::system_clock::time_point time);

class CsvLog {
public:
    CsvLog() = default;
    ~CsvLog();
    CsvLog(const CsvLog &) = delete;
    CsvLog &operator=(const CsvLog &) = delete;

    // Creates (or empties) the file and writes the header; "" or why not
    // ("No space left on device").
    std::string Open(const std::string &path);
    bool IsOpen() const { return m_file != nullptr; }
    const std::string &Path() const { return m_path; }
    // The rows of one answer of a block; "" or why they could not be
    // written, after which the log is closed.
    std::string Append(std::chrono::system_clock::time_point time, const BlockDefinition &block,
                       const std::vector<BlockValue> &values);
    void Close();

private:
    std::string Write(const std::string &text);

    std::FILE *m_file = nullptr;
    std::string m_path;
};

#endif
