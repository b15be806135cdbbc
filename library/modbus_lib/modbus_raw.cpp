#include "library/modbus_lib/modbus_raw.h"

#include "library/modbus_lib/modbus_context.h"
#include "library/modbus_lib/modbus_exchange.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>

namespace {

// Keeps a copy of each frame of one exchange while passing it on to the
// context's own trace; the context's trace is back when it goes.
class FrameRecorder {
public:
    FrameRecorder(mb_context *ctx, mb_raw_frames *frames)
        : m_ctx(ctx), m_frames(frames), m_trace(ctx->trace), m_user(ctx->trace_user)
    {
        frames->sent_length = 0;
        frames->answer_length = 0;
        ctx->trace = &FrameRecorder::Record;
        ctx->trace_user = this;
    }
    ~FrameRecorder()
    {
        m_ctx->trace = m_trace;
        m_ctx->trace_user = m_user;
    }
    FrameRecorder(const FrameRecorder &) = delete;
    FrameRecorder &operator=(const FrameRecorder &) = delete;

private:
    static void Record(void *self, int sent, const uint8_t *frame, int length)
    {
        auto *recorder = static_cast<FrameRecorder *>(self);
        uint8_t *copy = sent != 0 ? recorder->m_frames->sent : recorder->m_frames->answer;
        int &kept = sent != 0 ? recorder->m_frames->sent_length : recorder->m_frames->answer_length;
        kept = std::min(length, MB_RAW_MAX_FRAME);
        std::memcpy(copy, frame, static_cast<size_t>(kept));
        if (recorder->m_trace != nullptr)
            recorder->m_trace(recorder->m_user, sent, frame, length);
    }

    mb_context *m_ctx;
    mb_raw_frames *m_frames;
    mb_trace_fn m_trace;
    void *m_user;
};

bool fits(const mb_context *ctx, int length, int as_is)
{
    if (as_is == 0)
        return length >= 2 && length <= MB_RTU_MAX_ADU_LENGTH - MB_RTU_CHECKSUM_LENGTH;
    if (ctx->framing == MB_FRAMING_TCP)
        return length >= 2 && length <= MB_MBAP_MAX_ADU_LENGTH;
    return length >= 1 && length <= MB_RTU_MAX_ADU_LENGTH;
}

int send_as_is(mb_context *ctx, const uint8_t *frame, int length)
{
    if (ctx->framing == MB_FRAMING_TCP)
        ctx->transaction_id = mb_mbap_transaction_id(frame);
    if (ctx->trace != nullptr)
        ctx->trace(ctx->trace_user, 1, frame, length);
    ssize_t sent;
    do
        sent = send(ctx->socket, frame, static_cast<size_t>(length), MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    if (sent == length)
        return length;
    if (sent >= 0)
        errno = EMBBADDATA;
    return -1;
}

// As for every request: after these, bytes of the answer may still come.
bool leaves_out_of_step(int error)
{
    return error == ETIMEDOUT || error == EMBBADCRC || error == EMBBADDATA || error == EMBBADMBAP;
}

} // namespace

int mb_send_raw(mb_context *ctx, const uint8_t *frame, int length, int as_is, mb_raw_frames *frames)
{
    if (ctx == nullptr || frame == nullptr || frames == nullptr || !fits(ctx, length, as_is)) {
        errno = EINVAL;
        return -1;
    }
    if (ctx->out_of_step && mb_connect(ctx) != 0) {
        ctx->out_of_step = true;
        return -1;
    }
    const FrameRecorder recorder(ctx, frames);
    int sent;
    if (as_is != 0) {
        sent = send_as_is(ctx, frame, length);
    } else {
        uint8_t request[MB_RTU_MAX_ADU_LENGTH];
        std::memcpy(request, frame, static_cast<size_t>(length));
        sent = mb_send_msg(ctx, request, length);
    }
    uint8_t body[MB_RAW_MAX_FRAME];
    if (sent < 0 || mb_receive_msg(ctx, body) < 0) {
        if (leaves_out_of_step(errno))
            ctx->out_of_step = true;
        return -1;
    }
    return frames->answer_length;
}
