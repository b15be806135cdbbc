// The newest frames of a connection's traffic, kept with their times and
// addresses so that the traffic window can save them as a capture file.
// Bounded in count however long the traffic runs.
#ifndef ORV_MODBUS_TRAFFIC_CAPTURE_H
#define ORV_MODBUS_TRAFFIC_CAPTURE_H

#include "modbus/pcap_writer.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class TrafficCapture {
public:
    // Frames kept at most; older ones go first.
    static constexpr size_t kKeepFrames = 100000;

    // A frame sent (`sent`) or received on `connection` at `when`. A frame
    // of no connection (all zero) cannot be placed in a capture and is not
    // kept.
    void Add(const TcpConnection &connection, bool sent, const std::vector<uint8_t> &bytes,
             std::chrono::system_clock::time_point when);
    void Clear() { m_frames.clear(); }
    size_t Size() const { return m_frames.size(); }

    // Writes the kept frames to `path` in libpcap's format, atomically; ""
    // or why not, naming the file and the cause.
    std::string Save(const std::string &path) const;

private:
    struct Frame {
        TcpConnection connection;
        bool sent = true;
        std::vector<uint8_t> bytes;
        std::chrono::system_clock::time_point when;
    };
    std::deque<Frame> m_frames;
};

#endif
