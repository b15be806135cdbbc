#include "net/serial.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>

namespace {

std::string SystemText(int code)
{
    char buffer[256] = {};
    // GNU strerror_r may return a static string instead of filling the buffer.
    return strerror_r(code, buffer, sizeof(buffer));
}

std::string GroupName(gid_t id)
{
    group entry{};
    group *found = nullptr;
    std::vector<char> buffer(16384);
    if (getgrgid_r(id, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return std::to_string(id);
    return found->gr_name;
}

// What grants access to the device: usually the group it belongs to
// ("dialout" on Debian), which the user can join.
std::string AccessAdvice(const std::string &path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return std::string();
    if ((info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return ": only its owner may open it; ask the administrator for access";
    const std::string group = GroupName(info.st_gid);
    return ": it belongs to the group \"" + group + "\"; join that group (sudo usermod -aG " + group +
           " $USER), then log out and in again";
}

} // namespace

bool serial_fail_with(SerialError *error, SerialFailure failure, const std::string &text)
{
    error->failure = failure;
    error->code = 0;
    error->text = text;
    return false;
}

bool serial_fail(SerialError *error, const std::string &path, const char *call, int code)
{
    const bool opening = std::strcmp(call, "open") == 0;
    switch (code) {
    case ENOENT:
        serial_fail_with(error, SerialFailure::NotFound, path + " does not exist (is the device plugged in?)");
        break;
    case EACCES:
    case EPERM:
        serial_fail_with(error, SerialFailure::PermissionDenied, "Permission denied for " + path + AccessAdvice(path));
        break;
    case EBUSY:
    case EWOULDBLOCK:
        serial_fail_with(error, SerialFailure::Busy, path + " is in use by another program");
        break;
    case ENOTTY:
        serial_fail_with(error, SerialFailure::NotSerial, path + " is not a serial device");
        break;
    case EIO:
    case ENXIO:
    case ENODEV:
        if (opening)
            serial_fail_with(error, SerialFailure::NotFound, path + " has no device behind it: " + SystemText(code));
        else
            serial_fail_with(error, SerialFailure::Lost, path + " was lost (unplugged?): " + SystemText(code));
        break;
    default:
        serial_fail_with(error, SerialFailure::Other,
                         std::string(call) + " of " + path + " failed: " + SystemText(code));
        break;
    }
    error->code = code;
    return false;
}
