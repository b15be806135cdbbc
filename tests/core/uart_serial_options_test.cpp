#include "app/startup_target.h"
#include "uart/link_status.h"
#include "uart/serial_options.h"

#include <gtest/gtest.h>

namespace {

using startup_target::SerialOptions;
using Text = std::optional<std::string>;

SerialOptions Line(Text device, Text baud = {}, Text dataBits = {}, Text parity = {}, Text stopBits = {},
                   Text flow = {})
{
    return {device, baud, dataBits, parity, stopBits, flow};
}

TEST(SerialOptions, CommandLineGivesTheLineOrSaysWhatIsWrong)
{
    const struct {
        SerialOptions options;
        const char *summary;
    } good[] = {
        {Line("/dev/ttyUSB0"), "115200 8N1"},
        {Line("/dev/ttyUSB0", "921600", "7", "even", "2", "rtscts"), "921600 7E2 RTS/CTS"},
        {Line("/tmp/x/a", "250000", "5", "mark", "1", "xonxoff"), "250000 5M1 XON/XOFF"},
        {Line("/dev/ttyS0", "4000000", "8", "space", std::nullopt, "none"), "4000000 8S1"},
        {Line("/dev/ttyS0", "4294967295", std::nullopt, "odd"), "4294967295 8O1"},
    };
    for (const auto &entry : good) {
        LinkEndpoint link;
        EXPECT_EQ(startup_target::ReadSerial(entry.options, link), "") << entry.summary;
        EXPECT_EQ(link.mode, LinkMode::Serial);
        EXPECT_EQ(link.device, *entry.options.device);
        EXPECT_EQ(SerialSummary(link.serial), entry.summary);
    }
    LinkEndpoint untouched;
    EXPECT_EQ(startup_target::ReadSerial({}, untouched), "");
    EXPECT_EQ(untouched.mode, LinkMode::TcpClient);

    const struct {
        SerialOptions options;
        const char *problem;
    } bad[] = {
        {Line(std::nullopt, "9600"), "--baud goes with --serial"},
        {Line(std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "none"), "--flow goes with --serial"},
        {Line(""), "--serial takes the path of a serial device, as /dev/ttyUSB0"},
        {Line("/dev/ttyUSB0", "0"), "--baud takes a rate in bit/s, a whole number above 0 (as 115200), not 0"},
        {Line("/dev/ttyUSB0", "-9600"), "--baud takes a rate in bit/s, a whole number above 0 (as 115200), not -9600"},
        {Line("/dev/ttyUSB0", "4294967296"),
         "--baud takes a rate in bit/s, a whole number above 0 (as 115200), not 4294967296"},
        {Line("/dev/ttyUSB0", "9600baud"), "--baud takes a rate in bit/s, a whole number above 0 (as 115200), not 9600baud"},
        {Line("/dev/ttyUSB0", std::nullopt, "9"), "--data-bits takes 5, 6, 7 or 8, not 9"},
        {Line("/dev/ttyUSB0", std::nullopt, "08"), "--data-bits takes 5, 6, 7 or 8, not 08"},
        {Line("/dev/ttyUSB0", std::nullopt, std::nullopt, "E"), "--parity takes none, odd, even, mark or space, not E"},
        {Line("/dev/ttyUSB0", std::nullopt, std::nullopt, std::nullopt, "1.5"), "--stop-bits takes 1 or 2, not 1.5"},
        {Line("/dev/ttyUSB0", std::nullopt, std::nullopt, std::nullopt, std::nullopt, "hardware"),
         "--flow takes none, rtscts or xonxoff, not hardware"},
    };
    for (const auto &entry : bad) {
        LinkEndpoint link;
        EXPECT_EQ(startup_target::ReadSerial(entry.options, link), entry.problem);
    }
    // A serial device has its own option, without a host.
    LinkEndpoint link;
    EXPECT_EQ(startup_target::ReadLink({"serial", std::nullopt, std::nullopt}, link),
              "--link takes client, server or udp, not serial");
}

TEST(SerialOptions, KeptSettingsAreCheckedOneByOne)
{
    LinkEndpoint link = startup_target::KeptLink({"serial", std::nullopt, std::nullopt},
                                                 {"/dev/ttyACM0", "57600", "7", "odd", "2", "xonxoff"});
    EXPECT_EQ(link.mode, LinkMode::Serial);
    EXPECT_EQ(link.device + " " + SerialSummary(link.serial), "/dev/ttyACM0 57600 7O2 XON/XOFF");
    // Each value no dialog would take keeps its default alone.
    link = startup_target::KeptLink({"serial", std::nullopt, std::nullopt},
                                    {"/dev/ttyACM0", "fast", "7", "sideways", "3", "xonxoff"});
    EXPECT_EQ(SerialSummary(link.serial), "115200 7N1 XON/XOFF");
    // A serial link with no device to open is no serial link.
    link = startup_target::KeptLink({"serial", std::nullopt, std::nullopt}, {});
    EXPECT_EQ(link.mode, LinkMode::TcpClient);
}

TEST(SerialOptions, StatusNamesTheDeviceAndItsLine)
{
    LinkStatus status;
    status.state = LinkState::Connected;
    status.mode = LinkMode::Serial;
    status.host = "/dev/ttyUSB0";
    status.lineSettings = "115200 8N1";
    EXPECT_EQ(LinkStatusText(status), "Connected to /dev/ttyUSB0 (115200 8N1) | RX 0 B, TX 0 B");
}

} // namespace
