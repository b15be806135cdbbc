// Runs the real orv-modbus for a test, bounded in time, and keeps what it
// printed and its exit status.
#ifndef ORV_TESTS_MODBUS_CLI_RUNNER_H
#define ORV_TESTS_MODBUS_CLI_RUNNER_H

#include <string>
#include <vector>

namespace testing_support {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs orv-modbus with `args`, at most 20 s; with `interrupt`, sends Ctrl+C
// once the first line is on standard output.
CliRun RunOrvModbus(const std::vector<std::string> &args, bool interrupt = false);

} // namespace testing_support

#endif
