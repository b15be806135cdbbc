#include "net/tcp.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

constexpr size_t kErrorTextSize = 256;

// The layer's own codes, index = minus the code; entry 0 is unused.
constexpr const char *kOwnErrors[] = {
    "",
    "winsock init failure",
    "socket connection timeout",
    "socket reciv timeout",
    "datablock not added",
    "datablock not found",
    "elab command message failure",
    "invalid virtual com port baudrate",
    "invalid virtual com port data size",
    "unable to save virtual com port attributes",
    "invalid virtual com port parity check",
    "invalid Zumbrel Module Alias",
    "invalid Zumbrel Module Network configuration",
    "invalid Zumbrel Module UART configuration",
    "function is not supported for the selected Zumbrel Module",
};
constexpr int kOwnErrorCount = sizeof(kOwnErrors) / sizeof(kOwnErrors[0]);

std::mutex g_errorLock;
int16_t g_errorCode = 0;
char g_errorText[kErrorTextSize] = {};

void set_error_locked(int code)
{
    std::memset(g_errorText, 0, sizeof(g_errorText));
    g_errorCode = static_cast<int16_t>(code);
}

void set_error_text_locked(const char *text)
{
    // At most the buffer's size is copied and the last byte always ends it.
    const size_t length = strnlen(text, kErrorTextSize);
    std::memset(g_errorText, 0, sizeof(g_errorText));
    std::memcpy(g_errorText, text, length);
    g_errorText[kErrorTextSize - 1] = '\0';
}

void store_system_error_locked(int system_code)
{
    char text[kErrorTextSize] = {};
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char *message = strerror_r(system_code, text, sizeof(text));
    set_error_text_locked(message != nullptr && message[0] != '\0' ? message
                                                                    : "Generic Windows socket error");
}

} // namespace

void tcp_set_error(int code)
{
    const std::lock_guard<std::mutex> lock(g_errorLock);
    set_error_locked(code);
}

void tcp_set_error_text(const char *text)
{
    const std::lock_guard<std::mutex> lock(g_errorLock);
    set_error_text_locked(text);
}

void tcp_store_system_error(int system_code)
{
    const std::lock_guard<std::mutex> lock(g_errorLock);
    store_system_error_locked(system_code);
}

void tcp_set_system_error(int system_code)
{
    const std::lock_guard<std::mutex> lock(g_errorLock);
    set_error_locked(system_code);
    store_system_error_locked(system_code);
}

void tcp_set_error_with_text(int code, const char *text)
{
    const std::lock_guard<std::mutex> lock(g_errorLock);
    set_error_locked(code);
    set_error_text_locked(text);
}

int tcp_last_error()
{
    const std::lock_guard<std::mutex> lock(g_errorLock);
    return g_errorCode;
}

const char *tcp_strerror(int code)
{
    // Each thread gets its own copy, so a text handed out is never rewritten
    // under the caller's feet by another thread's failure.
    thread_local char copy[kErrorTextSize];
    {
        const std::lock_guard<std::mutex> lock(g_errorLock);
        if (g_errorText[0] != '\0') {
            std::memcpy(copy, g_errorText, sizeof(copy));
            return copy;
        }
    }
    const int16_t own = static_cast<int16_t>(code);
    if (own >= 0) {
        const char *message = strerror_r(own, copy, sizeof(copy));
        if (message != copy) {
            const size_t length = strnlen(message, sizeof(copy) - 1);
            std::memcpy(copy, message, length);
            copy[length] = '\0';
        }
        return copy;
    }
    if (-own < kOwnErrorCount)
        return kOwnErrors[-own];
    return "";
}

void tcp_perror(const char *prefix)
{
    const int code = tcp_last_error();
    const char *text = tcp_strerror(code);
    if (text[0] != '\0')
        std::fprintf(stderr, "%s: %s\n", prefix, text);
    else
        std::fprintf(stderr, "%s: Undefined error: %d\n", prefix, code);
}
