#!/usr/bin/python3
"""The application shell driven as a user would: the start-up connection
dialog and its checks, the command line that fills it, the menus, switching
between the two terminals, and quitting."""
import os
import subprocess

from driver import (PROGRAM, click, extents, find, find_all, key, replace_text, showing, text, type_text,
                    wait_until)
from harness import ProgramTestCase, main
from screens import ModbusTerminal, UartTerminal


MODBUS_HOST = "127.0.0.63"    # nothing listens there


def ip_fields(dialog):
    return sorted(find_all(dialog, "text", where=lambda n: extents(n)[2] == 28), key=lambda n: extents(n)[0])


def port_field(dialog):
    return find(dialog, "text", where=lambda n: extents(n)[2] == 50)


def dialog_values(dialog):
    return ".".join(text(f) for f in ip_fields(dialog)), text(port_field(dialog))


def error_labels(dialog):
    return [text(label) for label in find_all(dialog, "label") if text(label) in ("Invalid IP", "Invalid Port")]


class ShellTest(ProgramTestCase):

    def test_command_line_fills_the_start_up_dialog_and_confirms_it(self):
        # --version and --help answer and end at once, with no display too;
        # wrong usage says why, with or without one.
        no_display = {name: value for name, value in os.environ.items() if name not in ("DISPLAY", "WAYLAND_DISPLAY")}
        for args, status, out, err, env in ((["--version"], 0, "ORV-Terminal 1.0.4\n", "", no_display),
                                            (["--help"], 0, "Usage: ", "", no_display),
                                            (["--uart", "127.0.0.1:99999"], 64, "", "not 127.0.0.1:99999", None),
                                            (["--uart", "127.0.0.1:99999"], 64, "", "not 127.0.0.1:99999", no_display),
                                            (["--uart", "127.0.0.1", "--framing", "tcp"], 64, "", "--framing goes with --modbus", None),
                                            (["--modbus", "127.0.0.1", "--framing", "mbap"], 64, "",
                                             "--framing takes rtu or tcp, not mbap", no_display),
                                            (["--workspace", "w.json", "--modbus", "127.0.0.1"], 64, "",
                                             "--workspace and --modbus exclude each other", no_display),
                                            (["--bogus"], 64, "", "option 'bogus'", None),
                                            (["--display=:1", "--bogus"], 64, "", "option 'bogus'", no_display)):
            ran = subprocess.run([PROGRAM] + args, capture_output=True, text=True, timeout=30, env=env)
            self.assertEqual((ran.returncode, ran.stdout[:len(out)]), (status, out), ran.stderr)
            self.assertIn(err, ran.stderr)
        self.assertIn("--uart", ran.stderr)

        # --modbus fills the dialog, which then waits for the user.
        program = self.start_program(args=["--modbus", MODBUS_HOST + ":4100", "--framing", "tcp"])
        dialog = program.window("ORV-Terminal Conf")
        self.assertEqual(dialog_values(dialog), (MODBUS_HOST, "4100"))
        self.assertEqual([combo.name for combo in find_all(dialog, "combo box")], ["MODBUS", "Modbus TCP"])
        self.quit_cleanly(program)

        # --connect confirms it and connects, with the usual outcome: success
        # with the serial device's bridge, failure where nothing listens.
        device = self.serial_device()
        program = self.start_program(args=["--uart", "127.0.0.1:%d" % device.port, "--connect"])
        program.expect_box("Connected", "Connection successful", kind="Warning", timeout=15)
        wait_until(device.connected, "the bridge to take the connection")
        program.no_window("ORV-Terminal Conf")
        self.assertEqual(UartTerminal(program).parameters(), ("127.0.0.1", str(device.port)))
        self.quit_cleanly(program)
        program = self.start_program(args=["--connect", "--modbus", MODBUS_HOST])
        program.expect_box("Not Connected", "Connection failed", kind="Error")
        program.no_window("ORV-Terminal Conf")
        self.assertEqual(ModbusTerminal(program).parameters(), (MODBUS_HOST, "65100"))
        self.quit_cleanly(program)

    def test_start_up_dialog_checks_its_fields(self):
        program = self.start_program()
        dialog = program.window("ORV-Terminal Conf")
        self.assertEqual(dialog_values(dialog), ("192.168.100.10", "65100"))
        self.assertEqual(find(dialog, "combo box").name, "UART")
        fields = ip_fields(dialog)

        # Leaving a field that holds more than 255 is refused at once; its
        # third digit does not move on then.
        replace_text(fields[2], "256")
        click(fields[3])
        program.expect_box("Error", "Ip field can be 255 maximum", kind="Error")
        # The field is selected again, so typing replaces it.
        type_text("0")
        wait_until(lambda: text(fields[2]) == "0", "the corrected field")

        # Both fields wrong: both are named and the dialog stays.
        replace_text(fields[0], "0")
        replace_text(port_field(dialog), "")
        click(find(dialog, "push button", "OK"))
        wait_until(lambda: error_labels(dialog) == ["Invalid IP", "Invalid Port"], "both error texts")
        # Only the port wrong: the IP text is cleared.
        replace_text(fields[0], "127")
        click(find(dialog, "push button", "OK"))
        wait_until(lambda: error_labels(dialog) == ["Invalid Port"], "the port error alone")
        # The numeric filter keeps letters out of the port.
        replace_text(port_field(dialog), "6a5b1")
        wait_until(lambda: text(port_field(dialog)) == "651", "letters to be refused")
        click(find(dialog, "push button", "OK"))
        program.no_window("ORV-Terminal Conf")

        terminal = UartTerminal(program)
        self.assertEqual(terminal.parameters(), ("127.168.0.10", "651"))
        self.quit_cleanly(program)

    def test_cancel_leaves_the_parameters_unset(self):
        program = self.start_program()
        dialog = program.window("ORV-Terminal Conf")
        replace_text(ip_fields(dialog)[0], "127")
        click(find(dialog, "push button", "Cancel"))
        program.no_window("ORV-Terminal Conf")
        terminal = UartTerminal(program)
        self.assertEqual(terminal.parameters(), ("not set", "not set"))
        # The modify button offers the defaults while nothing is set.
        click(terminal.modify_button)
        dialog = program.window("UART Conf")
        self.assertEqual(dialog_values(dialog), ("192.168.100.10", "65100"))
        key("Escape")
        program.no_window("UART Conf")
        self.assertEqual(terminal.parameters(), ("not set", "not set"))
        self.quit_cleanly(program)

    def test_switching_between_the_terminals(self):
        program = self.start_program()
        program.fill_connection("127.0.0.1", "4000", "MODBUS")
        program.no_window("ORV-Terminal Conf")
        modbus = ModbusTerminal(program)
        self.assertEqual(modbus.parameters(), ("127.0.0.1", "4000"))
        self.assertFalse(find_all(program.frame, "label", "ORV-Terminal"), "the UART panel is hidden")

        # The modify button offers the current parameters.
        click(modbus.modify_button)
        self.assertEqual(dialog_values(program.window("UART Conf")), ("127.0.0.1", "4000"))
        program.fill_connection("127.0.0.2", "4001", "UART", title="UART Conf")
        program.no_window("UART Conf")
        uart = UartTerminal(program)
        self.assertEqual(uart.parameters(), ("127.0.0.2", "4001"))
        self.assertFalse(find_all(program.frame, "label", "MODBUS ORV-Terminal"), "the Modbus panel is hidden")

        # File > New Connection always offers the defaults; two dialogs may be
        # open at once and each applies its own values.
        program.menu("File", "New Connection")
        first = program.window("UART Conf")
        self.assertEqual(dialog_values(first), ("192.168.100.10", "65100"))
        program.menu("File", "New Connection")
        wait_until(lambda: len([w for w in program.windows() if w.name == "UART Conf"]) == 2, "a second dialog")
        second = [w for w in program.windows() if w.name == "UART Conf" and w != first][0]
        click(find(second, "push button", "Cancel"))
        wait_until(lambda: not showing(second), "the second dialog to close")
        program.fill_connection("127.0.0.3", "4002", "MODBUS", title="UART Conf")
        program.no_window("UART Conf")
        self.assertEqual(ModbusTerminal(program).parameters(), ("127.0.0.3", "4002"))
        # Both panels got the parameters, the hidden one too.
        program.menu("File", "New Connection")
        program.fill_connection("127.0.0.3", "4002", "UART", title="UART Conf")
        self.assertEqual(UartTerminal(program).parameters(), ("127.0.0.3", "4002"))
        self.quit_cleanly(program)

    def test_help_and_about(self):
        program = self.start_program()
        program.window("ORV-Terminal Conf")
        program.menu("Help", "Help")
        shown = program.answer_box()
        self.assertEqual(shown.caption, "Help")
        self.assertTrue(shown.message.startswith("Context help will be available soon\n"), shown.message)
        self.assertIn("For manuals and documentation please refer to: ", shown.message)
        program.menu("Help", "About")
        shown = program.answer_box()
        self.assertEqual(shown.caption, "About TAVRIX")
        self.assertIn("For more informations please visit: ", shown.message)
        self.quit_cleanly(program)


if __name__ == "__main__":
    main()
