// Modbus peers for the Modbus terminal's GUI tests, each on its own loopback
// address at the Modbus port (every address of 127.0.0.0/8 is this machine):
// a scripted gateway that records the request frames and answers as a test
// says, and Debian's pymodbus server with RTU framing.
#ifndef ORV_TESTS_MODBUS_GUI_MODBUS_PEERS_H
#define ORV_TESTS_MODBUS_GUI_MODBUS_PEERS_H

#include "tests/support/loopback.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace modbus_gui_test {

// A fresh loopback address for each peer, so that tests (and test binaries
// run side by side) never share one.
std::string NextTestIp();

// Bytes from a list of values, and the same with the RTU CRC appended (low
// byte first).
std::string Bytes(std::initializer_list<int> values);
std::string WithCrc(const std::string &frame);
std::string Hex(const std::string &bytes);

// Serves one connection at a time from its own thread (the terminal's connect
// and requests block the GUI thread). Each complete request frame is recorded
// and handed to the responder, whose answer (CRC appended here) is sent back;
// an empty answer sends nothing.
class ScriptedGateway {
public:
    using Responder = std::function<std::string(const std::string &request)>;

    explicit ScriptedGateway(Responder responder = {});
    ~ScriptedGateway();
    ScriptedGateway(const ScriptedGateway &) = delete;
    ScriptedGateway &operator=(const ScriptedGateway &) = delete;

    const std::string &Ip() const { return m_ip; }
    void SetResponder(Responder responder);
    // Request frames received so far, CRC included.
    std::vector<std::string> Requests() const;
    int Connections() const { return m_connections; }

private:
    void Serve();
    void ServeConnection(int fd);
    std::string Answer(const std::string &request);

    std::string m_ip;
    testing_support::LoopbackListener m_listener;
    mutable std::mutex m_mutex;
    Responder m_responder;
    std::vector<std::string> m_requests;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

// Debian's pymodbus server (tests/support/modbus_server.py) on its own
// loopback address; unit 1 answers from a known data store.
class PymodbusServer {
public:
    PymodbusServer();
    ~PymodbusServer();
    PymodbusServer(const PymodbusServer &) = delete;
    PymodbusServer &operator=(const PymodbusServer &) = delete;

    const std::string &Ip() const { return m_ip; }
    bool Ready() const { return m_ready; }

private:
    std::string m_ip;
    pid_t m_pid = -1;
    bool m_ready = false;
};

} // namespace modbus_gui_test

#endif
