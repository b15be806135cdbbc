// Helpers shared by the socket layer's own files; not part of its interface.
#ifndef ORV_NET_TCP_INTERNAL_H
#define ORV_NET_TCP_INTERNAL_H

// Sets the code and the system's text for it in one locked update.
void tcp_record_system_failure(int system_code);

#endif
