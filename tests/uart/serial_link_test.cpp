// The UART link over a local serial device, on its own: no frame, a plain
// event handler, pairs of linked pseudo-terminals (socat) for the device
// and the far end of its line.
#include "net/serial.h"
#include "tests/support/loopback.h"
#include "tests/uart/event_pump.h"
#include "tests/support/pty_pair.h"
#include "uart/link_status.h"
#include "uart/uart_link.h"
#include "uart/worker_events.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wx/app.h>

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

class LostSink : public wxEvtHandler {
public:
    LostSink() { Connect(wxID_ANY, EVT_CONNECTION_LOST, wxCommandEventHandler(LostSink::OnLost)); }
    std::vector<std::string> reasons;

private:
    void OnLost(wxCommandEvent &event) { reasons.push_back(event.GetString().utf8_string()); }
};

// The far end of the line, raw, as a device's peer would be.
Fd OpenFarEnd(const std::string &path)
{
    Fd fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios raw{};
    if (fd.Valid() && tcgetattr(fd.Get(), &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(fd.Get(), TCSANOW, &raw);
    }
    return fd;
}

bool WriteLine(int fd, const std::string &bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t count = write(fd, bytes.data() + done, bytes.size() - done);
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

// What the far end reads within 5 s, until `count` bytes came.
std::string ReadLine(int fd, size_t count)
{
    std::string got;
    const auto deadline = Clock::now() + Millis(5000);
    while (got.size() < count && Clock::now() < deadline) {
        pollfd entry = {fd, POLLIN, 0};
        char buffer[512];
        if (poll(&entry, 1, 100) <= 0)
            continue;
        const ssize_t read = ::read(fd, buffer, sizeof(buffer));
        if (read <= 0)
            break;
        got.append(buffer, static_cast<size_t>(read));
    }
    return got;
}

LinkEndpoint SerialEndpoint(const std::string &device, uint32_t baud = 115200)
{
    LinkEndpoint endpoint;
    endpoint.mode = LinkMode::Serial;
    endpoint.device = device;
    endpoint.serial.baud = baud;
    return endpoint;
}

class SerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_pair.Ready()) << "socat did not start"; }
    void TearDown() override { m_link.Shutdown(); }

    void Open(const LinkEndpoint &endpoint) { OpenLink(m_link, endpoint); }
    std::string Received(size_t count)
    {
        std::string got;
        Pump([&] {
            std::deque<ReceiveInbox::Chunk> chunks;
            m_link.TakeReceived(chunks);
            for (const ReceiveInbox::Chunk &chunk : chunks)
                got.append(reinterpret_cast<const char *>(chunk.get() + 2), ReceiveInbox::ChunkSize(chunk.get()));
            m_link.ReleaseReceived(chunks.size());
            return got.size() >= count;
        });
        return got;
    }
    std::string Status() const { return LinkStatusText(m_link.Status()); }

    PtyPair m_pair;
    LostSink m_sink;
    UartLink m_link{&m_sink};
};

TEST_F(SerialLinkTest, EveryByteValuePassesBothWaysAndADisconnectFreesTheDevice)
{
    Open(SerialEndpoint(m_pair.A(), 921600));
    Fd far = OpenFarEnd(m_pair.B());
    ASSERT_TRUE(far.Valid());
    std::string all(256, '\0');
    for (size_t value = 0; value < all.size(); ++value)
        all[value] = static_cast<char>(value);
    ASSERT_TRUE(WriteLine(far.Get(), all));
    EXPECT_EQ(Received(all.size()), all);
    auto length = static_cast<uint16_t>(all.size());
    ASSERT_EQ(m_link.SendWhole(all.data(), &length), 0);
    EXPECT_EQ(ReadLine(far.Get(), all.size()), all);
    EXPECT_EQ(m_link.Peer(), m_pair.A());
    EXPECT_TRUE(Pump([this] { return m_link.Status().rxBytes == 256; }));
    EXPECT_EQ(Status(), "Connected to " + m_pair.A() + " (921600 8N1) | RX 256 B, TX 256 B");

    // Another program may open the device at once.
    m_link.Disconnect();
    SerialPort other;
    SerialError error;
    EXPECT_TRUE(serial_open(other, m_pair.A(), SerialSettings(), &error)) << error.text;
}

// An adapter unplugged is a lost link with the layer's reason; with the
// reconnect option the device is opened again once it is back.
TEST_F(SerialLinkTest, ALostDeviceIsReopenedWhenItComesBack)
{
    m_link.SetReconnect(true);
    Open(SerialEndpoint(m_pair.A()));
    m_pair.End();
    ASSERT_TRUE(Pump([this] { return !m_sink.reasons.empty(); }));
    EXPECT_NE(m_sink.reasons[0].find(m_pair.A() + " was lost"), std::string::npos) << m_sink.reasons[0];
    EXPECT_FALSE(m_link.Connected());
    EXPECT_TRUE(m_link.Reconnecting());
    EXPECT_NE(Status().find("Connection lost at "), std::string::npos) << Status();

    m_pair.Start();
    ASSERT_TRUE(m_pair.Ready());
    // Attempts come every 2 s; one that found no device yet waits for the next.
    ASSERT_TRUE(Pump([this] { return m_link.Connected(); }, Millis(15000))) << Status();
    Fd far = OpenFarEnd(m_pair.B());
    ASSERT_TRUE(WriteLine(far.Get(), "back"));
    EXPECT_EQ(Received(4), "back");
}

TEST_F(SerialLinkTest, AMissingDeviceSaysWhy)
{
    const std::string missing = m_pair.Dir() + "/ttyUSB9";
    ASSERT_TRUE(m_link.StartConnect(SerialEndpoint(missing)));
    ASSERT_TRUE(Pump([this] { return m_link.Result() != UartLink::ConnectResult::Pending; }));
    EXPECT_EQ(m_link.TakeResult(), UartLink::ConnectResult::Failed);
    EXPECT_EQ(m_link.ConnectError(), missing + " does not exist (is the device plugged in?)");
}

} // namespace
