// Knows when the UART link's worker threads have ended for good. The
// threads are detached: after a thread's destructor has told the link, the
// toolkit still cleans the thread up, with locks of its own that the program
// destroys at exit. Waiting here before exit orders that clean-up before the
// destruction, which nothing else does for a thread that is never joined.
#ifndef ORV_UART_WORKER_LIFETIMES_H
#define ORV_UART_WORKER_LIFETIMES_H

namespace worker_lifetimes {

// Called by a worker at the start of its Entry: it counts as running until
// the system thread ends, after the toolkit's clean-up.
void Enter();
// Waits until every worker that entered has ended. Only for workers asked to
// stop (or ended) already: their end is near.
void WaitForAll();

} // namespace worker_lifetimes

#endif
