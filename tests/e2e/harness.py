"""Test case base: each test starts the real program (and the peers it needs)
and everything it started ends with the test, whatever happens."""
import os
import shutil
import tempfile
import unittest
import warnings

from driver import Program
from peers import ModbusGateway, SerialDevice
from screens import connect_uart


SANITIZER_REPORTS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "WARNING: ThreadSanitizer",
                     "runtime error:")


class ProgramTestCase(unittest.TestCase):

    def setUp(self):
        # pyatspi calls interfaces that newer at-spi versions mark as deprecated.
        warnings.filterwarnings("ignore", category=DeprecationWarning)
        self.tmp = tempfile.mkdtemp(prefix="orv-e2e-peer-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)

    def start_program(self, **options):
        program = Program(**options)
        self.addCleanup(program.stop)
        return program

    def serial_device(self):
        device = SerialDevice(tempfile.mkdtemp(dir=self.tmp))
        self.addCleanup(device.close)
        return device

    def modbus_gateway(self, host, framing="rtu"):
        gateway = ModbusGateway(host, framing)
        self.addCleanup(gateway.close)
        return gateway

    def start_uart_connected(self):
        """The program confirmed for a serial device on 127.0.0.1 and connected
        to it: returns the device, the program and its UART terminal."""
        device = self.serial_device()
        program = self.start_program()
        terminal = connect_uart(program, device)
        return device, program, terminal

    def path(self, name):
        return os.path.join(self.tmp, name)

    def quit_cleanly(self, program):
        """File > Quit must end the program with status 0, and a program
        built with sanitizers must not have reported anything."""
        self.assertEqual(program.quit(), 0, program.output_text())
        said = program.output_text()
        for report in SANITIZER_REPORTS:
            self.assertNotIn(report, said)


def main():
    unittest.main(verbosity=2)
