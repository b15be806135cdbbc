// The link over a local serial device: the bytes of the line both ways, as
// a stream. A device that goes away (an adapter unplugged) ends the link
// as lost, with the serial layer's reason.
#ifndef ORV_UART_SERIAL_LINK_H
#define ORV_UART_SERIAL_LINK_H

#include "net/serial.h"
#include "uart/link_transport.h"

#include <atomic>
#include <memory>

class SerialChannel : public LinkChannel {
public:
    // Takes `port`, open.
    explicit SerialChannel(std::unique_ptr<SerialPort> port);

    ssize_t Read(uint8_t *buffer, size_t size) override;
    ssize_t WriteSome(const uint8_t *data, size_t size) override;
    bool WaitWritable(int timeoutMs) override;
    void Shutdown() override;
    // The device's path.
    std::string Peer() const override;
    std::string ReadFailureText(int code) const override;

private:
    const std::unique_ptr<SerialPort> m_port;
    std::atomic<bool> m_shutDown{false};
    // The reader's own: why its last read failed.
    std::string m_readFailure;
};

// Opens the device at once: a missing device, one in use or one the user
// may not open is the attempt's failure, in the serial layer's words.
class SerialOpener : public LinkOpener {
public:
    SerialOpener(std::string device, const SerialSettings &settings);

    std::unique_ptr<LinkChannel> Open(std::string &error) override;
    void Abandon() override {}

private:
    const std::string m_device;
    const SerialSettings m_settings;
};

#endif
