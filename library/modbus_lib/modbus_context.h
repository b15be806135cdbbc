// The context record behind the opaque mb_context, for the client's own
// files only.
#ifndef ORV_MODBUS_LIB_MODBUS_CONTEXT_H
#define ORV_MODBUS_LIB_MODBUS_CONTEXT_H

#include "library/modbus_lib/modbus.h"

#include <ctime>

struct mb_timeout {
    int sec;
    int usec;
};

// Where the client connects: the port, then the dotted IPv4 text.
struct mb_tcp_data {
    int port;
    char ip[16];
};

struct mb_context {
    int slave = 255;
    int socket = -1;
    int debug = 0;
    int error_recovery = 0;
    mb_timeout response_timeout = {0, 500000};
    mb_timeout byte_timeout = {0, 500000};
    // A host that never answers would otherwise hold mb_connect for the
    // kernel's SYN retries, about two minutes.
    mb_timeout connect_timeout = {5, 0};
    mb_tcp_data *transport = nullptr;
    // Input on it ends every wait (see mb_set_cancel_fd).
    int cancel_fd = -1;
    int framing = MB_FRAMING_RTU;
    // Of the last Modbus TCP request sent; each request takes the next one.
    uint16_t transaction_id = 0;
    // Set when the stream may hold bytes that answer no request in hand (a
    // failed exchange, or more bytes than the frame): the next request goes
    // on a new connection.
    bool out_of_step = false;
    mb_trace_fn trace = nullptr;
    void *trace_user = nullptr;
};

// Waits until `fd` is ready for `events`, at most `wait` (nullptr: no limit),
// or until the context's cancel descriptor has input. Returns the events that
// came on `fd` (non-zero), 0 when the wait ended, or -1 with errno (EINTR
// when a signal came, ECANCELED once the cancel descriptor has input).
int mb_poll_cancellable(const mb_context *ctx, int fd, short events, const timespec *wait);

// Writes a message to standard error when the context's debug flag is set.
void mb_debug_error(const mb_context *ctx, const char *format, ...) __attribute__((format(printf, 2, 3)));

#endif
