// Kept in a file of its own: a test links a failing start-up in its place.
#include "net/tcp.h"

// BSD sockets need no library start-up, so there is no version to check.
bool tcp_startup()
{
    return true;
}

void tcp_cleanup()
{
}
