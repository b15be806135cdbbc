#include "modbus/pcap_writer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <pcap/pcap.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr uint8_t kSyn = 0x02;
constexpr uint8_t kPush = 0x08;
constexpr uint8_t kAck = 0x10;
constexpr size_t kIpHeader = 20;
constexpr size_t kTcpHeader = 20;
// Initial sequence numbers; tools show them relative to these anyway.
constexpr uint32_t kClientStart = 0x10000000;
constexpr uint32_t kServerStart = 0x20000000;

void Put16(std::vector<uint8_t> &packet, size_t at, uint32_t value)
{
    packet[at] = static_cast<uint8_t>(value >> 8);
    packet[at + 1] = static_cast<uint8_t>(value);
}

void Put32(std::vector<uint8_t> &packet, size_t at, uint32_t value)
{
    Put16(packet, at, value >> 16);
    Put16(packet, at + 2, value & 0xFFFF);
}

// The ones' complement sum of 16-bit words, as IP and TCP checksums add.
uint32_t Sum(const uint8_t *bytes, size_t length, uint32_t sum = 0)
{
    for (size_t index = 0; index + 1 < length; index += 2)
        sum += static_cast<uint32_t>(bytes[index] << 8 | bytes[index + 1]);
    if (length % 2 != 0)
        sum += static_cast<uint32_t>(bytes[length - 1] << 8);
    return sum;
}

uint16_t Folded(uint32_t sum)
{
    while ((sum >> 16) != 0)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

std::string WriteFailure(const std::string &path, int error)
{
    return "cannot write " + path + ": " + std::strerror(error);
}

} // namespace

bool TcpConnection::operator==(const TcpConnection &other) const
{
    return clientAddress == other.clientAddress && clientPort == other.clientPort &&
           serverAddress == other.serverAddress && serverPort == other.serverPort;
}

bool ConnectionOfSocket(int socket, TcpConnection &connection)
{
    sockaddr_in local{};
    sockaddr_in peer{};
    socklen_t localSize = sizeof local;
    socklen_t peerSize = sizeof peer;
    if (socket < 0 || getsockname(socket, reinterpret_cast<sockaddr *>(&local), &localSize) != 0 ||
        getpeername(socket, reinterpret_cast<sockaddr *>(&peer), &peerSize) != 0 || local.sin_family != AF_INET ||
        peer.sin_family != AF_INET)
        return false;
    connection = {ntohl(local.sin_addr.s_addr), ntohs(local.sin_port), ntohl(peer.sin_addr.s_addr),
                  ntohs(peer.sin_port)};
    return true;
}

std::vector<uint8_t> Ipv4Packet(const TcpConnection &connection, const TcpSegment &segment, uint16_t id)
{
    const size_t total = kIpHeader + kTcpHeader + segment.length;
    std::vector<uint8_t> packet(total, 0);
    const uint32_t source = segment.fromClient ? connection.clientAddress : connection.serverAddress;
    const uint32_t target = segment.fromClient ? connection.serverAddress : connection.clientAddress;
    packet[0] = 0x45; // version 4, 5 words of header
    Put16(packet, 2, static_cast<uint32_t>(total));
    Put16(packet, 4, id);
    Put16(packet, 6, 0x4000); // don't fragment
    packet[8] = 64;           // time to live
    packet[9] = IPPROTO_TCP;
    Put32(packet, 12, source);
    Put32(packet, 16, target);
    Put16(packet, 10, Folded(Sum(packet.data(), kIpHeader)));

    const size_t tcp = kIpHeader;
    Put16(packet, tcp, segment.fromClient ? connection.clientPort : connection.serverPort);
    Put16(packet, tcp + 2, segment.fromClient ? connection.serverPort : connection.clientPort);
    Put32(packet, tcp + 4, segment.sequence);
    Put32(packet, tcp + 8, segment.acknowledgement);
    packet[tcp + 12] = 5 << 4; // 5 words of header, no options
    packet[tcp + 13] = segment.flags;
    Put16(packet, tcp + 14, 0xFFFF); // window
    if (segment.length > 0)
        std::memcpy(packet.data() + tcp + kTcpHeader, segment.payload, segment.length);
    // The pseudo-header: addresses, protocol and TCP length.
    const uint32_t tcpLength = static_cast<uint32_t>(kTcpHeader + segment.length);
    uint32_t sum = Sum(packet.data() + 12, 8) + IPPROTO_TCP + tcpLength;
    sum = Sum(packet.data() + tcp, tcpLength, sum);
    Put16(packet, tcp + 16, Folded(sum));
    return packet;
}

PcapWriter::~PcapWriter()
{
    Discard();
}

std::string PcapWriter::Open(const std::string &path)
{
    Discard();
    m_path = path;
    m_error.clear();
    m_started = false;
    // Beside the file, so that the rename stays within one file system; the
    // file gets the permissions the umask gives any new file.
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        m_temporary = path + "." + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
        fd = open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const std::string failure = WriteFailure(path, errno);
        m_temporary.clear();
        return failure;
    }
    std::FILE *file = fdopen(fd, "wb");
    m_pcap = pcap_open_dead(DLT_RAW, 65535);
    m_dumper = file != nullptr && m_pcap != nullptr ? pcap_dump_fopen(m_pcap, file) : nullptr;
    if (m_dumper == nullptr) {
        const int error = errno != 0 ? errno : ENOMEM;
        if (file != nullptr)
            std::fclose(file);
        else
            close(fd);
        Discard();
        return WriteFailure(path, error);
    }
    return "";
}

void PcapWriter::Fail(int error)
{
    if (m_error.empty())
        m_error = WriteFailure(m_path, error != 0 ? error : EIO);
}

void PcapWriter::Write(const TcpConnection &connection, const TcpSegment &segment,
                       std::chrono::system_clock::time_point when)
{
    const std::vector<uint8_t> packet = Ipv4Packet(connection, segment, m_packetId++);
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(when.time_since_epoch()).count();
    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<time_t>(micros / 1000000);
    header.ts.tv_usec = static_cast<suseconds_t>(micros % 1000000);
    header.caplen = static_cast<bpf_u_int32>(packet.size());
    header.len = header.caplen;
    errno = 0;
    pcap_dump(reinterpret_cast<u_char *>(m_dumper), &header, packet.data());
    if (std::ferror(pcap_dump_file(m_dumper)))
        Fail(errno);
}

void PcapWriter::Record(const TcpConnection &connection, bool fromClient, const uint8_t *bytes, size_t length,
                        std::chrono::system_clock::time_point when)
{
    if (m_dumper == nullptr || !m_error.empty())
        return;
    if (!m_started || !(connection == m_connection)) {
        m_started = true;
        m_connection = connection;
        Write(connection, {true, kSyn, kClientStart, 0, nullptr, 0}, when);
        Write(connection, {false, kSyn | kAck, kServerStart, kClientStart + 1, nullptr, 0}, when);
        Write(connection, {true, kAck, kClientStart + 1, kServerStart + 1, nullptr, 0}, when);
        m_clientNext = kClientStart + 1;
        m_serverNext = kServerStart + 1;
    }
    uint32_t &next = fromClient ? m_clientNext : m_serverNext;
    const uint32_t acknowledged = fromClient ? m_serverNext : m_clientNext;
    Write(connection, {fromClient, kPush | kAck, next, acknowledged, bytes, length}, when);
    next += static_cast<uint32_t>(length);
}

std::string PcapWriter::Commit()
{
    if (m_dumper == nullptr)
        return m_error.empty() ? WriteFailure(m_path, EBADF) : m_error;
    errno = 0;
    if (m_error.empty() && pcap_dump_flush(m_dumper) != 0)
        Fail(errno);
    if (m_error.empty() && fsync(fileno(pcap_dump_file(m_dumper))) != 0)
        Fail(errno);
    pcap_dump_close(m_dumper);
    m_dumper = nullptr;
    if (m_error.empty() && std::rename(m_temporary.c_str(), m_path.c_str()) != 0)
        Fail(errno);
    if (m_error.empty())
        m_temporary.clear();
    const std::string error = m_error;
    Discard();
    return error;
}

void PcapWriter::Discard()
{
    if (m_dumper != nullptr)
        pcap_dump_close(m_dumper);
    m_dumper = nullptr;
    if (m_pcap != nullptr)
        pcap_close(m_pcap);
    m_pcap = nullptr;
    if (!m_temporary.empty())
        unlink(m_temporary.c_str());
    m_temporary.clear();
}
