#include "modbus/traffic_capture.h"

void TrafficCapture::Add(const TcpConnection &connection, bool sent, const std::vector<uint8_t> &bytes,
                         std::chrono::system_clock::time_point when)
{
    if (connection == TcpConnection{})
        return;
    if (m_frames.size() == kKeepFrames)
        m_frames.pop_front();
    m_frames.push_back({connection, sent, bytes, when});
}

std::string TrafficCapture::Save(const std::string &path) const
{
    PcapWriter writer;
    const std::string failure = writer.Open(path);
    if (!failure.empty())
        return failure;
    for (const Frame &frame : m_frames)
        writer.Record(frame.connection, frame.sent, frame.bytes.data(), frame.bytes.size(), frame.when);
    return writer.Commit();
}
