// Frames of the caller's own over the session's connection, for the
// diagnostics of orv-modbus.
#include "modbus_cli/session.h"

#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_raw.h"

#include <cerrno>
#include <chrono>

namespace modbus_cli {

RawOutcome Session::Raw(const std::vector<uint8_t> &frame, bool asIs)
{
    RawOutcome outcome;
    const std::string unconnected = Connect();
    if (!unconnected.empty()) {
        outcome.status = EXIT_NO_ANSWER;
        outcome.error = unconnected;
        outcome.unconnected = true;
        return outcome;
    }
    m_answer.clear();
    mb_raw_frames frames;
    const auto start = std::chrono::steady_clock::now();
    const int result =
        mb_send_raw(m_context, frame.data(), static_cast<int>(frame.size()), asIs ? 1 : 0, &frames);
    const int error = errno;
    outcome.roundTripMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    outcome.sent.assign(frames.sent, frames.sent + frames.sent_length);
    outcome.answer.assign(frames.answer, frames.answer + frames.answer_length);
    if (result < 0) {
        // Without a socket, the new connection after an earlier failure
        // could not be made.
        outcome.unconnected = mb_get_socket(m_context) < 0;
        const Outcome failed = Failure(error);
        outcome.status = failed.status;
        outcome.error = failed.error;
    }
    return outcome;
}

int Session::Socket() const
{
    return m_context == nullptr ? -1 : mb_get_socket(m_context);
}

} // namespace modbus_cli
