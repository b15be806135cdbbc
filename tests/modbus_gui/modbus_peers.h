// Peers of the Modbus terminal's GUI tests. The terminal always connects to
// the Modbus port, so each peer takes a loopback address of its own (every
// address of 127.0.0.0/8 is this machine).
#ifndef ORV_TESTS_MODBUS_GUI_MODBUS_PEERS_H
#define ORV_TESTS_MODBUS_GUI_MODBUS_PEERS_H

#include "library/modbus_lib/modbus.h"
#include "tests/support/fake_gateway.h"

#include <functional>
#include <string>
#include <sys/types.h>

namespace modbus_gui_test {

// A fresh loopback address for each peer, so that tests (and test binaries
// run side by side) never share one.
std::string NextTestIp();

// A scripted gateway at the Modbus port of a fresh address.
class ModbusPortGateway : public testing_support::FakeGateway {
public:
    using Make = std::function<testing_support::Bytes(const testing_support::Bytes &request)>;

    ModbusPortGateway() : FakeGateway(NextTestIp(), MODBUS_PORT) {}
    // Answers every request with `make`'s frame, its CRC appended.
    void AnswerWith(Make make);
    void AnswerNothing() { SetDefault(testing_support::Reaction::Nothing()); }
    // The requests received so far, without their CRC, as hex.
    std::vector<std::string> RequestsSeen() const;
};

// A read's answer: the request's unit id and function code, a byte count and
// `data`.
testing_support::Bytes ReadReply(const testing_support::Bytes &request, const testing_support::Bytes &data);
// A write's answer: the first six bytes of its request.
testing_support::Bytes WriteEcho(const testing_support::Bytes &request);

// Debian's pymodbus server (tests/support/modbus_server.py) at the Modbus
// port of a fresh address; unit 1 answers from a known data store.
class PymodbusServer {
public:
    // `framing` "rtu" (RTU frames over TCP) or "tcp" (Modbus TCP); with
    // `gaps`, units 2 and 5 answer too, with gaps in their maps.
    explicit PymodbusServer(const char *framing = "rtu", bool gaps = false);
    ~PymodbusServer();
    PymodbusServer(const PymodbusServer &) = delete;
    PymodbusServer &operator=(const PymodbusServer &) = delete;

    const std::string &Ip() const { return m_ip; }
    bool Ready() const { return m_ready; }

private:
    std::string m_ip;
    pid_t m_pid = -1;
    // Kept open while the server runs, so that it never writes to a closed pipe.
    testing_support::Fd m_output;
    bool m_ready = false;
};

} // namespace modbus_gui_test

#endif
