#include "net/serial.h"

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <memory>

namespace {

// The kinds listed, in the order shown: USB adapters first, the ones users
// plug in to configure a module.
constexpr const char *kPrefixes[] = {"ttyUSB", "ttyACM", "ttyS"};

struct Candidate {
    size_t kind;
    unsigned long number;
    std::string name;
};

// The kind of a device name such as "ttyUSB0": its prefix, then digits only.
bool Classify(const std::string &name, Candidate &candidate)
{
    for (size_t kind = 0; kind < std::size(kPrefixes); ++kind) {
        const std::string prefix = kPrefixes[kind];
        const std::string digits = name.substr(std::min(name.size(), prefix.size()));
        if (name.compare(0, prefix.size(), prefix) == 0 && !digits.empty() && digits.size() <= 6 &&
            digits.find_first_not_of("0123456789") == std::string::npos) {
            candidate = {kind, std::stoul(digits), name};
            return true;
        }
    }
    return false;
}

// The kernel makes a ttyS for every possible on-board UART; its "type" is 0
// when there is none behind it.
bool Phantom(const std::string &sysDir, const std::string &name)
{
    std::ifstream type(sysDir + "/" + name + "/type");
    int value = -1;
    return type >> value && value == 0;
}

} // namespace

std::vector<std::string> serial_list_ports(const std::string &devDir, const std::string &sysDir)
{
    std::vector<Candidate> found;
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(opendir(devDir.c_str()), closedir);
    if (!dir)
        return {};
    while (const dirent *entry = readdir(dir.get())) {
        Candidate candidate;
        if (Classify(entry->d_name, candidate) && !(candidate.kind == 2 && Phantom(sysDir, candidate.name)))
            found.push_back(candidate);
    }
    std::sort(found.begin(), found.end(), [](const Candidate &a, const Candidate &b) {
        return a.kind != b.kind ? a.kind < b.kind : a.number < b.number;
    });
    std::vector<std::string> paths;
    for (const Candidate &candidate : found)
        paths.push_back(devDir + "/" + candidate.name);
    return paths;
}
