#include "uart/worker_lifetimes.h"

#include <condition_variable>
#include <mutex>

namespace {

struct Census {
    std::mutex lock;
    std::condition_variable ended;
    int running = 0;
};

// Never destroyed: workers use it up to their very end, which may come
// after static objects are gone.
Census &TheCensus()
{
    static Census *const census = new Census;
    return *census;
}

// One per worker thread; its destructor runs when the system thread ends,
// after the toolkit's clean-up of the thread.
struct Leaving {
    ~Leaving()
    {
        Census &census = TheCensus();
        const std::lock_guard<std::mutex> hold(census.lock);
        --census.running;
        census.ended.notify_all();
    }
};

} // namespace

namespace worker_lifetimes {

void Enter()
{
    Census &census = TheCensus();
    {
        const std::lock_guard<std::mutex> hold(census.lock);
        ++census.running;
    }
    thread_local Leaving leaving;
    (void)leaving;
}

void WaitForAll()
{
    Census &census = TheCensus();
    std::unique_lock<std::mutex> hold(census.lock);
    census.ended.wait(hold, [&census] { return census.running == 0; });
}

} // namespace worker_lifetimes
