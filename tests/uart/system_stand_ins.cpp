#include "tests/uart/system_stand_ins.h"

#include "net/tcp.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <pthread.h>
#include <string>
#include <sys/time.h>
#include <unistd.h>

namespace {

std::mutex g_stallLock;
std::condition_variable g_stallChanged;
std::atomic<bool> g_stalling{false};
bool g_held = false;

std::atomic<long> g_clockBackSeconds{0};

std::atomic<const char *> g_failureMeanwhile{nullptr};
thread_local bool t_failsMeanwhile = false;

thread_local bool t_refusesWorker = false;
thread_local bool t_refusedWorker = false;

// A thread the toolkit's thread class starts: its start routine lies in the
// toolkit's base library.
bool IsWorkerStart(void *(*routine)(void *))
{
    Dl_info where{};
    return dladdr(reinterpret_cast<void *>(routine), &where) != 0 && where.dli_fname != nullptr &&
           std::strstr(where.dli_fname, "libwx_baseu") != nullptr;
}

bool IsReceiveLog(std::FILE *stream)
{
    if (stream == nullptr)
        return false;
    char target[PATH_MAX] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(fileno(stream));
    return readlink(link.c_str(), target, sizeof(target) - 1) > 0 && std::strstr(target, "/wifilog-") != nullptr;
}

} // namespace

extern "C" int fflush(std::FILE *stream)
{
    static const auto real = reinterpret_cast<int (*)(std::FILE *)>(dlsym(RTLD_NEXT, "fflush"));
    if (g_stalling && IsReceiveLog(stream)) {
        std::unique_lock<std::mutex> lock(g_stallLock);
        g_held = true;
        g_stallChanged.notify_all();
        g_stallChanged.wait(lock, [] { return !g_stalling; });
        g_held = false;
    }
    return real(stream);
}

extern "C" int gettimeofday(struct timeval *__restrict now, void *__restrict zone) noexcept
{
    static const auto real =
        reinterpret_cast<int (*)(struct timeval *, void *)>(dlsym(RTLD_NEXT, "gettimeofday"));
    const int result = real(now, zone);
    if (result == 0)
        now->tv_sec -= g_clockBackSeconds;
    return result;
}

extern "C" int pthread_rwlock_unlock(pthread_rwlock_t *lock) noexcept
{
    static const auto real = reinterpret_cast<int (*)(pthread_rwlock_t *)>(dlsym(RTLD_NEXT, "pthread_rwlock_unlock"));
    const int result = real(lock);
    if (t_failsMeanwhile)
        if (const char *text = g_failureMeanwhile)
            tcp_set_error_with_text(EIO, text);
    return result;
}

extern "C" int pthread_create(pthread_t *thread, const pthread_attr_t *attributes, void *(*routine)(void *),
                              void *argument) noexcept
{
    using Create = int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);
    static const auto real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    if (t_refusesWorker && IsWorkerStart(routine)) {
        t_refusesWorker = false;
        t_refusedWorker = true;
        return EAGAIN;
    }
    return real(thread, attributes, routine, argument);
}

namespace uart_testing {

StalledLogWrites::StalledLogWrites()
{
    g_stalling = true;
}

StalledLogWrites::~StalledLogWrites()
{
    Release();
}

bool StalledLogWrites::WaitHeld(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(g_stallLock);
    return g_stallChanged.wait_for(lock, timeout, [] { return g_held; });
}

void StalledLogWrites::Release()
{
    const std::lock_guard<std::mutex> lock(g_stallLock);
    g_stalling = false;
    g_stallChanged.notify_all();
}

WallClockSetBack::WallClockSetBack(std::chrono::seconds back)
{
    g_clockBackSeconds = static_cast<long>(back.count());
}

WallClockSetBack::~WallClockSetBack()
{
    g_clockBackSeconds = 0;
}

FailureRecordedMeanwhile::FailureRecordedMeanwhile(const char *text)
{
    g_failureMeanwhile = text;
    t_failsMeanwhile = true;
}

FailureRecordedMeanwhile::~FailureRecordedMeanwhile()
{
    t_failsMeanwhile = false;
    g_failureMeanwhile = nullptr;
}

WorkerStartRefused::WorkerStartRefused()
{
    t_refusesWorker = true;
    t_refusedWorker = false;
}

WorkerStartRefused::~WorkerStartRefused()
{
    t_refusesWorker = false;
}

bool WorkerStartRefused::Refused() const
{
    return t_refusedWorker;
}

} // namespace uart_testing
