#!/usr/bin/python3
"""Function keys, message sequences and the hex and ASCII view driven as a
user would, against a serial device behind a socat TCP-to-pty bridge."""
from driver import click, click_at, extents, find, find_all, key, wait_until
from harness import ProgramTestCase, main
from screens import enabled


def dump_line(offset, data):
    """A line of the dump as the view writes it."""
    hex_part = ""
    for n, byte in enumerate(data):
        hex_part += ("  " if n == 8 else " ") + "%02x" % byte
    head = "%08x %s" % (offset, hex_part)
    printable = "".join(chr(b) if 0x20 <= b < 0x7f else "." for b in data)
    return head + " " * (60 - len(head)) + "|" + printable + "|"


class UartKeysTest(ProgramTestCase):

    def test_function_key_sends_its_message_and_the_dump_shows_what_came(self):
        device, program, terminal = self.start_uart_connected()
        terminal.add_message("ASCII", "ping")
        terminal.add_message("ASCII", "status")
        # The message list's menu gives "ping" the key F2.
        x, y, w, h = extents(terminal.message_cell(1))
        click_at(x + w // 2, y + h // 2, button=3)
        wait_until(lambda: find(program.app, "menu", "Key"), "the Key menu")
        # Into the submenu (None, F1, F2, ...) with the keyboard.
        key("Down", "Right", "Down", "Down", "Return")
        wait_until(lambda: terminal.messages() == ["status (ASCII)", "[F2] ping (ASCII)"], "the key beside its message")

        # Pressed with the focus in the transmit entry, far from the list.
        click(terminal.tx_entry())
        key("F2")
        self.assertEqual(device.read(4), b"ping")

        terminal.choose_read("Hex + ASCII")
        stream = b"AT+VERSION?\r\nOK\r\nmore"
        for piece in (stream[:5], stream[5:14], stream[14:]):
            device.write(piece)
        expected = dump_line(0, stream[:16]) + "\n" + dump_line(16, stream[16:])
        wait_until(lambda: terminal.rx_text() == expected, "the dump of the stream")
        self.quit_cleanly(program)

    def test_sequence_from_the_extra_menu_runs_once_and_stops(self):
        device, program, terminal = self.start_uart_connected()
        for message in ("A", "B"):
            terminal.add_message("ASCII", message)
        program.menu("Extra", "Message sequence...")
        dialog = program.window("Message sequence")
        cells = wait_until(lambda: [c for c in find_all(dialog, "table cell") if c.name in ("A (ASCII)", "B (ASCII)")],
                           "the messages in the dialog")
        # Oldest first: A, then B; each step waits 0 ms after it.
        for name in ("B (ASCII)", "A (ASCII)"):
            click(next(c for c in cells if c.name == name))
            delay = find(dialog, "text")
            click(delay)
            key("ctrl+a")
            key("0")
            click(find(dialog, "push button", "Add step"))
        click(find(dialog, "push button", "Start"))
        self.assertEqual(device.read(2), b"BA")
        wait_until(lambda: find(dialog, "label", "Ended: all steps sent"), "the end of the run")
        self.assertTrue(enabled(find(dialog, "push button", "Start")))
        self.quit_cleanly(program)


if __name__ == "__main__":
    main()
