#!/usr/bin/python3
"""Settings kept between runs: what the user set in one run of the real
program (the connection, the UART options, the message list with its
endings) is there at the next start, from the settings folder the runs
share, also when the program was killed; a first start shows the
defaults."""
import os

from driver import choose, click, extents, find, find_all, text, wait_until
from harness import ProgramTestCase, main
from screens import UartTerminal, checked


def dialog_values(program):
    """The IP, the port and the terminal type the start-up dialog shows."""
    dialog = program.window("ORV-Terminal Conf")
    fields = sorted(find_all(dialog, "text", where=lambda n: extents(n)[2] == 28), key=lambda n: extents(n)[0])
    port = find(dialog, "text", where=lambda n: extents(n)[2] == 50)
    return ".".join(text(f) for f in fields), text(port), find(dialog, "combo box").name


class SettingsTest(ProgramTestCase):

    def test_settings_survive_a_restart(self):
        config = self.path("config")
        first = self.start_program(config_home=config)
        self.assertEqual(dialog_values(first), ("192.168.100.10", "65100", "UART"), "a first start has the defaults")
        first.fill_connection("127.0.0.1", "65109", "UART")
        first.no_window("ORV-Terminal Conf")
        terminal = UartTerminal(first)
        self.assertEqual(terminal.line_ending().name, "none")
        choose(first.app, terminal.line_ending(), "CR LF")
        terminal.add_message("ASCII", "AT")
        terminal.add_message("Hex", "0a ff")
        terminal.set_check("Write Timestamp", True)
        terminal.set_check("Reconnect when the link drops", True)
        terminal.choose_read("Binary")
        self.quit_cleanly(first)
        self.assertTrue(os.path.isfile(os.path.join(config, "orv-terminal", "orv-terminal.conf")))

        second = self.start_program(config_home=config)
        wait_until(lambda: dialog_values(second) == ("127.0.0.1", "65109", "UART"), "the last connection in the dialog")
        click(find(second.window("ORV-Terminal Conf"), "push button", "OK"))
        second.no_window("ORV-Terminal Conf")
        terminal = UartTerminal(second)
        self.assertEqual(terminal.parameters(), ("127.0.0.1", "65109"))
        self.assertEqual(terminal.messages(), ["0a ff (Hex)", "AT (ASCII, CR LF)"])
        self.assertTrue(checked(terminal.check_box("Write Timestamp")))
        self.assertTrue(checked(terminal.check_box("Reconnect when the link drops")))
        self.assertFalse(checked(terminal.check_box("Wrap packets")))
        self.assertTrue(checked(find(find(terminal.panel, "panel", "Read type"), "radio button", "Binary")))
        self.assertTrue(checked(find(find(terminal.panel, "panel", "Transmission type"), "radio button", "Hex")))
        terminal.choose_transmission("ASCII")
        self.assertEqual(terminal.line_ending().name, "CR LF")
        self.quit_cleanly(second)

    def test_settings_outlive_a_killed_program(self):
        config = self.path("config")
        first = self.start_program(config_home=config)
        first.fill_connection("127.0.0.1", "65108", "UART")
        first.no_window("ORV-Terminal Conf")
        UartTerminal(first).add_message("ASCII", "AT+KILLED")
        settings = os.path.join(config, "orv-terminal", "orv-terminal.conf")

        def written():
            if not os.path.isfile(settings):
                return False
            with open(settings, encoding="utf-8") as stream:
                return "AT+KILLED" in stream.read()
        wait_until(written, "the message in the settings file, without a quit")
        first.process.kill()
        first.wait_exit()

        second = self.start_program(config_home=config)
        wait_until(lambda: dialog_values(second) == ("127.0.0.1", "65108", "UART"), "the last connection in the dialog")
        click(find(second.window("ORV-Terminal Conf"), "push button", "OK"))
        second.no_window("ORV-Terminal Conf")
        self.assertEqual(UartTerminal(second).messages(), ["AT+KILLED (ASCII)"])
        self.quit_cleanly(second)


if __name__ == "__main__":
    main()
