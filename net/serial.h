// Thin serial port layer: a local serial device (a USB adapter, an on-board
// UART) as a link of the UART terminal, in raw mode.
//
// Errors go to a SerialError of the caller's, never to shared state, so the
// thread that reads and the threads that write each get their own. One
// thread reads, any thread may write; serial_shutdown, from any thread, ends
// a blocked read or write at once; serial_close runs once neither does. No
// function throws.
#ifndef ORV_NET_SERIAL_H
#define ORV_NET_SERIAL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

enum class SerialParity { None, Odd, Even, Mark, Space };
enum class SerialFlow { None, RtsCts, XonXoff };

struct SerialSettings {
    // Any rate the device takes: the standard ones up to 4000000 by their
    // constants, others through the kernel's arbitrary rates.
    uint32_t baud = 115200;
    int dataBits = 8;
    SerialParity parity = SerialParity::None;
    int stopBits = 1;
    SerialFlow flow = SerialFlow::None;
};

enum class SerialFailure {
    None,
    NotFound,
    PermissionDenied,
    Busy,
    NotSerial,
    Unsupported,
    // The device went away (unplugged) or its other end closed.
    Lost,
    TimedOut,
    // serial_shutdown ended the call.
    Stopped,
    Other,
};

struct SerialError {
    SerialFailure failure = SerialFailure::None;
    // The system's error number, when there is one.
    int code = 0;
    // A sentence for the user that names the device.
    std::string text;
};

struct SerialPort {
    SerialPort() = default;
    SerialPort(const SerialPort &) = delete;
    SerialPort &operator=(const SerialPort &) = delete;
    ~SerialPort();

    int fd = -1;
    // Readable once serial_shutdown was called.
    int wake = -1;
    std::string path;
};

// Opens `path` for reading and writing, for this program alone, with the
// settings in raw mode, and drops what waited in its buffers. False with
// `error` set when it cannot be opened or takes not every setting.
bool serial_open(SerialPort &port, const std::string &path, const SerialSettings &settings, SerialError *error);
// Changes the settings of an open port; each is read back, since the system
// reports success when a device took only some of them.
bool serial_apply(SerialPort &port, const SerialSettings &settings, SerialError *error);
// Waits for bytes: their count, 0 once serial_shutdown was called, or -1
// with `error` set (SerialFailure::Lost when the device went away).
ssize_t serial_read(SerialPort &port, uint8_t *buffer, size_t size, SerialError *error);
// Writes all of `data`, waiting at most `timeoutMs` at a time for the
// device to take more (-1: no limit; a device held by flow control takes
// nothing). False with `error` set; `written` (if given) says how much went.
bool serial_write_all(SerialPort &port, const uint8_t *data, size_t size, int timeoutMs, SerialError *error,
                      size_t *written = nullptr);
void serial_shutdown(SerialPort &port);
void serial_close(SerialPort &port);

// The serial devices in `devDir`: ttyUSB*, then ttyACM*, then ttyS*, each in
// numeric order; a ttyS that `sysDir` (the kernel's tty class) says has no
// UART behind it is left out. Any other path may be opened as well.
std::vector<std::string> serial_list_ports(const std::string &devDir = "/dev",
                                           const std::string &sysDir = "/sys/class/tty");

// Records in `error` why `call` on the port's device failed with the system
// error `code` (pass errno at once), in words for the user. Returns false.
bool serial_fail(SerialError *error, const std::string &path, const char *call, int code);
// Records a failure of the layer's own, with its text.
bool serial_fail_with(SerialError *error, SerialFailure failure, const std::string &text);

#endif
