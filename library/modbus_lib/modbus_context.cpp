#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_context.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <poll.h>

namespace {

int invalid()
{
    errno = EINVAL;
    return -1;
}

bool valid_timeout(int sec, int usec)
{
    return sec >= 0 && usec >= 0 && usec < 1000000 && (sec > 0 || usec > 0);
}

int get_timeout(const mb_timeout &timeout, int *sec, int *usec)
{
    if (sec == nullptr || usec == nullptr)
        return invalid();
    *sec = timeout.sec;
    *usec = timeout.usec;
    return 0;
}

} // namespace

void mb_debug_error(const mb_context *ctx, const char *format, ...)
{
    if (ctx == nullptr || !ctx->debug)
        return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
}

int mb_poll_cancellable(const mb_context *ctx, int fd, short events, const timespec *wait)
{
    pollfd entries[2] = {{fd, events, 0}, {ctx->cancel_fd, POLLIN, 0}};
    const nfds_t count = ctx->cancel_fd >= 0 ? 2 : 1;
    const int ready = ppoll(entries, count, wait, nullptr);
    if (ready <= 0)
        return ready;
    // Whatever shows on the cancel descriptor (also its closing) ends the wait.
    if (count == 2 && entries[1].revents != 0) {
        errno = ECANCELED;
        return -1;
    }
    return entries[0].revents;
}

int mb_set_cancel_fd(mb_context *ctx, int fd)
{
    if (ctx == nullptr || fd < -1)
        return invalid();
    ctx->cancel_fd = fd;
    return 0;
}

int mb_set_slave(mb_context *ctx, int slave)
{
    if (ctx == nullptr || slave < 0 || slave > 255)
        return invalid();
    ctx->slave = slave;
    return 0;
}

int mb_get_slave(const mb_context *ctx)
{
    return ctx == nullptr ? invalid() : ctx->slave;
}

int mb_set_framing(mb_context *ctx, int framing)
{
    if (ctx == nullptr || (framing != MB_FRAMING_RTU && framing != MB_FRAMING_TCP))
        return invalid();
    ctx->framing = framing;
    return 0;
}

int mb_get_framing(const mb_context *ctx)
{
    return ctx == nullptr ? invalid() : ctx->framing;
}

int mb_set_debug(mb_context *ctx, int flag)
{
    if (ctx == nullptr)
        return invalid();
    ctx->debug = flag;
    return 0;
}

int mb_set_error_recovery(mb_context *ctx, int flags)
{
    if (ctx == nullptr || (flags & ~(MB_ERROR_RECOVERY_LINK | MB_ERROR_RECOVERY_PROTOCOL)) != 0)
        return invalid();
    ctx->error_recovery = flags;
    return 0;
}

int mb_set_response_timeout(mb_context *ctx, int sec, int usec)
{
    if (ctx == nullptr || !valid_timeout(sec, usec))
        return invalid();
    ctx->response_timeout = {sec, usec};
    return 0;
}

int mb_get_response_timeout(const mb_context *ctx, int *sec, int *usec)
{
    return ctx == nullptr ? invalid() : get_timeout(ctx->response_timeout, sec, usec);
}

int mb_set_byte_timeout(mb_context *ctx, int sec, int usec)
{
    if (ctx == nullptr || !valid_timeout(sec, usec))
        return invalid();
    ctx->byte_timeout = {sec, usec};
    return 0;
}

int mb_get_byte_timeout(const mb_context *ctx, int *sec, int *usec)
{
    return ctx == nullptr ? invalid() : get_timeout(ctx->byte_timeout, sec, usec);
}

int mb_set_connect_timeout(mb_context *ctx, int sec, int usec)
{
    if (ctx == nullptr || !valid_timeout(sec, usec))
        return invalid();
    ctx->connect_timeout = {sec, usec};
    return 0;
}

int mb_get_connect_timeout(const mb_context *ctx, int *sec, int *usec)
{
    return ctx == nullptr ? invalid() : get_timeout(ctx->connect_timeout, sec, usec);
}

int mb_set_socket(mb_context *ctx, int socket)
{
    if (ctx == nullptr)
        return invalid();
    ctx->socket = socket;
    ctx->out_of_step = false;
    return 0;
}

int mb_get_socket(const mb_context *ctx)
{
    return ctx == nullptr ? invalid() : ctx->socket;
}

int mb_set_trace(mb_context *ctx, mb_trace_fn trace, void *user)
{
    if (ctx == nullptr)
        return invalid();
    ctx->trace = trace;
    ctx->trace_user = user;
    return 0;
}
