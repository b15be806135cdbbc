#include "modbus_cli/traffic_observer.h"

#include "modbus/traffic_lines.h"
#include "modbus_cli/output.h"

#include <chrono>
#include <cstdio>

namespace modbus_cli {

std::string DescribedTraceLine(int framing, bool sent, const uint8_t *frame, int length,
                               const std::vector<uint8_t> &request)
{
    const auto size = static_cast<size_t>(length);
    return DescribedFrameLine(TraceLine(sent, frame, length), framing, sent, frame, size, request);
}

std::string TrafficObserver::Capture(const std::string &path)
{
    m_capture = std::make_unique<PcapWriter>();
    return m_capture->Open(path);
}

std::string TrafficObserver::FinishCapture()
{
    if (!m_capture)
        return "";
    const std::string failure = m_capture->Commit();
    m_capture.reset();
    return failure;
}

void TrafficObserver::OnFrame(bool sent, const uint8_t *frame, int length, int socket)
{
    const auto now = std::chrono::system_clock::now();
    if (m_trace) {
        // Standard error is unbuffered: one write a line keeps lines whole.
        const std::string line = DescribedTraceLine(m_framing, sent, frame, length, m_request) + "\n";
        std::fputs(line.c_str(), stderr);
    }
    if (sent)
        m_request.assign(frame, frame + length);
    TcpConnection connection;
    if (m_capture && ConnectionOfSocket(socket, connection))
        m_capture->Record(connection, sent, frame, static_cast<size_t>(length), now);
}

} // namespace modbus_cli
