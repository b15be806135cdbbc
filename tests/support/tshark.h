// Reading capture files back with tshark, the test tool that decodes them
// as Wireshark does (Debian's tshark, installed by install-deps.sh --test).
#ifndef ORV_TESTS_TSHARK_H
#define ORV_TESTS_TSHARK_H

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

inline bool TsharkAvailable()
{
    return access("/usr/bin/tshark", X_OK) == 0;
}

// What `tshark ARGUMENTS` prints on standard output (its notes on standard
// error are dropped); `status` gets its exit status.
inline std::string RunTshark(const std::string &arguments, int &status)
{
    std::string output;
    std::FILE *pipe = popen(("/usr/bin/tshark " + arguments + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return output;
    }
    char chunk[4096];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, count);
    const int result = pclose(pipe);
    status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

} // namespace testing_support

#endif
