// The serial port layer against pairs of linked pseudo-terminals (socat),
// which pass every byte and keep every setting as a device would.
#include "net/serial.h"
#include "net/serial_custom_baud.h"
#include "net/serial_termios.h"
#include "tests/support/loopback.h"
#include "tests/support/pty_pair.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <grp.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char **environ;

namespace {

using testing_support::Fd;
using testing_support::Millis;
using testing_support::PtyPair;

std::string TempDir()
{
    char dir[] = "/tmp/serial_test_XXXXXX";
    return mkdtemp(dir) != nullptr ? dir : "";
}

// Reads until `count` bytes came or the time ran out; each read waits for
// readable data first, so none blocks.
std::string ReadFor(SerialPort &port, size_t count, Millis timeout = Millis(5000))
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd entry = {port.fd, POLLIN, 0};
        if (poll(&entry, 1, 100) <= 0)
            continue;
        uint8_t buffer[512];
        SerialError error;
        const ssize_t read = serial_read(port, buffer, sizeof(buffer), &error);
        if (read <= 0)
            break;
        got.append(reinterpret_cast<const char *>(buffer), static_cast<size_t>(read));
    }
    return got;
}

class SerialPair : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pair.Ready()) << "socat did not start"; }

    void Open(SerialPort &port, const std::string &path, const SerialSettings &settings = SerialSettings())
    {
        SerialError error;
        ASSERT_TRUE(serial_open(port, path, settings, &error)) << error.text;
    }

    PtyPair pair;
};

TEST_F(SerialPair, EveryByteValueBothWaysAt921600)
{
    SerialSettings fast;
    fast.baud = 921600;
    SerialPort a, b;
    Open(a, pair.A(), fast);
    Open(b, pair.B(), fast);
    std::string all;
    for (int value = 0; value < 256; ++value)
        all += static_cast<char>(value);
    const std::string both = all + all;
    SerialError error;
    ASSERT_TRUE(serial_write_all(a, reinterpret_cast<const uint8_t *>(both.data()), both.size(), 2000, &error))
        << error.text;
    EXPECT_EQ(ReadFor(b, both.size()), both);
    ASSERT_TRUE(serial_write_all(b, reinterpret_cast<const uint8_t *>(all.data()), all.size(), 2000, &error))
        << error.text;
    EXPECT_EQ(ReadFor(a, all.size()), all);
}

TEST_F(SerialPair, SettingsAreAppliedAsTheDeviceReportsThem)
{
    struct Case {
        SerialSettings settings;
        speed_t constant; // 0: a rate outside the standard table
        tcflag_t flags;   // what the pseudo-terminal keeps of the frame
        tcflag_t softFlow;
    };
    const Case cases[] = {
        {{921600, 8, SerialParity::None, 1, SerialFlow::None}, B921600, CS8, 0},
        {{9600, 8, SerialParity::None, 2, SerialFlow::RtsCts}, B9600, CS8 | CSTOPB | CRTSCTS, 0},
        {{115200, 8, SerialParity::None, 1, SerialFlow::XonXoff}, B115200, CS8, IXON | IXOFF},
        {{1000000, 8, SerialParity::None, 1, SerialFlow::None}, B1000000, CS8, 0},
        {{4000000, 8, SerialParity::None, 2, SerialFlow::None}, B4000000, CS8 | CSTOPB, 0},
        {{250000, 8, SerialParity::None, 1, SerialFlow::None}, 0, CS8, 0},
    };
    for (const Case &test : cases) {
        SerialPort port;
        Open(port, pair.A(), test.settings);
        termios got{};
        ASSERT_EQ(tcgetattr(port.fd, &got), 0);
        const std::string which = std::to_string(test.settings.baud) + " baud";
        if (test.constant != 0) {
            EXPECT_EQ(cfgetospeed(&got), test.constant) << which;
        }
        EXPECT_EQ(serial_get_baud(port.fd), test.settings.baud) << which;
        EXPECT_EQ(got.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), test.flags) << which;
        EXPECT_EQ(got.c_iflag & (IXON | IXOFF | IXANY), test.softFlow) << which;
        EXPECT_EQ(got.c_lflag & (ICANON | ECHO | ISIG), 0U) << which << ": raw mode";
        EXPECT_EQ(got.c_oflag & OPOST, 0U) << which << ": raw mode";
    }
}

TEST_F(SerialPair, ASettingTheDeviceDropsIsAFailureNotASuccess)
{
    // A pseudo-terminal keeps 8 data bits and no parity whatever it is told.
    // Its tcsetattr succeeds when it took any other change (then the reading
    // back names what it dropped) and fails when it took none.
    const std::pair<SerialSettings, std::string> cases[] = {
        {{115200, 7, SerialParity::None, 2, SerialFlow::None}, "7 data bits"},
        {{115200, 8, SerialParity::Even, 1, SerialFlow::None}, "even parity"},
        {{115200, 8, SerialParity::Odd, 2, SerialFlow::RtsCts}, "odd parity"},
    };
    for (const auto &[settings, named] : cases) {
        SerialPort port;
        Open(port, pair.A());
        serial_close(port);
        SerialError error;
        EXPECT_FALSE(serial_open(port, pair.A(), settings, &error));
        EXPECT_EQ(error.failure, SerialFailure::Unsupported);
        EXPECT_EQ(error.text.rfind(pair.A() + " does not support ", 0), 0U) << error.text;
        EXPECT_NE(error.text.find(named), std::string::npos) << error.text;
        EXPECT_EQ(port.fd, -1) << "nothing left open";
    }
    SerialPort port;
    SerialError error;
    EXPECT_FALSE(serial_open(port, pair.A(), {115200, 9, SerialParity::None, 1, SerialFlow::None}, &error));
    EXPECT_EQ(error.text, "9 data bits is no serial setting");
}

TEST(SerialFrame, FlagsOfEachSetting)
{
    const std::pair<SerialSettings, tcflag_t> cases[] = {
        {{9600, 8, SerialParity::None, 1, SerialFlow::None}, CS8},
        {{9600, 7, SerialParity::Even, 2, SerialFlow::RtsCts}, CS7 | PARENB | CSTOPB | CRTSCTS},
        {{9600, 5, SerialParity::Odd, 1, SerialFlow::XonXoff}, CS5 | PARENB | PARODD},
        {{9600, 6, SerialParity::Mark, 1, SerialFlow::None}, CS6 | PARENB | PARODD | CMSPAR},
        {{9600, 8, SerialParity::Space, 2, SerialFlow::None}, CS8 | PARENB | CMSPAR | CSTOPB},
    };
    for (const auto &[settings, flags] : cases)
        EXPECT_EQ(serial_frame_flags(settings), flags) << settings.dataBits << " data bits";
}

TEST_F(SerialPair, APeerThatGoesAwayIsALostLink)
{
    SerialPort port;
    Open(port, pair.A());
    pair.End();
    pollfd entry = {port.fd, POLLIN, 0};
    ASSERT_EQ(poll(&entry, 1, 5000), 1) << "the hang-up is seen";
    uint8_t buffer[16];
    SerialError error;
    EXPECT_EQ(serial_read(port, buffer, sizeof(buffer), &error), -1);
    EXPECT_EQ(error.failure, SerialFailure::Lost);
    EXPECT_EQ(error.text.rfind(pair.A() + " was lost (unplugged?): ", 0), 0U) << error.text;
    const uint8_t byte = 'x';
    EXPECT_FALSE(serial_write_all(port, &byte, 1, 1000, &error));
    EXPECT_EQ(error.failure, SerialFailure::Lost) << error.text;
}

TEST_F(SerialPair, ShutdownEndsABlockedReadAndLaterWrites)
{
    SerialPort port;
    Open(port, pair.A());
    auto reading = std::async(std::launch::async, [&port] {
        uint8_t buffer[16];
        SerialError error;
        return serial_read(port, buffer, sizeof(buffer), &error);
    });
    // Whether the read is already waiting or not, the shutdown ends it.
    serial_shutdown(port);
    if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "the read went on after the shutdown";
        pair.End();
    }
    EXPECT_EQ(reading.get(), 0);
    // A write that finds no room waits for the device or the shutdown.
    const std::string lots(1 << 20, 'x');
    SerialError error;
    size_t written = 0;
    EXPECT_FALSE(serial_write_all(port, reinterpret_cast<const uint8_t *>(lots.data()), lots.size(), 5000, &error,
                                  &written));
    EXPECT_EQ(error.failure, SerialFailure::Stopped);
    EXPECT_LT(written, lots.size());
}

TEST_F(SerialPair, RefusesWhatCannotBeOpenedInWords)
{
    SerialPort port, other;
    SerialError error;
    EXPECT_FALSE(serial_open(port, pair.Dir() + "/ttyUSB9", SerialSettings(), &error));
    EXPECT_EQ(error.failure, SerialFailure::NotFound);
    EXPECT_EQ(error.text, pair.Dir() + "/ttyUSB9 does not exist (is the device plugged in?)");

    const std::string file = pair.Dir() + "/file";
    std::ofstream(file) << "x";
    EXPECT_FALSE(serial_open(port, file, SerialSettings(), &error));
    EXPECT_EQ(error.failure, SerialFailure::NotSerial);
    EXPECT_EQ(error.text, file + " is not a serial device");

    Open(port, pair.A());
    EXPECT_FALSE(serial_open(other, pair.A(), SerialSettings(), &error));
    EXPECT_EQ(error.failure, SerialFailure::Busy);
    EXPECT_EQ(error.text, pair.A() + " is in use by another program");
}

// The text of opening `path` as a user other than root: the test's own user,
// or, under root, one dropped to "nobody" in a child process.
std::string RefusalText(const std::string &path)
{
    if (geteuid() != 0) {
        SerialPort port;
        SerialError error;
        serial_open(port, path, SerialSettings(), &error);
        return error.text;
    }
    int result[2];
    if (pipe(result) != 0)
        return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        close(result[0]);
        std::string text = "could not drop root";
        if (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0) {
            SerialPort port;
            SerialError error;
            serial_open(port, path, SerialSettings(), &error);
            text = error.text;
        }
        const ssize_t ignored = write(result[1], text.data(), text.size());
        static_cast<void>(ignored);
        _exit(0);
    }
    close(result[1]);
    Fd reader(result[0]);
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + Millis(5000);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd entry = {reader.Get(), POLLIN, 0};
        char buffer[512];
        if (poll(&entry, 1, 100) <= 0)
            continue;
        const ssize_t count = read(reader.Get(), buffer, sizeof(buffer));
        if (count <= 0)
            break;
        text.append(buffer, static_cast<size_t>(count));
    }
    waitpid(child, nullptr, 0);
    return text;
}

TEST(SerialPermission, NamesTheGroupThatGrantsAccess)
{
    const std::string dir = TempDir();
    ASSERT_FALSE(dir.empty());
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    const std::string device = dir + "/ttyUSB0";
    std::ofstream(device) << "";
    // Under root the file goes to the group that usually grants serial access.
    const group *dialout = getgrnam("dialout");
    if (geteuid() == 0 && dialout != nullptr) {
        ASSERT_EQ(chown(device.c_str(), 0, dialout->gr_gid), 0);
    }
    struct stat info {};
    ASSERT_EQ(stat(device.c_str(), &info), 0);
    const std::string name = getgrgid(info.st_gid) != nullptr ? getgrgid(info.st_gid)->gr_name : "";
    // The owner's bits are empty, so that even the owner is refused.
    ASSERT_EQ(chmod(device.c_str(), 0060), 0);
    EXPECT_EQ(RefusalText(device), "Permission denied for " + device + ": it belongs to the group \"" + name +
                                       "\"; join that group (sudo usermod -aG " + name +
                                       " $USER), then log out and in again");
    ASSERT_EQ(chmod(device.c_str(), 0000), 0);
    EXPECT_EQ(RefusalText(device),
              "Permission denied for " + device + ": only its owner may open it; ask the administrator for access");
    std::system(("rm -rf " + dir).c_str());
}

TEST(SerialList, UsbThenAcmThenOnBoardInNumericOrder)
{
    const std::string dev = TempDir(), sys = TempDir();
    ASSERT_FALSE(dev.empty() || sys.empty());
    for (const char *name : {"ttyS10", "ttyS2", "ttyS3", "ttyUSB1", "ttyUSB0", "ttyACM0", "ttyUSBx", "tty5", "null"})
        std::ofstream(dev + "/" + name) << "";
    for (const auto &[name, type] : {std::pair{"ttyS2", "4"}, std::pair{"ttyS3", "0"}}) {
        ASSERT_EQ(mkdir((sys + "/" + name).c_str(), 0755), 0);
        std::ofstream(sys + "/" + name + "/type") << type << "\n";
    }
    const std::vector<std::string> expected = {dev + "/ttyUSB0", dev + "/ttyUSB1", dev + "/ttyACM0", dev + "/ttyS2",
                                               dev + "/ttyS10"};
    EXPECT_EQ(serial_list_ports(dev, sys), expected) << "ttyS3 has no UART behind it";
    EXPECT_TRUE(serial_list_ports(dev + "/missing", sys).empty());
    std::system(("rm -rf " + dev + " " + sys).c_str());
}

} // namespace
