// What orv-modbus does with each frame on the wire: with --trace, a line
// with its time, its bytes and what it means; with --pcap, a packet of the
// capture file.
#ifndef ORV_MODBUS_CLI_TRAFFIC_OBSERVER_H
#define ORV_MODBUS_CLI_TRAFFIC_OBSERVER_H

#include "modbus/pcap_writer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace modbus_cli {

// "<time> > 01 03 00 00 00 02 C4 0B | unit 1: read holding registers,
// address 0, count 2"; an answer is described with `request`, the frame
// it answers (empty when unknown).
std::string DescribedTraceLine(int framing, bool sent, const uint8_t *frame, int length,
                               const std::vector<uint8_t> &request);

class TrafficObserver {
public:
    // `framing` is MB_FRAMING_RTU or MB_FRAMING_TCP.
    TrafficObserver(int framing, bool trace) : m_framing(framing), m_trace(trace) {}

    // Starts the capture into `path`; "" or why not.
    std::string Capture(const std::string &path);
    // Writes the capture out under its name; "" (also without one) or why not.
    std::string FinishCapture();

    // A frame `sent` or received on `socket`.
    void OnFrame(bool sent, const uint8_t *frame, int length, int socket);

private:
    int m_framing;
    bool m_trace;
    std::unique_ptr<PcapWriter> m_capture;
    std::vector<uint8_t> m_request; // the last one sent
};

} // namespace modbus_cli

#endif
