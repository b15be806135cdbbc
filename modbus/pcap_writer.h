// Modbus traffic saved as a capture file in libpcap's format, for Wireshark
// and tshark: each frame is one TCP segment of its connection, with the
// connection's real addresses and ports and the frame's real time, in IPv4
// packets with correct checksums and consistent sequence and
// acknowledgement numbers. Each connection opens with a SYN, SYN-ACK, ACK,
// so that tools see a whole stream; Wireshark decodes port 502 as Modbus/TCP
// by itself, other ports with "Decode As".
//
// The file is written atomically: into a temporary file beside it, renamed
// to its name by Commit. A writer is used by one thread at a time.
#ifndef ORV_MODBUS_PCAP_WRITER_H
#define ORV_MODBUS_PCAP_WRITER_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct pcap;
struct pcap_dumper;

// IPv4 addresses and ports in host order.
struct TcpConnection {
    uint32_t clientAddress = 0;
    uint16_t clientPort = 0;
    uint32_t serverAddress = 0;
    uint16_t serverPort = 0;

    bool operator==(const TcpConnection &other) const;
};

// The connection of a connected IPv4 socket (local end: the client), or
// false when the socket has none.
bool ConnectionOfSocket(int socket, TcpConnection &connection);

// One IPv4 packet holding one TCP segment: the `flags` (TCP header bits),
// sequence and acknowledgement numbers and `payload`, from the client or
// the server of `connection`.
struct TcpSegment {
    bool fromClient = true;
    uint8_t flags = 0;
    uint32_t sequence = 0;
    uint32_t acknowledgement = 0;
    const uint8_t *payload = nullptr;
    size_t length = 0;
};
std::vector<uint8_t> Ipv4Packet(const TcpConnection &connection, const TcpSegment &segment, uint16_t id);

class PcapWriter {
public:
    PcapWriter() = default;
    ~PcapWriter(); // removes the temporary file unless committed
    PcapWriter(const PcapWriter &) = delete;
    PcapWriter &operator=(const PcapWriter &) = delete;

    // Starts the capture for `path`; "" or why not ("cannot write
    // FILE: CAUSE").
    std::string Open(const std::string &path);
    // Records `length` bytes sent by the client (`fromClient`) or the server
    // of `connection` at `when`. A connection other than the last one's
    // begins with its handshake. A write that fails is kept for Commit.
    void Record(const TcpConnection &connection, bool fromClient, const uint8_t *bytes, size_t length,
                std::chrono::system_clock::time_point when);
    // Writes out all, then gives the file its name; "" or why not, naming
    // the file and the cause. The temporary file is gone either way.
    std::string Commit();

private:
    void Write(const TcpConnection &connection, const TcpSegment &segment,
               std::chrono::system_clock::time_point when);
    void Fail(int error);
    void Discard();

    std::string m_path;
    std::string m_temporary;
    pcap *m_pcap = nullptr;
    pcap_dumper *m_dumper = nullptr;
    std::string m_error; // the first failure
    bool m_started = false;
    TcpConnection m_connection;
    uint32_t m_clientNext = 0; // the next sequence number of each side
    uint32_t m_serverNext = 0;
    uint16_t m_packetId = 0;
};

#endif
