#include "tests/support/fake_gateway.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>

namespace testing_support {

namespace {

// How often the serving thread looks at the stop flag.
constexpr Millis kTick(20);

bool SendAll(int fd, const Bytes &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        done += static_cast<size_t>(sent);
    }
    return true;
}

} // namespace

uint16_t ModbusCrc(const Bytes &frame)
{
    unsigned crc = 0xFFFF;
    for (const uint8_t byte : frame) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1U) ? (crc >> 1) ^ 0xA001U : crc >> 1;
    }
    return static_cast<uint16_t>(crc);
}

Bytes WithCrc(Bytes frame)
{
    const uint16_t crc = ModbusCrc(frame);
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

Bytes FromHex(const std::string &text)
{
    Bytes bytes;
    std::istringstream stream(text);
    std::string pair;
    while (stream >> pair)
        bytes.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
    return bytes;
}

std::string ToHex(const Bytes &bytes)
{
    std::string text;
    char pair[4];
    for (const uint8_t byte : bytes) {
        std::snprintf(pair, sizeof(pair), "%02X", byte);
        if (!text.empty())
            text += ' ';
        text += pair;
    }
    return text;
}

size_t RequestFrameLength(const Bytes &buffered, bool mbap)
{
    if (mbap)
        return buffered.size() < 6 ? 0 : 6 + (static_cast<size_t>(buffered[4]) << 8 | buffered[5]);
    if (buffered.size() < 2)
        return 0;
    switch (buffered[1]) {
    case 1: case 2: case 3: case 4: case 5: case 6:
        return 8;
    case 7: case 17:
        return 4;
    case 15: case 16:
        return buffered.size() < 7 ? 0 : 7 + buffered[6] + 2;
    case 23:
        return buffered.size() < 11 ? 0 : 11 + buffered[10] + 2;
    default:
        return buffered.size();
    }
}

Bytes WithMbap(uint16_t transactionId, const Bytes &body)
{
    Bytes frame(6 + body.size());
    frame[0] = static_cast<uint8_t>(transactionId >> 8);
    frame[1] = static_cast<uint8_t>(transactionId & 0xFF);
    frame[4] = static_cast<uint8_t>(body.size() >> 8);
    frame[5] = static_cast<uint8_t>(body.size() & 0xFF);
    std::copy(body.begin(), body.end(), frame.begin() + 6);
    return frame;
}

Reaction Reaction::Send(Bytes bytes, Millis delay)
{
    return Compute([bytes](const Bytes &) { return bytes; }, delay);
}

Reaction Reaction::Compute(std::function<Bytes(const Bytes &)> make, Millis delay)
{
    Reaction reaction;
    reaction.reply = std::move(make);
    reaction.delay = delay;
    return reaction;
}

Reaction Reaction::Nothing()
{
    return Reaction();
}

Reaction Reaction::Close(Millis delay)
{
    Reaction reaction;
    reaction.delay = delay;
    reaction.close = true;
    return reaction;
}

FakeGateway::FakeGateway(const std::string &ip, uint16_t port) : m_listener(ip, port)
{
    m_thread = std::thread([this] { Serve(); });
}

FakeGateway::~FakeGateway()
{
    m_stop = true;
    m_thread.join();
}

void FakeGateway::Then(Reaction reaction)
{
    const std::lock_guard<std::mutex> guard(m_lock);
    m_script.push_back(std::move(reaction));
}

void FakeGateway::SetDefault(Reaction reaction)
{
    const std::lock_guard<std::mutex> guard(m_lock);
    m_default = std::move(reaction);
}

std::vector<Bytes> FakeGateway::Requests() const
{
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

size_t FakeGateway::Replies() const
{
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_replies;
}

size_t FakeGateway::Connections() const
{
    const std::lock_guard<std::mutex> guard(m_lock);
    return m_connections;
}

bool FakeGateway::WaitForRequests(size_t count, Millis timeout) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, timeout, [&] { return m_requests.size() >= count; });
}

bool FakeGateway::WaitForReplies(size_t count, Millis timeout) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, timeout, [&] { return m_replies >= count; });
}

void FakeGateway::Serve()
{
    while (!m_stop) {
        Fd connection = m_listener.Accept(kTick);
        if (!connection.Valid())
            continue;
        {
            const std::lock_guard<std::mutex> guard(m_lock);
            ++m_connections;
        }
        m_changed.notify_all();
        ServeConnection(std::move(connection));
    }
}

void FakeGateway::DropConnection(bool reset)
{
    m_drop = reset ? 2 : 1;
}

void FakeGateway::ServeConnection(Fd connection)
{
    Bytes buffered;
    m_drop = 0;
    while (!m_stop) {
        if (const int drop = m_drop.exchange(0); drop != 0) {
            if (drop == 2) {
                const linger abort = {1, 0};
                setsockopt(connection.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
            }
            return;
        }
        pollfd entry = {connection.Get(), POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(kTick.count())) <= 0)
            continue;
        uint8_t chunk[4096];
        const ssize_t count = recv(connection.Get(), chunk, sizeof(chunk), 0);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return;
        buffered.insert(buffered.end(), chunk, chunk + count);
        for (size_t length = RequestFrameLength(buffered, m_mbap); length > 0 && length <= buffered.size();
             length = RequestFrameLength(buffered, m_mbap)) {
            const Bytes request(buffered.begin(), buffered.begin() + static_cast<std::ptrdiff_t>(length));
            buffered.erase(buffered.begin(), buffered.begin() + static_cast<std::ptrdiff_t>(length));
            if (!Answer(connection.Get(), request))
                return;
        }
    }
}

// Records the request and carries out its reaction; false when the
// connection is to end.
bool FakeGateway::Answer(int fd, const Bytes &request)
{
    Reaction reaction;
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_requests.push_back(request);
        reaction = NextReaction();
    }
    m_changed.notify_all();
    if (reaction.whenClientMoves)
        WaitForClient(fd, reaction.delay);
    else if (!SleepUnlessStopped(reaction.delay))
        return false;
    const Bytes reply = reaction.reply ? reaction.reply(request) : Bytes();
    if (!reply.empty()) {
        if (!SendReply(fd, reply, reaction.drip))
            return false;
        {
            const std::lock_guard<std::mutex> guard(m_lock);
            ++m_replies;
        }
        m_changed.notify_all();
    }
    return !reaction.close;
}

Reaction FakeGateway::NextReaction()
{
    if (m_script.empty())
        return m_default;
    Reaction reaction = std::move(m_script.front());
    m_script.pop_front();
    return reaction;
}

void FakeGateway::WaitForClient(int fd, Millis limit) const
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!m_stop && std::chrono::steady_clock::now() < deadline) {
        pollfd entry = {fd, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(kTick.count())) > 0)
            return;
    }
}

bool FakeGateway::SendReply(int fd, const Bytes &reply, Millis drip) const
{
    if (drip.count() == 0)
        return SendAll(fd, reply);
    for (size_t index = 0; index < reply.size(); ++index) {
        if ((index > 0 && !SleepUnlessStopped(drip)) || !SendAll(fd, Bytes{reply[index]}))
            return false;
    }
    return true;
}

bool FakeGateway::SleepUnlessStopped(Millis delay) const
{
    const auto deadline = std::chrono::steady_clock::now() + delay;
    while (std::chrono::steady_clock::now() < deadline) {
        if (m_stop)
            return false;
        std::this_thread::sleep_for(std::min(kTick, std::chrono::duration_cast<Millis>(
                                                        deadline - std::chrono::steady_clock::now()) + Millis(1)));
    }
    return !m_stop;
}

} // namespace testing_support
