#!/usr/bin/python3
"""The UART terminal's link modes, driven as a user would: the terminal as a
TCP server that a loopback "module" connects to, through the connection
dialog; over UDP and over a local serial device, from the command line."""
import shutil
import socket
import subprocess
import tempfile

from driver import PROGRAM, choose, click, extents, find, find_all, replace_text, text, wait_until
from harness import ProgramTestCase, main
from peers import PtyPair
from screens import UartTerminal


def free_port(kind):
    with socket.socket(socket.AF_INET, kind) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def module_connection(source, port):
    """A module's connection from `source` to the terminal, or None while
    nothing listens."""
    module = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    module.settimeout(10)
    module.bind((source, 0))
    try:
        module.connect(("127.0.0.1", port))
    except ConnectionRefusedError:
        module.close()
        return None
    return module


class UartModesTest(ProgramTestCase):

    def connect_module(self, source, port):
        """Connects once the terminal listens (the status bar, drawn by the
        toolkit itself, is not on the accessibility bus; the link's own
        tests read it)."""
        module = wait_until(lambda: module_connection(source, port), "the terminal to listen on %d" % port)
        self.addCleanup(module.close)
        return module

    def send_message(self, terminal, message):
        terminal.add_message("ASCII", message)
        terminal.select_message(0)
        terminal.press("send")

    def test_server_through_the_dialog(self):
        port = free_port(socket.SOCK_STREAM)
        program = self.start_program()
        dialog = program.window("ORV-Terminal Conf")
        fields = sorted(find_all(dialog, "text", where=lambda n: extents(n)[2] == 28), key=lambda n: extents(n)[0])
        port_field = find(dialog, "text", where=lambda n: extents(n)[2] == 50)
        for field, part in zip(fields + [port_field], ["127", "0", "0", "1", str(port)]):
            replace_text(field, part)
            wait_until(lambda: text(field) == part, "the dialog's field to read %r" % part)
        link = [c for c in find_all(dialog, "combo box") if c.name == "TCP client"][0]
        choose(program.app, link, "TCP server")
        # The listen address field is the one beside its caption.
        caption = wait_until(lambda: find(dialog, "label", "Listen address"), "the listen address row")
        row = extents(caption)[1]
        listen = find(dialog, "text", where=lambda n: abs(extents(n)[1] - row) < 5 and extents(n)[0] > extents(caption)[0])
        replace_text(listen, "127.0.0.1")
        click(find(dialog, "push button", "OK"))
        program.no_window("ORV-Terminal Conf")

        terminal = UartTerminal(program)
        click(terminal.connect_button)
        module = self.connect_module("127.0.0.1", port)
        module.sendall(b"hello")
        wait_until(lambda: terminal.rx_text() == "hello", "the module's bytes in the view")
        self.send_message(terminal, "ping")
        self.assertEqual(module.recv(16), b"ping")

        # Another address is turned away and named; the module stays.
        intruder = self.connect_module("127.0.0.2", port)
        self.assertEqual(intruder.recv(16), b"")

        # The module leaves: listening again, no box.
        module.close()
        again = self.connect_module("127.0.0.1", port)
        again.sendall(b"!")
        wait_until(lambda: terminal.rx_text().endswith("!"), "the next module's bytes")
        self.assertEqual([w.name for w in program.windows()], ["ORV Terminal"])

        terminal.disconnect()
        self.assertEqual(again.recv(16), b"")
        self.quit_cleanly(program)

    def test_udp_from_the_command_line(self):
        module = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(module.close)
        module.settimeout(10)
        module.bind(("127.0.0.1", 0))
        module_port = module.getsockname()[1]
        local_port = free_port(socket.SOCK_DGRAM)
        program = self.start_program(args=["--uart", "127.0.0.1:%d" % module_port, "--link", "udp",
                                           "--local-port", str(local_port), "--listen-address", "127.0.0.1",
                                           "--connect"])
        terminal = UartTerminal(program)

        # A datagram that reached the module says the terminal's port is bound.
        self.send_message(terminal, "ping")
        self.assertEqual(module.recvfrom(16)[0], b"ping")
        # Each datagram is a packet: a line of its own with "Wrap packets".
        terminal.set_check("Wrap packets", True)
        for datagram in (b"one", b"two"):
            module.sendto(datagram, ("127.0.0.1", local_port))
        wait_until(lambda: terminal.rx_text() == "ping\none\ntwo\n", "the echo, then one line per datagram")

        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as foreign:
            foreign.bind(("127.0.0.3", 0))
            foreign.sendto(b"intruder", ("127.0.0.1", local_port))
        module.sendto(b"three", ("127.0.0.1", local_port))
        wait_until(lambda: terminal.rx_text() == "ping\none\ntwo\nthree\n", "the module's next datagram, not the other's")
        self.quit_cleanly(program)

    def test_serial_device_from_the_command_line(self):
        # A path longer than the panel's top row shows: shortened there, whole
        # in its tooltip.
        folder = tempfile.mkdtemp(prefix="serial-device-", dir="/tmp")
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        line = PtyPair(folder)
        self.addCleanup(line.close)
        program = self.start_program(args=["--serial", line.device, "--baud", "921600", "--stop-bits", "2",
                                           "--connect"])
        program.expect_box("Connected", "Connection successful", kind="Warning", timeout=15)
        terminal = UartTerminal(program)
        self.assertEqual(terminal.parameters(), (line.device, "921600 8N2"))

        line.write(b"hello")
        wait_until(lambda: terminal.rx_text() == "hello", "the device's bytes in the view")
        self.send_message(terminal, "ping")
        self.assertEqual(line.read(4), b"ping")

        # Unplugged: a lost link, as a network link's.
        line.unplug()
        program.expect_box("Error", "Connection Lost", timeout=15)
        self.quit_cleanly(program)

    def test_bad_link_options_say_why(self):
        for args, said in ((["--uart", "127.0.0.1", "--link", "tcp"], "--link takes client, server or udp, not tcp"),
                           (["--uart", "127.0.0.1", "--local-port", "5001"], "--local-port goes with --link udp"),
                           (["--modbus", "127.0.0.1", "--link", "udp"], "--link goes with --uart"),
                           (["--serial", "/dev/ttyUSB0", "--parity", "E"],
                            "--parity takes none, odd, even, mark or space, not E"),
                           (["--uart", "127.0.0.1", "--baud", "9600"], "--baud goes with --serial"),
                           (["--serial", "/dev/ttyUSB0", "--uart", "127.0.0.1"], "--serial and --uart exclude each other")):
            ran = subprocess.run([PROGRAM] + args, capture_output=True, text=True, timeout=30)
            self.assertEqual(ran.returncode, 64, ran.stderr)
            self.assertIn(said, ran.stderr)


if __name__ == "__main__":
    main()
