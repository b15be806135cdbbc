#include "uart/serial_link.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

SerialChannel::SerialChannel(std::unique_ptr<SerialPort> port) : m_port(std::move(port)) {}

ssize_t SerialChannel::Read(uint8_t *buffer, size_t size)
{
    SerialError error;
    const ssize_t count = serial_read(*m_port, buffer, size, &error);
    if (count < 0) {
        m_readFailure = error.text;
        // A device that hung up has no error number of its own.
        errno = error.code != 0 ? error.code : EIO;
    }
    return count;
}

// The device was opened non-blocking: a write takes what fits in the
// driver's buffer now.
ssize_t SerialChannel::WriteSome(const uint8_t *data, size_t size)
{
    if (m_shutDown) {
        errno = EPIPE;
        return -1;
    }
    ssize_t written;
    do
        written = write(m_port->fd, data, size);
    while (written < 0 && errno == EINTR);
    return written;
}

bool SerialChannel::WaitWritable(int timeoutMs)
{
    if (m_shutDown)
        return true;
    pollfd entries[2] = {{m_port->fd, POLLOUT, 0}, {m_port->wake, POLLIN, 0}};
    const int ready = poll(entries, 2, timeoutMs);
    return ready > 0 || (ready < 0 && errno != EINTR);
}

void SerialChannel::Shutdown()
{
    m_shutDown = true;
    serial_shutdown(*m_port);
}

std::string SerialChannel::Peer() const
{
    return m_port->path;
}

std::string SerialChannel::ReadFailureText(int code) const
{
    return m_readFailure.empty() ? LinkChannel::ReadFailureText(code) : m_readFailure;
}

SerialOpener::SerialOpener(std::string device, const SerialSettings &settings)
    : m_device(std::move(device)), m_settings(settings)
{
}

std::unique_ptr<LinkChannel> SerialOpener::Open(std::string &error)
{
    auto port = std::make_unique<SerialPort>();
    SerialError failure;
    if (!serial_open(*port, m_device, m_settings, &failure)) {
        error = failure.text;
        return nullptr;
    }
    return std::make_unique<SerialChannel>(std::move(port));
}
