// A scripted Modbus gateway on loopback for the tests: it accepts one
// connection at a time, cuts the incoming byte stream into RTU (or Modbus
// TCP) request frames, records each one, and answers each with the next reaction of its
// script (a fixed frame, a frame computed from the request, a delay, a close,
// or nothing). Wx-free; every wait is bounded and the destructor joins.
#ifndef ORV_TESTS_FAKE_GATEWAY_H
#define ORV_TESTS_FAKE_GATEWAY_H

#include "tests/support/loopback.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

using Bytes = std::vector<uint8_t>;

// The Modbus RTU CRC computed bit by bit (independently of the client's
// tables); WithCrc appends it, low byte first.
uint16_t ModbusCrc(const Bytes &frame);
Bytes WithCrc(Bytes frame);

// Bytes from blank-separated hexadecimal pairs ("01 03 00 00"), and back.
Bytes FromHex(const std::string &text);
std::string ToHex(const Bytes &bytes);

// Length of the request frame at the start of `buffered`, from its function
// code; 0 while too few bytes are in to tell. An unknown function code takes
// all that is buffered. With `mbap`, a Modbus TCP frame: from its header.
size_t RequestFrameLength(const Bytes &buffered, bool mbap = false);
// A Modbus TCP frame: transaction id, protocol id 0, the length of `body`
// (unit id and protocol data unit), then the body.
Bytes WithMbap(uint16_t transactionId, const Bytes &body);

// What the gateway does with one request.
struct Reaction {
    // The bytes to send back; empty sends nothing.
    std::function<Bytes(const Bytes &request)> reply;
    Millis delay = Millis(0); // before answering (or closing)
    bool close = false;       // close the connection after the answer
    // Answer only once the client has sent more (its next request) or closed
    // the connection, at most after `delay`: a late answer that meets the
    // next request on its way.
    bool whenClientMoves = false;
    Millis drip = Millis(0); // when set, send the answer a byte at a time, this far apart

    static Reaction Send(Bytes bytes, Millis delay = Millis(0));
    static Reaction Compute(std::function<Bytes(const Bytes &request)> make, Millis delay = Millis(0));
    static Reaction Nothing();
    static Reaction Close(Millis delay = Millis(0));
};

class FakeGateway {
public:
    explicit FakeGateway(const std::string &ip = "127.0.0.1", uint16_t port = 0);
    ~FakeGateway();
    FakeGateway(const FakeGateway &) = delete;
    FakeGateway &operator=(const FakeGateway &) = delete;

    uint16_t Port() const { return m_listener.Port(); }
    const std::string &Ip() const { return m_listener.Ip(); }

    // Appends a reaction for the next unanswered request.
    void Then(Reaction reaction);
    // The reaction once the script has run out (at first: Nothing).
    void SetDefault(Reaction reaction);
    // Cuts the requests as Modbus TCP frames rather than RTU ones; the
    // reactions see and send whole frames either way.
    void SetModbusTcp(bool on) { m_mbap = on; }

    std::vector<Bytes> Requests() const;
    size_t Replies() const;
    size_t Connections() const;
    bool WaitForRequests(size_t count, Millis timeout = Millis(5000)) const;
    bool WaitForReplies(size_t count, Millis timeout = Millis(5000)) const;
    // Ends the connection being served while it waits for a request: closed,
    // or with `reset` aborted (the client sees a reset).
    void DropConnection(bool reset = false);

private:
    void Serve();
    void ServeConnection(Fd connection);
    bool Answer(int fd, const Bytes &request);
    Reaction NextReaction();
    bool SleepUnlessStopped(Millis delay) const;
    void WaitForClient(int fd, Millis limit) const;
    bool SendReply(int fd, const Bytes &reply, Millis drip) const;

    LoopbackListener m_listener;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_drop{0}; // 1: close, 2: reset the connection being served
    std::atomic<bool> m_mbap{false};
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::deque<Reaction> m_script;
    Reaction m_default;
    std::vector<Bytes> m_requests;
    size_t m_replies = 0;
    size_t m_connections = 0;
    std::thread m_thread;
};

} // namespace testing_support

#endif
