// Stands in for the socket layer's start-up: the library cannot be started.
#include "net/tcp.h"

bool tcp_startup()
{
    tcp_set_error(-1);
    tcp_perror("The Winsock dll not found!\n");
    return false;
}

void tcp_cleanup()
{
}
