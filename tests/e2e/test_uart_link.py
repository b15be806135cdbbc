#!/usr/bin/python3
"""The UART terminal's connection and receive side, driven as a user would,
against a serial device behind a socat TCP-to-pty bridge on 127.0.0.1."""
import datetime
import glob
import os
import re

from driver import click, find, key, wait_until
from harness import ProgramTestCase, main
from screens import UartTerminal

# A burst with every byte value, longer than one receive of 512 bytes.
EVERY_BYTE = bytes(range(256)) * 3


class UartLinkTest(ProgramTestCase):

    def test_connect_receive_and_disconnect(self):
        device = self.serial_device()
        program = self.start_program()
        program.fill_connection("127.0.0.1", str(device.port), "UART")
        program.no_window("ORV-Terminal Conf")
        terminal = UartTerminal(program)
        self.assertEqual(terminal.parameters(), ("127.0.0.1", str(device.port)))

        terminal.connect()
        wait_until(device.connected, "the bridge to take the connection")
        device.write(b"Hello\x00 module\n")
        # A zero byte adds nothing to the ASCII view.
        wait_until(lambda: terminal.rx_text() == "Hello module\n", "the ASCII view to show the bytes")

        terminal.disconnect()
        # The bridge serves one connection and ends when the program lets go.
        wait_until(lambda: device.process.poll() is not None, "the bridge to see the connection closed")
        # Nothing listens any more: the next attempt is refused.
        click(terminal.connect_button)
        self.assertEqual(program.answer_box(timeout=15)[:2], ("Error", "Connection refused"))
        self.quit_cleanly(program)

    def test_new_parameters_drop_the_connection(self):
        first, program, terminal = self.start_uart_connected()
        second = self.serial_device()
        program.menu("File", "New Connection")
        program.fill_connection("127.0.0.1", str(second.port), "UART", title="UART Conf")
        wait_until(lambda: first.process.poll() is not None, "the first bridge to see the connection closed")
        self.assertEqual(terminal.parameters(), ("127.0.0.1", str(second.port)))
        terminal.connect()
        wait_until(second.connected, "the second bridge to take the connection")
        second.write(b"second")
        wait_until(lambda: terminal.rx_text() == "second", "the second device's bytes")
        self.quit_cleanly(program)

    def test_connect_needs_parameters(self):
        program = self.start_program()
        dialog = program.window("ORV-Terminal Conf")
        click(find(dialog, "push button", "Cancel"))
        program.no_window("ORV-Terminal Conf")
        terminal = UartTerminal(program)
        self.assertEqual(terminal.parameters(), ("not set", "not set"))
        click(terminal.connect_button)
        program.expect_box("Error", "Connection parameters not set", kind="Error")
        self.quit_cleanly(program)

    def test_received_bytes_exported_in_every_notation(self):
        device, program, terminal = self.start_uart_connected()
        device.write(b"A\n\xff")
        wait_until(lambda: terminal.rx_text() == "A\n\u00ff", "the ASCII view")
        device.write(b"\x00B")
        wait_until(lambda: terminal.rx_text() == "A\n\u00ffB", "the second chunk")
        # Each view holds the chunks in its notation; unwrapped chunks run on,
        # a blank apart where bytes are separated. The export writes UTF-8.
        expected = {"ASCII": "A\n\u00ffB",
                    "Hex": "41 0a ff 00 42",
                    "Binary": "01000001 00001010 11111111 00000000 01000010",
                    "Decimal": "65 10 255 0 66"}
        for notation, shown in expected.items():
            terminal.choose_read(notation)
            self.assertEqual(terminal.export("received-%s.txt" % notation).decode("utf-8"), shown, notation)
        # Clearing empties every view; an empty view exports an empty file.
        terminal.press("clear all")
        wait_until(lambda: terminal.rx_text() == "", "the views to be cleared")
        terminal.choose_read("Hex")
        self.assertEqual(terminal.export("cleared.txt"), b"")
        device.write(b"\x01")
        wait_until(lambda: terminal.rx_text() == "01", "data after the clear")
        self.quit_cleanly(program)

    # The program builds the path from the folder the dialog shows and the
    # name, so a full path typed into the dialog loses its folder and the
    # file lands in the working directory.
    def test_export_to_a_full_path_typed_in_the_dialog(self):
        device, program, terminal = self.start_uart_connected()
        device.write(b"far")
        wait_until(lambda: terminal.rx_text() == "far", "the ASCII view")
        os.mkdir(self.path("elsewhere"))
        self.assertEqual(terminal.export(self.path("elsewhere/far.txt"), timeout=5), b"far")

    def test_timestamps_and_packets(self):
        device, program, terminal = self.start_uart_connected()
        terminal.set_check("Write Timestamp", True)
        terminal.set_check("Wrap packets", True)
        for chunk in (b"first", b"second"):
            device.write(chunk)
            wait_until(lambda: chunk.decode() in terminal.rx_text(), "%r in the view" % chunk)
        lines = terminal.rx_text().split("\n")
        self.assertEqual(lines[-1], "")
        self.assertEqual(len(lines), 3, lines)
        for line, chunk in zip(lines, ("first", "second")):
            self.assertRegex(line, r"^\S.* \[RX\] - %s$" % chunk)
        self.quit_cleanly(program)

    def test_log_file_holds_the_raw_bytes(self):
        device, program, terminal = self.start_uart_connected()
        before = datetime.datetime.now().replace(microsecond=0)
        terminal.press("log start")
        logs = wait_until(lambda: glob.glob(os.path.join(program.workdir, "wifilog-*.txt")), "the log file")
        after = datetime.datetime.now()
        self.assertEqual(len(logs), 1, logs)
        name = os.path.basename(logs[0])
        candidates = set()
        moment = before
        while moment <= after:
            candidates.add(moment.strftime("wifilog-%Y%m%d-%H%M%S.txt"))
            moment += datetime.timedelta(seconds=1)
        self.assertIn(name, candidates)

        # Exactly the bytes received, nothing added where a receive ended.
        # Every chunk is waited for before the next goes, so that each is one
        # receive.
        chunks = [b"abc", EVERY_BYTE[:200], b"\n\r\x00"]
        logged = 0
        for chunk in chunks:
            device.write(chunk)
            logged += len(chunk)
            wait_until(lambda: os.path.getsize(logs[0]) >= logged, "the chunk in the log")
        terminal.press("log stop")
        device.write(b"not logged")
        terminal.choose_read("Hex")
        wait_until(lambda: terminal.rx_text().endswith("6c 6f 67 67 65 64"), "the last chunk in the view")
        with open(logs[0], "rb") as stream:
            self.assertEqual(stream.read(), b"".join(chunks))
        self.quit_cleanly(program)

    def test_long_burst_is_shown_whole(self):
        device, program, terminal = self.start_uart_connected()
        terminal.choose_read("Hex")
        device.write(EVERY_BYTE)
        expected = "".join("%02x" % b for b in EVERY_BYTE)
        # A burst longer than one receive arrives as several chunks, which run
        # on (no wrapping, no timestamps): every byte shows, in order. The
        # view follows with the newest text; Ctrl+A brings in all it keeps.
        shown = lambda: re.sub(r"\s+", "", terminal.rx_text())
        wait_until(lambda: shown().endswith(expected[-300:]), "the end of the burst", timeout=20)
        click(terminal.rx_view())
        key("ctrl+a")
        wait_until(lambda: shown() == expected, "the whole burst")
        self.quit_cleanly(program)


if __name__ == "__main__":
    main()
