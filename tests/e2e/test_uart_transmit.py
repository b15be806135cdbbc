#!/usr/bin/python3
"""The UART terminal's transmit side driven as a user would: messages typed
in the four notations, checked, listed, recalled and sent once or
periodically, against a serial device behind a socat TCP-to-pty bridge."""
import re

from driver import choose, click, double_click, find, key, replace_text, text, wait_until
from harness import ProgramTestCase, main
from screens import UartTerminal, checked, enabled

COUNTED_SIZE = 6


class UartTransmitTest(ProgramTestCase):

    def start_periodic(self, terminal, period, unit="ms", counter=False, total_size=""):
        terminal.set_check("Send periodically every", True)
        wait_until(lambda: enabled(terminal.period_field()), "the period field to be enabled")
        replace_text(terminal.period_field(), period)
        choose(terminal.program.app, terminal.period_unit(), unit)
        replace_text(terminal.total_size_field(), total_size)
        terminal.set_check("Use msg counter", counter)
        terminal.select_message(0)
        terminal.press("periodic")

    def test_messages_in_every_notation_go_out_as_their_bytes(self):
        device, program, terminal = self.start_uart_connected()
        typed = [("ASCII", "AB C", b"AB C"),
                 ("Hex", "  0a   1b ", b"\x0a\x1b"),
                 ("Binary", "101 11111111", b"\x05\xff"),
                 ("Decimal", "0 65 255", b"\x00\x41\xff")]
        for position, (notation, message, _) in enumerate(typed):
            terminal.add_message(notation, message, by_enter=position % 2 == 0)
            # The entry is emptied for the next message.
            self.assertEqual(text(terminal.tx_entry()), "")
        self.assertEqual(terminal.messages(), ["%s (%s)" % (m, n) for n, m, _ in reversed(typed)])

        for position, (notation, message, sent) in enumerate(reversed(typed)):
            terminal.select_message(position)
            terminal.press("send")
            self.assertEqual(device.read(len(sent)), sent, message)
        # Each message is echoed in the view of its own notation.
        terminal.choose_read("Binary")
        self.assertEqual(terminal.rx_text(), "101 11111111\n")
        terminal.choose_read("Hex")
        self.assertEqual(terminal.rx_text(), "  0a   1b \n")

        terminal.set_check("Write Timestamp", True)
        terminal.select_message(2)
        terminal.press("send")
        self.assertEqual(device.read(2), b"\x0a\x1b")
        wait_until(lambda: re.search(r"\n\S.* \[TX\] -   0a   1b \n$", terminal.rx_text()), "a stamped echo")

        # What the device answers shows up beside the echo.
        device.write(b"\x10\x20")
        wait_until(lambda: terminal.rx_text().endswith("10 20"), "the answer in the Hex view")
        self.quit_cleanly(program)

    def test_line_endings_and_one_step_sending(self):
        device, program, terminal = self.start_uart_connected()
        self.assertEqual(terminal.line_ending().name, "none")
        choose(program.app, terminal.line_ending(), "CR LF")
        # Ctrl+Enter adds the message and sends it at once.
        replace_text(terminal.tx_entry(), "AT+VERSION?")
        wait_until(lambda: text(terminal.tx_entry()) == "AT+VERSION?", "the entry to hold the command")
        key("ctrl+Return")
        self.assertEqual(device.read(13), b"AT+VERSION?\r\n")
        self.assertEqual(terminal.messages(), ["AT+VERSION? (ASCII, CR LF)"])
        choose(program.app, terminal.line_ending(), "LF")
        terminal.add_message("ASCII", "B")
        self.assertEqual(terminal.messages(), ["B (ASCII, LF)", "AT+VERSION? (ASCII, CR LF)"])

        # A double-click sends an entry with the ending it was added with.
        double_click(terminal.message_cell(1))
        self.assertEqual(device.read(13), b"AT+VERSION?\r\n")
        device.write(b"OK\r\n")
        wait_until(lambda: "OK" in terminal.rx_text(), "the answer in the view")

        # Delete removes the selected entry.
        key("Delete")
        wait_until(lambda: terminal.messages() == ["B (ASCII, LF)"], "the entry to go")
        self.quit_cleanly(program)

    def test_typed_messages_are_checked_and_recalled(self):
        program = self.start_program()
        click(find(program.window("ORV-Terminal Conf"), "push button", "Cancel"))
        program.no_window("ORV-Terminal Conf")
        terminal = UartTerminal(program)

        refusals = [("ASCII", "   ", "Invalid blank input"),
                    ("Hex", "1 22 333", "Hex can be length max 2 digits"),
                    ("Binary", "100000000", "Binary can be length max 8 digits"),
                    ("Decimal", "255 256", "Decimal value max 255")]
        for notation, message, refusal in refusals:
            terminal.choose_transmission(notation)
            replace_text(terminal.tx_entry(), message)
            wait_until(lambda: text(terminal.tx_entry()) == message, "the entry to hold %r" % message)
            key("Return")
            program.expect_box("Error", refusal, kind="Error")
            # The refused text stays for correcting; nothing is listed.
            self.assertEqual(text(terminal.tx_entry()), message)
        self.assertEqual(terminal.messages(), [])

        # The entries' filters keep out what their notation cannot hold.
        terminal.choose_transmission("Hex")
        replace_text(terminal.tx_entry(), "0aFg 1")
        wait_until(lambda: text(terminal.tx_entry()) == "0aF 1", "the Hex filter")
        terminal.choose_transmission("Decimal")
        replace_text(terminal.tx_entry(), "12x-3")
        wait_until(lambda: text(terminal.tx_entry()) == "123", "the Decimal filter")

        for message in ("a", "b", "c"):
            terminal.add_message("ASCII", message)
        # Up walks back to the oldest message and stays there; Down walks
        # forward and past the newest one empties the entry.
        click(terminal.tx_entry())
        for arrow, shown in (("Up", "c"), ("Up", "b"), ("Up", "a"), ("Up", "a"), ("Down", "b"), ("Down", "c"),
                             ("Down", "")):
            key(arrow)
            wait_until(lambda: text(terminal.tx_entry()) == shown, "%s to recall %r" % (arrow, shown))

        # Sending needs a connection; so does periodic sending.
        terminal.select_message(0)
        terminal.press("send")
        program.expect_box("Error", "You have to connect first.", kind="Error")

        terminal.press("clear list")
        wait_until(lambda: terminal.messages() == [], "the list to be cleared")
        terminal.add_message("Hex", "ff")
        self.assertEqual(terminal.messages(), ["ff (Hex)"])
        self.quit_cleanly(program)

    def test_periodic_sending_with_counter_and_padding(self):
        device, program, terminal = self.start_uart_connected()
        terminal.add_message("Hex", "aa bb")
        terminal.choose_read("Hex")
        self.start_periodic(terminal, "20", counter=True, total_size=str(COUNTED_SIZE))
        # Each message: the counter (high byte first) in place of the message's
        # last two bytes, the message, then the padding bytes 02 03.
        first = device.read(5 * COUNTED_SIZE)
        terminal.press("periodic")     # the same place now holds the stop button
        sent = first + device.read_until_quiet(quiet=1.0)
        self.assertEqual(len(sent) % COUNTED_SIZE, 0)
        count = len(sent) // COUNTED_SIZE
        self.assertEqual(sent, b"".join(bytes([n >> 8, n & 0xFF, 0xAA, 0xBB, 0x02, 0x03]) for n in range(1, count + 1)))

        # The view marks start and end in red and reports the count.
        lines = wait_until(lambda: self._periodic_lines(terminal, "aa bb"), "the start, end and count lines")
        self.assertEqual(lines[-1], " Sent %d messages" % count)
        # Sending can start again; the counter starts from 1 again.
        terminal.press("periodic")
        self.assertEqual(device.read(COUNTED_SIZE), bytes([0, 1, 0xAA, 0xBB, 0x02, 0x03]))
        terminal.press("periodic")
        device.read_until_quiet(quiet=1.0)
        self.quit_cleanly(program)

    @staticmethod
    def _periodic_lines(terminal, message):
        lines = terminal.rx_text().split("\n")
        start = [i for i, line in enumerate(lines) if line.endswith(" [START Periodical TX] - " + message)]
        end = [i for i, line in enumerate(lines) if line.endswith(" [END Periodical TX] - " + message)]
        if start and end and end[0] + 1 < len(lines) and lines[end[0] + 1].startswith(" Sent "):
            return lines[start[0]:end[0] + 2]
        return None

    def test_plain_periodic_sending_and_quitting_while_it_runs(self):
        device, program, terminal = self.start_uart_connected()
        terminal.add_message("Decimal", "7 8 9")
        terminal.choose_read("Decimal")
        self.start_periodic(terminal, "30")
        self.assertEqual(device.read(3 * 4), b"\x07\x08\x09" * 4)
        terminal.press("periodic")
        rest = device.read_until_quiet(quiet=1.0)
        self.assertEqual(rest, b"\x07\x08\x09" * (len(rest) // 3))
        # Without a counter there is no count line.
        wait_until(lambda: "[END Periodical TX] - 7 8 9" in terminal.rx_text(), "the end line")
        self.assertNotIn(" Sent ", terminal.rx_text())

        # A period in seconds; quitting while it runs ends the program cleanly.
        self.start_periodic(terminal, "1", unit="s")
        self.assertEqual(device.read(3, timeout=5), b"\x07\x08\x09")
        self.quit_cleanly(program)

    def test_period_group_follows_its_check_box(self):
        program = self.start_program()
        click(find(program.window("ORV-Terminal Conf"), "push button", "Cancel"))
        program.no_window("ORV-Terminal Conf")
        terminal = UartTerminal(program)
        controls = (terminal.period_field, terminal.period_unit, terminal.total_size_field,
                    lambda: terminal.button("periodic"), lambda: terminal.check_box("Use msg counter"))
        self.assertFalse(any(enabled(control()) for control in controls))
        terminal.set_check("Send periodically every", True)
        wait_until(lambda: all(enabled(control()) for control in controls), "the period group to be enabled")
        # Every digit typed stays: a period cut short would be another one.
        replace_text(terminal.period_field(), "12345")
        wait_until(lambda: text(terminal.period_field()) == "12345", "the period to keep its 5 digits")
        terminal.set_check("Send periodically every", False)
        wait_until(lambda: not any(enabled(control()) for control in controls), "the period group to be disabled")
        self.assertFalse(checked(terminal.check_box("Use msg counter")))
        self.quit_cleanly(program)


if __name__ == "__main__":
    main()
