#include "modbus_cli/session.h"

#include "library/modbus_lib/modbus.h"
#include "modbus/modbus_request.h"
#include "modbus_cli/framing_hint.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <utility>

namespace modbus_cli {

namespace {

// The device's first IPv4 address; "" or the cause.
std::string Resolve(const std::string &host, int port, sockaddr_in &address)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const int error = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (error != 0)
        return std::string("cannot resolve the host: ") + gai_strerror(error);
    address = *reinterpret_cast<const sockaddr_in *>(found->ai_addr);
    address.sin_port = htons(static_cast<uint16_t>(port));
    freeaddrinfo(found);
    return "";
}

const char kInterrupted[] = "interrupted";

bool ConnectionGone(int error)
{
    return error == ECONNRESET || error == EPIPE || error == ENOTCONN || error == EBADF;
}

// Exception codes the protocol defines (9 is none).
bool IsExceptionError(int error)
{
    const int code = error - MB_ERROR_BASE;
    return code >= 1 && code <= 11 && code != 9;
}

} // namespace

Session::Session(std::string host, int port, int framing, int timeoutMs, TraceSink trace)
    : m_host(std::move(host)), m_port(port), m_framing(framing), m_timeoutMs(timeoutMs), m_trace(std::move(trace))
{
}

Session::~Session()
{
    Drop();
}

void Session::Drop()
{
    mb_close(m_context);
    mb_free(m_context);
    m_context = nullptr;
}

void Session::SetCancel(int fd)
{
    m_cancelFd = fd;
    mb_set_cancel_fd(m_context, fd);
}

std::string Session::Connect()
{
    if (m_context != nullptr)
        return "";
    sockaddr_in address{};
    const std::string unresolved = Resolve(m_host, m_port, address);
    if (!unresolved.empty())
        return unresolved;
    char ip[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &address.sin_addr, ip, sizeof(ip));
    m_context = mb_new_tcp(ip, m_port);
    if (m_context == nullptr)
        return std::string("cannot connect: ") + std::strerror(errno);
    mb_set_framing(m_context, m_framing);
    mb_set_cancel_fd(m_context, m_cancelFd);
    const int sec = m_timeoutMs / 1000, usec = (m_timeoutMs % 1000) * 1000;
    mb_set_connect_timeout(m_context, sec, usec);
    if (mb_connect(m_context) != 0) {
        const int error = errno;
        Drop();
        return ConnectFailure(error);
    }
    mb_set_response_timeout(m_context, sec, usec);
    mb_set_byte_timeout(m_context, sec, usec);
    mb_set_trace(m_context, &Session::OnFrame, this);
    return "";
}

std::string Session::ConnectFailure(int error) const
{
    if (error == ECANCELED)
        return kInterrupted;
    return error == ETIMEDOUT ? "no connection within " + std::to_string(m_timeoutMs) + " ms"
                              : std::string("cannot connect: ") + std::strerror(error);
}

void Session::OnFrame(void *self, int sent, const uint8_t *frame, int length)
{
    auto *session = static_cast<Session *>(self);
    if (sent == 0)
        session->m_answer.assign(frame, frame + length);
    if (session->m_trace)
        session->m_trace(sent != 0, frame, length);
}

Outcome Session::Run(const Request &request)
{
    Outcome outcome;
    const std::string unconnected = Connect();
    if (!unconnected.empty()) {
        outcome.interrupted = unconnected == kInterrupted;
        outcome.status = EXIT_NO_ANSWER;
        outcome.error = unconnected;
        return outcome;
    }
    m_answer.clear();
    const ModbusReply reply = RunModbusRequest(m_context, request);
    if (!reply.Ok())
        return Failure(reply.error);
    outcome.roundTripMs = std::chrono::duration<double, std::milli>(reply.roundTrip).count();
    if (OnlyWrites(request.function))
        outcome.written = reply.result;
    else
        outcome.values = reply.values;
    return outcome;
}

Outcome Session::Failure(int error)
{
    Outcome outcome;
    outcome.status = EXIT_NO_ANSWER;
    outcome.errorNumber = error;
    if (error == ECANCELED) {
        outcome.interrupted = true;
        outcome.error = kInterrupted;
    } else if (mb_get_socket(m_context) < 0) {
        // The new connection after a failed request could not be made.
        Drop();
        outcome.error = ConnectFailure(error);
    } else if (error == ETIMEDOUT) {
        outcome.error = WithHint("no answer within " + std::to_string(m_timeoutMs) + " ms");
    } else if (ConnectionGone(error)) {
        Drop();
        outcome.error = "the device closed the connection";
    } else if (IsExceptionError(error)) {
        outcome.status = EXIT_REFUSED_ANSWER;
        outcome.error = "exception " + std::to_string(error - MB_ERROR_BASE) + ": " + mb_strerror(error);
    } else if (error >= MB_ERROR_BASE) {
        outcome.status = EXIT_REFUSED_ANSWER;
        outcome.error = WithHint(std::string("invalid answer: ") + mb_strerror(error));
    } else {
        outcome.error = std::strerror(error);
    }
    return outcome;
}

// Adds what the answer tells of the framing. The client stops reading at
// what it takes for the end of a frame in its own framing; the rest of a
// frame in the other one is still in the socket, looked at and left there
// (the next request goes on a new connection).
std::string Session::WithHint(std::string error)
{
    std::vector<uint8_t> answer = m_answer;
    uint8_t pending[512];
    const ssize_t count = recv(mb_get_socket(m_context), pending, sizeof(pending), MSG_PEEK | MSG_DONTWAIT);
    if (count > 0)
        answer.insert(answer.end(), pending, pending + count);
    const std::string hint = FramingHint(m_framing, answer, m_port);
    return hint.empty() ? error : error + "; " + hint;
}

} // namespace modbus_cli
