// One connection of orv-modbus to a device: connecting within a time-out,
// running checked requests through the Modbus client, and telling why one
// failed, with the exit status that goes with the cause (and, when the
// answer shows it, that the device speaks the other framing).
#ifndef ORV_MODBUS_CLI_SESSION_H
#define ORV_MODBUS_CLI_SESSION_H

#include "modbus_cli/request.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct mb_context;

namespace modbus_cli {

enum ExitStatus { EXIT_OK = 0, EXIT_REFUSED_ANSWER = 1, EXIT_NO_ANSWER = 2, EXIT_USAGE = 64, EXIT_WRITE_FAILED = 74 };

struct Outcome {
    int status = EXIT_OK;
    std::string error;             // the cause, when status is not EXIT_OK
    std::vector<uint16_t> values;  // registers, bits or slave-id bytes read
    int written = 0;               // items the device says it wrote
    double roundTripMs = 0;
    int errorNumber = 0;           // the client's errno of a failed request
    bool interrupted = false;      // the cancel descriptor ended the request
};

// A frame of the caller's own and the answer it got (see mb_send_raw):
// whatever came is the caller's to judge.
struct RawOutcome {
    int status = EXIT_OK; // of the exchange; EXIT_OK once an answer came
    std::string error;
    std::vector<uint8_t> sent;
    std::vector<uint8_t> answer; // as far as it came, also on failure
    double roundTripMs = 0;
    bool unconnected = false; // no connection could be made for it
};

// Sees every frame: `sent` for requests, else a response as far as it came.
using TraceSink = std::function<void(bool sent, const uint8_t *frame, int length)>;

class Session {
public:
    // `framing` is MB_FRAMING_RTU or MB_FRAMING_TCP.
    Session(std::string host, int port, int framing, int timeoutMs, TraceSink trace);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // A descriptor whose input ends the waits of the connect and of each
    // request (mb_set_cancel_fd); the outcome then says `interrupted`.
    void SetCancel(int fd);
    // Connects unless connected; "" or the cause (with no connection the
    // status is EXIT_NO_ANSWER).
    std::string Connect();
    // Sends `request` and reads its answer; connects first when needed. A
    // connection the device closed is dropped, to be made anew next time.
    Outcome Run(const Request &request);

    // Sends `frame` as given (`asIs`), or framed like any request (unit id
    // and protocol data unit), and reads one answer; connects first when
    // needed.
    RawOutcome Raw(const std::vector<uint8_t> &frame, bool asIs);
    // The connected socket, -1 while none: its addresses are the traffic's.
    int Socket() const;

private:
    static void OnFrame(void *self, int sent, const uint8_t *frame, int length);
    Outcome Failure(int error);
    std::string WithHint(std::string error);
    std::string ConnectFailure(int error) const;
    void Drop();

    std::string m_host;
    int m_port;
    int m_framing;
    int m_timeoutMs;
    TraceSink m_trace;
    int m_cancelFd = -1;
    mb_context *m_context = nullptr;
    std::vector<uint8_t> m_answer; // of the request in hand, as far as it came
};

} // namespace modbus_cli

#endif
