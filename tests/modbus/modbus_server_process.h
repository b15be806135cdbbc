// Runs tests/support/modbus_server.py (Debian's pymodbus, RTU framing over
// TCP or Modbus TCP) as a child process on a loopback port for the length of
// a test.
#ifndef ORV_TESTS_MODBUS_SERVER_PROCESS_H
#define ORV_TESTS_MODBUS_SERVER_PROCESS_H

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace testing_support {

class ModbusServerProcess {
public:
    // Starts the server on `ip`, port chosen by the system, with the framing
    // "rtu" or "tcp", and waits (at most 20 s) for its "LISTENING <port>" line.
    // With `layout` "gaps", units 2 and 5 answer too, with gaps in their maps.
    explicit ModbusServerProcess(const std::string &ip = "127.0.0.1", const std::string &framing = "rtu",
                                 const std::string &layout = "");
    ~ModbusServerProcess();
    ModbusServerProcess(const ModbusServerProcess &) = delete;
    ModbusServerProcess &operator=(const ModbusServerProcess &) = delete;

    bool Ready() const { return m_port != 0; }
    uint16_t Port() const { return m_port; }
    // What the server printed before it was ready (or failed to be).
    const std::string &Output() const { return m_output; }

private:
    void Stop();

    pid_t m_pid = -1;
    int m_output_fd = -1;
    uint16_t m_port = 0;
    std::string m_output;
};

} // namespace testing_support

#endif
