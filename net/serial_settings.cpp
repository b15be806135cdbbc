#include "net/serial.h"

#include "net/serial_custom_baud.h"
#include "net/serial_termios.h"

#include <cerrno>
#include <optional>

namespace {

struct StandardRate {
    uint32_t baud;
    speed_t constant;
};

constexpr StandardRate kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

std::optional<speed_t> StandardConstant(uint32_t baud)
{
    for (const StandardRate &rate : kStandardRates)
        if (rate.baud == baud)
            return rate.constant;
    return std::nullopt;
}

constexpr tcflag_t kFrameFlags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
constexpr tcflag_t kSoftFlowFlags = IXON | IXOFF | IXANY;

// A setting no device takes, named; an empty text when all are possible.
std::string Impossible(const SerialSettings &settings)
{
    if (settings.baud == 0)
        return "0 baud";
    if (settings.dataBits < 5 || settings.dataBits > 8)
        return std::to_string(settings.dataBits) + " data bits";
    if (settings.stopBits != 1 && settings.stopBits != 2)
        return std::to_string(settings.stopBits) + " stop bits";
    return std::string();
}

const char *ParityName(SerialParity parity)
{
    static const char *const names[] = {"no parity", "odd parity", "even parity", "mark parity", "space parity"};
    return names[static_cast<int>(parity)];
}

// "115200 baud, 8 data bits, even parity, 1 stop bit, no flow control".
std::string Described(const SerialSettings &settings)
{
    static const char *const flows[] = {"no flow control", "RTS/CTS flow control", "XON/XOFF flow control"};
    return std::to_string(settings.baud) + " baud, " + std::to_string(settings.dataBits) + " data bits, " +
           ParityName(settings.parity) + ", " + std::to_string(settings.stopBits) +
           (settings.stopBits == 1 ? " stop bit, " : " stop bits, ") + flows[static_cast<int>(settings.flow)];
}

// The first setting that the device's settings `got` lack.
std::string Refused(const termios &got, const SerialSettings &settings, tcflag_t frame, uint32_t baud)
{
    if ((got.c_cflag & CSIZE) != (frame & CSIZE))
        return std::to_string(settings.dataBits) + " data bits";
    if ((got.c_cflag & (PARENB | PARODD | CMSPAR)) != (frame & (PARENB | PARODD | CMSPAR)))
        return ParityName(settings.parity);
    if ((got.c_cflag & CSTOPB) != (frame & CSTOPB))
        return std::to_string(settings.stopBits) + " stop bits";
    if ((got.c_cflag & CRTSCTS) != (frame & CRTSCTS))
        return "RTS/CTS flow control";
    if ((got.c_iflag & (IXON | IXOFF)) != (settings.flow == SerialFlow::XonXoff ? (IXON | IXOFF) : 0))
        return "XON/XOFF flow control";
    if (baud != settings.baud)
        return std::to_string(settings.baud) + " baud";
    return std::string();
}

} // namespace

tcflag_t serial_frame_flags(const SerialSettings &settings)
{
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    tcflag_t flags = sizes[settings.dataBits - 5];
    switch (settings.parity) {
    case SerialParity::None:
        break;
    case SerialParity::Odd:
        flags |= PARENB | PARODD;
        break;
    case SerialParity::Even:
        flags |= PARENB;
        break;
    case SerialParity::Mark:
        flags |= PARENB | CMSPAR | PARODD;
        break;
    case SerialParity::Space:
        flags |= PARENB | CMSPAR;
        break;
    }
    if (settings.stopBits == 2)
        flags |= CSTOPB;
    if (settings.flow == SerialFlow::RtsCts)
        flags |= CRTSCTS;
    return flags;
}

bool serial_apply(SerialPort &port, const SerialSettings &settings, SerialError *error)
{
    const std::string impossible = Impossible(settings);
    if (!impossible.empty())
        return serial_fail_with(error, SerialFailure::Unsupported, impossible + " is no serial setting");
    termios wanted{};
    if (tcgetattr(port.fd, &wanted) != 0)
        return serial_fail(error, port.path, "tcgetattr", errno);
    cfmakeraw(&wanted);
    const tcflag_t frame = serial_frame_flags(settings);
    wanted.c_cflag = (wanted.c_cflag & ~kFrameFlags) | frame | CLOCAL | CREAD;
    wanted.c_iflag &= ~kSoftFlowFlags;
    if (settings.flow == SerialFlow::XonXoff)
        wanted.c_iflag |= IXON | IXOFF;
    wanted.c_cc[VMIN] = 1;
    wanted.c_cc[VTIME] = 0;
    const std::optional<speed_t> standard = StandardConstant(settings.baud);
    if (standard && (cfsetispeed(&wanted, *standard) != 0 || cfsetospeed(&wanted, *standard) != 0))
        return serial_fail(error, port.path, "cfsetspeed", errno);
    if (tcsetattr(port.fd, TCSANOW, &wanted) != 0) {
        if (errno != EINVAL)
            return serial_fail(error, port.path, "tcsetattr", errno);
        return serial_fail_with(error, SerialFailure::Unsupported,
                                port.path + " does not support these settings (" + Described(settings) + ")");
    }
    if (!standard) {
        const int failed = serial_set_custom_baud(port.fd, settings.baud);
        if (failed == EINVAL || failed == ENOTTY)
            return serial_fail_with(error, SerialFailure::Unsupported,
                                    port.path + " does not support " + std::to_string(settings.baud) + " baud");
        if (failed != 0)
            return serial_fail(error, port.path, "TCSETS2", failed);
    }
    // tcsetattr succeeds when the device took any one of the changes.
    termios got{};
    if (tcgetattr(port.fd, &got) != 0)
        return serial_fail(error, port.path, "tcgetattr", errno);
    const std::string refused = Refused(got, settings, frame, serial_get_baud(port.fd));
    if (!refused.empty())
        return serial_fail_with(error, SerialFailure::Unsupported, port.path + " does not support " + refused);
    return true;
}
