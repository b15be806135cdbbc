#include "net/serial.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool Lost(SerialPort &port, SerialError *error, const char *how)
{
    return serial_fail_with(error, SerialFailure::Lost, port.path + " was lost (unplugged?): " + how);
}

// Waits for `events` on the device or for the shutdown. 1 ready, 0 timed
// out, -1 with `error` set (stopped, lost or failed).
int WaitFor(SerialPort &port, short events, int timeoutMs, SerialError *error)
{
    pollfd entries[2] = {{port.fd, events, 0}, {port.wake, POLLIN, 0}};
    int ready;
    do
        ready = poll(entries, 2, timeoutMs);
    while (ready < 0 && errno == EINTR);
    if (ready < 0) {
        serial_fail(error, port.path, "poll", errno);
        return -1;
    }
    if (ready == 0)
        return 0;
    if (entries[1].revents != 0) {
        serial_fail_with(error, SerialFailure::Stopped, port.path + " was closed");
        return -1;
    }
    // Bytes that came before a hang-up are still read.
    if ((entries[0].revents & events) != 0)
        return 1;
    Lost(port, error, (entries[0].revents & POLLHUP) != 0 ? "hung up" : "device error");
    return -1;
}

} // namespace

SerialPort::~SerialPort()
{
    serial_close(*this);
}

bool serial_open(SerialPort &port, const std::string &path, const SerialSettings &settings, SerialError *error)
{
    serial_close(port);
    port.path = path;
    // Non-blocking, so that opening does not wait for a modem's carrier.
    port.fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port.fd < 0)
        return serial_fail(error, path, "open", errno);
    termios probe{};
    bool opened = tcgetattr(port.fd, &probe) == 0 || serial_fail(error, path, "open", errno);
    // Another program that has the device open this way makes it busy;
    // TIOCEXCL refuses later opens by others (except root's).
    opened = opened && (flock(port.fd, LOCK_EX | LOCK_NB) == 0 || serial_fail(error, path, "flock", errno));
    opened = opened && (ioctl(port.fd, TIOCEXCL) == 0 || serial_fail(error, path, "TIOCEXCL", errno));
    opened = opened && serial_apply(port, settings, error);
    opened = opened && (tcflush(port.fd, TCIOFLUSH) == 0 || serial_fail(error, path, "tcflush", errno));
    if (opened) {
        port.wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        opened = port.wake >= 0 || serial_fail(error, path, "eventfd", errno);
    }
    if (!opened)
        serial_close(port);
    return opened;
}

ssize_t serial_read(SerialPort &port, uint8_t *buffer, size_t size, SerialError *error)
{
    for (;;) {
        const int ready = WaitFor(port, POLLIN, -1, error);
        if (ready < 0)
            return error->failure == SerialFailure::Stopped ? 0 : -1;
        const ssize_t count = read(port.fd, buffer, size);
        if (count > 0)
            return count;
        if (count == 0) {
            Lost(port, error, "end of data");
            return -1;
        }
        if (errno == EINTR || errno == EAGAIN)
            continue;
        // EIO, ENXIO and ENODEV say the device went away.
        serial_fail(error, port.path, "read", errno);
        return -1;
    }
}

bool serial_write_all(SerialPort &port, const uint8_t *data, size_t size, int timeoutMs, SerialError *error,
                      size_t *written)
{
    size_t done = 0;
    bool sent = true;
    while (sent && done < size) {
        const ssize_t count = write(port.fd, data + done, size - done);
        if (count > 0) {
            done += static_cast<size_t>(count);
        } else if (count == 0 || errno == EAGAIN) {
            const int ready = WaitFor(port, POLLOUT, timeoutMs, error);
            if (ready == 0)
                serial_fail_with(error, SerialFailure::TimedOut,
                                 port.path + " took nothing for " + std::to_string(timeoutMs) +
                                     " ms (held by flow control?)");
            sent = ready > 0;
        } else if (errno != EINTR) {
            sent = serial_fail(error, port.path, "write", errno);
        }
    }
    if (written != nullptr)
        *written = done;
    return sent;
}

void serial_shutdown(SerialPort &port)
{
    if (port.wake >= 0) {
        const uint64_t one = 1;
        // The counter stays non-zero: every later wait ends at once too.
        while (write(port.wake, &one, sizeof(one)) < 0 && errno == EINTR) {
        }
    }
}

void serial_close(SerialPort &port)
{
    if (port.fd >= 0)
        close(port.fd);
    if (port.wake >= 0)
        close(port.wake);
    port.fd = -1;
    port.wake = -1;
}
