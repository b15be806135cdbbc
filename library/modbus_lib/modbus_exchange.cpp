// Sending a request frame and reading its response over the socket.
#include "library/modbus_lib/modbus_exchange.h"

#include "library/modbus_lib/modbus_context.h"
#include "library/modbus_lib/modbus_mbap.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::microseconds duration_of(const mb_timeout &timeout)
{
    return std::chrono::seconds(timeout.sec) + std::chrono::microseconds(timeout.usec);
}

// Waits until the socket has input, at most until `deadline`. poll, not
// select: it takes any descriptor number. Returns 0, or -1 with errno
// (ETIMEDOUT when nothing came, ECANCELED when the context's cancel
// descriptor ended the wait).
int wait_readable(const mb_context *ctx, Clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
        const long long nanoseconds = left.count() > 0 ? left.count() : 0;
        const timespec wait = {static_cast<time_t>(nanoseconds / 1000000000),
                               static_cast<long>(nanoseconds % 1000000000)};
        const int events = mb_poll_cancellable(ctx, ctx->socket, POLLIN, &wait);
        if (events > 0) {
            if ((events & POLLNVAL) != 0) {
                errno = EBADF;
                return -1;
            }
            return 0;
        }
        if (events == 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        if (errno != EINTR)
            return -1;
    }
}

// The pause of both recovery modes: the response time-out, then whatever
// arrived meanwhile is dropped.
void pause_and_flush(mb_context *ctx)
{
    std::this_thread::sleep_for(duration_of(ctx->response_timeout));
    mb_flush(ctx);
}

int too_many_data(mb_context *ctx)
{
    mb_debug_error(ctx, "too many data\n");
    if ((ctx->error_recovery & MB_ERROR_RECOVERY_PROTOCOL) != 0)
        pause_and_flush(ctx);
    errno = EMBBADDATA;
    return -1;
}

// A Modbus TCP header that no answer has. With protocol recovery the
// pause drops the rest of it.
int bad_header(mb_context *ctx)
{
    mb_debug_error(ctx, "invalid MBAP header\n");
    if ((ctx->error_recovery & MB_ERROR_RECOVERY_PROTOCOL) != 0)
        pause_and_flush(ctx);
    errno = EMBBADMBAP;
    return -1;
}

bool link_broken(int error)
{
    return error == EBADF || error == ECONNRESET || error == EPIPE;
}

ssize_t send_frame(int fd, const uint8_t *frame, int length)
{
    ssize_t sent;
    do
        sent = send(fd, frame, static_cast<size_t>(length), MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent;
}

void trace_bytes(const mb_context *ctx, const char *format, const uint8_t *bytes, int length)
{
    if (!ctx->debug)
        return;
    for (int index = 0; index < length; ++index)
        std::printf(format, bytes[index]);
}

} // namespace

int mb_flush(mb_context *ctx)
{
    if (ctx == nullptr || ctx->socket < 0)
        return 0;
    // Bounded, so that a peer that never stops sending cannot hold us here.
    constexpr int kMaxReads = 64;
    uint8_t discard[4096];
    int total = 0;
    for (int read = 0; read < kMaxReads; ++read) {
        const ssize_t count = recv(ctx->socket, discard, sizeof(discard), MSG_DONTWAIT);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        total += static_cast<int>(count);
    }
    if (total > 0)
        mb_debug_error(ctx, "%d bytes flushed\n", total);
    return total;
}

int mb_send_msg(mb_context *ctx, uint8_t *req, int req_length)
{
    if (ctx == nullptr || req == nullptr || req_length < 2 ||
        req_length > MB_RTU_MAX_ADU_LENGTH - MB_RTU_CHECKSUM_LENGTH) {
        errno = EINVAL;
        return -1;
    }
    uint8_t mbap[MB_MBAP_MAX_ADU_LENGTH];
    const bool tcp = ctx->framing == MB_FRAMING_TCP;
    if (tcp)
        ++ctx->transaction_id;
    const uint8_t *frame = tcp ? mbap : req;
    const int length =
        tcp ? mb_mbap_build(ctx->transaction_id, req, req_length, mbap) : mb_rtu_append_crc(req, req_length);
    if (ctx->trace != nullptr)
        ctx->trace(ctx->trace_user, 1, frame, length);
    trace_bytes(ctx, "[%.2X]", frame, length);
    if (ctx->debug)
        std::printf("\n");
    for (;;) {
        const ssize_t sent = send_frame(ctx->socket, frame, length);
        if (sent == length)
            return length;
        if (sent >= 0) {
            errno = EMBBADDATA;
            return -1;
        }
        if ((ctx->error_recovery & MB_ERROR_RECOVERY_LINK) == 0)
            return -1;
        if (link_broken(errno)) {
            mb_close(ctx);
            std::this_thread::sleep_for(duration_of(ctx->response_timeout));
            mb_connect(ctx);
        } else {
            pause_and_flush(ctx);
        }
    }
}

namespace {

// How long a response must be once its first bytes are in (see
// mb_rtu_response_target and mb_mbap_response_target).
using TargetFn = int (*)(const uint8_t *msg, int length);

// Reads one response of at most `room` bytes into `msg`, keeping in `length`
// how much of it came. Each part of the frame (for RTU unit id and function
// code, the meta part, the data part with the CRC; for Modbus TCP the header,
// then the rest) has one deadline for all its bytes, set when the part
// begins: a peer that drips its bytes cannot stretch the wait.
int receive_frame(mb_context *ctx, uint8_t *msg, int &length, TargetFn target_of, int room)
{
    int part_end = 0;
    Clock::time_point deadline;
    for (;;) {
        const int part = target_of(msg, length);
        if (part != part_end) {
            part_end = part;
            deadline = Clock::now() + duration_of(length == 0 ? ctx->response_timeout : ctx->byte_timeout);
        }
        if (wait_readable(ctx, deadline) != 0)
            return -1;
        // Look at what has arrived, then take only this frame's share of it:
        // whatever follows stays in the socket.
        const ssize_t seen =
            recv(ctx->socket, msg + length, static_cast<size_t>(room - length), MSG_PEEK);
        if (seen == 0) {
            errno = ECONNRESET;
            return -1;
        }
        if (seen < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return -1;
        }
        const int available = length + static_cast<int>(seen);
        const int target = target_of(msg, available);
        if (target < 0) {
            // Taken, so that the trace shows what came instead of a header.
            const ssize_t taken = recv(ctx->socket, msg + length, static_cast<size_t>(seen), 0);
            length += taken > 0 ? static_cast<int>(taken) : 0;
            return bad_header(ctx);
        }
        if (target > room)
            return too_many_data(ctx);
        const int wanted = (target < available ? target : available) - length;
        const ssize_t count = recv(ctx->socket, msg + length, static_cast<size_t>(wanted), 0);
        if (count <= 0) {
            if (count < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            if (count == 0)
                errno = ECONNRESET;
            return -1;
        }
        trace_bytes(ctx, "<%.2X>", msg + length, static_cast<int>(count));
        length += static_cast<int>(count);
        if (length == target) {
            ctx->out_of_step = ctx->out_of_step || available > target;
            break;
        }
    }
    if (ctx->debug)
        std::printf("\n");
    return length;
}

} // namespace

namespace {

void trace_response(const mb_context *ctx, const uint8_t *frame, int length)
{
    if (ctx->trace == nullptr || length <= 0)
        return;
    const int error = errno;
    ctx->trace(ctx->trace_user, 0, frame, length);
    errno = error;
}

// Reads a Modbus TCP answer and leaves its body (unit id and protocol data
// unit) in `msg`. An answer with another transaction id is refused: it is
// not this request's.
int receive_mbap(mb_context *ctx, uint8_t *msg)
{
    uint8_t frame[MB_MBAP_MAX_ADU_LENGTH];
    int length = 0;
    const int result = receive_frame(ctx, frame, length, mb_mbap_response_target, MB_MBAP_MAX_ADU_LENGTH);
    trace_response(ctx, frame, length);
    if (result < 0)
        return -1;
    if (mb_mbap_transaction_id(frame) != ctx->transaction_id) {
        mb_debug_error(ctx, "transaction id 0x%04X received, 0x%04X expected\n", mb_mbap_transaction_id(frame),
                       ctx->transaction_id);
        errno = EMBBADMBAP;
        return -1;
    }
    const int body = length - MB_MBAP_PREFIX_LENGTH;
    std::memcpy(msg, frame + MB_MBAP_PREFIX_LENGTH, static_cast<size_t>(body));
    return body;
}

} // namespace

int mb_receive_msg(mb_context *ctx, uint8_t *msg)
{
    if (ctx == nullptr || msg == nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (ctx->socket < 0) {
        errno = EBADF;
        return -1;
    }
    if (ctx->framing == MB_FRAMING_TCP)
        return receive_mbap(ctx, msg);
    int length = 0;
    const int result = receive_frame(ctx, msg, length, mb_rtu_response_target, MB_RTU_MAX_ADU_LENGTH);
    trace_response(ctx, msg, length);
    return result;
}

int mb_check_confirmation(mb_context *ctx, const uint8_t *req, int req_length, const uint8_t *rsp, int rsp_length)
{
    if (ctx == nullptr || req == nullptr || rsp == nullptr) {
        errno = EINVAL;
        return -1;
    }
    const int count = ctx->framing == MB_FRAMING_TCP
                          ? mb_check_response_body(req, req_length, rsp, rsp_length, ctx->debug != 0)
                          : mb_rtu_check_response(req, req_length, rsp, rsp_length, ctx->debug != 0);
    if (count < 0 && (ctx->error_recovery & MB_ERROR_RECOVERY_PROTOCOL) != 0) {
        const int error = errno;
        pause_and_flush(ctx);
        errno = error;
    }
    return count;
}
