#!/usr/bin/python3
"""The Modbus terminal driven as a user would, against the independent
pymodbus gateway (RTU frames over TCP) on 127.0.0.60:65100.

The gateway's data store (tests/support/modbus_server.py): coils on where
a % 3 == 0, discrete inputs on where a % 5 is 1 or 2, holding registers
0x1234, 0x5678, then 0x0101 * a, input registers 11, 22, then 1000 + a."""
import json
import re

from driver import click, find, find_all, text, wait_until, xdotool
from harness import ProgramTestCase, main
from screens import ModbusTerminal, enabled

HOST = "127.0.0.60"
# pymodbus's Modbus TCP server (MBAP header, no CRC).
MBAP_HOST = "127.0.0.61"


class ModbusTerminalTest(ProgramTestCase):

    def start_connected(self):
        self.modbus_gateway(HOST)
        program = self.start_program()
        program.fill_connection(HOST, "65100", "MODBUS")
        terminal = ModbusTerminal(program)
        terminal.connect()
        return program, terminal

    def test_start_up_dialog_connect_and_disconnect(self):
        self.modbus_gateway(HOST)
        program = self.start_program()
        program.fill_connection(HOST, "65100", "MODBUS")
        program.no_window("ORV-Terminal Conf")
        terminal = ModbusTerminal(program)
        self.assertEqual(terminal.parameters(), (HOST, "65100"))
        self.assertTrue(find(program.frame, "label", "Terminal Selected: MODBUS"))

        click(find(terminal.panel, "push button", "3: Read Holding Registers"))
        program.expect_box("Error", "You have to connect first.", kind="Error")

        terminal.connect()
        form = terminal.open_function("3: Read Holding Registers")
        form.set_field("Address", "0")
        form.set_field("Registers number", "2")
        form.set_field("Output Format", "Hex")
        self.assertEqual(form.send(), ("Read 2 registers", "[1234][5678]"))

        terminal.disconnect()
        click(find(terminal.panel, "push button", "1: Read Coils"))
        program.expect_box("Error", "You have to connect first.", kind="Error")
        # The same parameters connect again.
        terminal.connect()
        form = terminal.open_function("1: Read Coils")
        form.set_field("Address", "0")
        form.set_field("Bits number", "3")
        self.assertEqual(form.send(), ("Read 3 bits", "[1][0][0]"))
        self.quit_cleanly(program)

    def test_refused_connection_is_reported(self):
        # The gateway listens at 65100; the port typed is the one used.
        self.modbus_gateway(HOST)
        program = self.start_program()
        program.fill_connection(HOST, "502", "MODBUS")
        terminal = ModbusTerminal(program)
        click(terminal.connect_button)
        program.expect_box("Not Connected", "Connection failed", kind="Error")
        click(find(terminal.panel, "push button", "2: Read Discrete Inputs"))
        program.expect_box("Error", "You have to connect first.", kind="Error")
        self.quit_cleanly(program)

    def test_bit_access_functions(self):
        program, terminal = self.start_connected()

        form = terminal.open_function("1: Read Coils")
        form.set_field("Address", "0")
        form.set_field("Bits number", "6")
        self.assertEqual(form.send(), ("Read 6 bits", "[1][0][0][1][0][0]"))
        # The data field is not cleared between reads of coils.
        form.set_field("Bits number", "2")
        self.assertEqual(form.send(), ("Read 2 bits", "[1][0][0][1][0][0][1][0]"))

        form = terminal.open_function("2: Read Discrete Inputs")
        form.set_field("Address", "0")
        form.set_field("Bits number", "7")
        self.assertEqual(form.send(), ("Read 7 bits", "[0][1][1][0][0][0][1]"))

        form = terminal.open_function("5: Write Single Coil")
        form.set_field("Address", "1")
        form.set_field("Value", "On")
        self.assertEqual(form.send(), ("Sended", ""))

        form = terminal.open_function("15: Write Multiple Coils")
        form.set_field("Address", "20")
        pattern = [True, False, True, True, False, False, False, False, False, True]
        form.fill_grid(pattern)
        self.assertEqual(form.send(), ("Sended", ""))

        form = terminal.open_function("1: Read Coils")
        form.set_field("Address", "0")
        form.set_field("Bits number", "3")
        self.assertEqual(form.send(), ("Read 3 bits", "[1][1][0]"))
        form.set_field("Address", "20")
        form.set_field("Bits number", "10")
        self.assertEqual(form.send()[1], "[1][1][0]" + "".join("[%d]" % on for on in pattern))
        self.quit_cleanly(program)

    def test_register_access_functions(self):
        program, terminal = self.start_connected()

        form = terminal.open_function("3: Read Holding Registers")
        self.assertEqual(form.field("Output Format"), "Decimal U16")
        form.set_field("Address", "0")
        form.set_field("Registers number", "2")
        self.assertEqual(form.send(), ("Read 2 registers", "[4660][22136]"))
        # Another format shows the same answer in it at once, without a read.
        for output_format, data in (("Decimal U8", "[52][120]"),
                                    ("Hex", "[1234][5678]"),
                                    ("Binary 8", "0011010001111000"),
                                    ("Binary 16", "1001000110100" + "101011001111000")):
            form.set_field("Output Format", output_format)
            wait_until(lambda: form.outcome() == ("Read 2 registers", data), "the answer in %s" % output_format)

        form = terminal.open_function("4: Read Input Register")
        form.set_field("Address", "0")
        form.set_field("Registers number", "3")
        form.set_field("Output Format", "Decimal U16")
        self.assertEqual(form.send(), ("Read 3 registers", "[11][22][1002]"))

        form = terminal.open_function("6: Write Single Register")
        # Nothing is written that nobody typed.
        self.assertEqual(form.send(), ("Failed: address is empty", ""))
        form.set_field("Address", "5")
        form.set_field("Value", "65535")
        self.assertEqual(form.send(), ("Sended", ""))

        form = terminal.open_function("16: Write Multi Registers")
        form.set_field("Address", "40")
        written = [1, 20, 300, 4000, 50000, 6, 70, 800, 9000, 65535]
        form.fill_grid(written)
        self.assertEqual(form.send(), ("Sended", ""))

        form = terminal.open_function("3: Read Holding Registers")
        form.set_field("Address", "4")
        form.set_field("Registers number", "2")
        form.set_field("Output Format", "Decimal S16")
        self.assertEqual(form.send(), ("Read 2 registers", "[1028][-1]"))
        form.set_field("Output Format", "Decimal S8")
        wait_until(lambda: form.outcome() == ("Read 2 registers", "[4][-1]"), "the answer in Decimal S8")
        form.set_field("Address", "40")
        form.set_field("Registers number", "10")
        form.set_field("Output Format", "Decimal U16")
        self.assertEqual(form.send(), ("Read 10 registers", "".join("[%d]" % v for v in written)))

        form = terminal.open_function("23: Read/Write Multi Registers")
        form.set_field("Write Address", "60")
        form.set_field("Read Address", "59")
        form.set_field("N. Bit", "3")
        form.fill_grid(list(range(7, 17)))
        # The read comes after the write: 59 is untouched, 60 and 61 are new.
        self.assertEqual(form.send(), ("Read 3 bits", "[%d][7][8]" % (0x0101 * 59)))
        self.quit_cleanly(program)

    def test_report_slave_id_and_unanswered_unit(self):
        program, terminal = self.start_connected()
        form = terminal.open_function("17: Report Slave ID")
        # The gateway names itself, then its run indicator 0xFF.
        self.assertEqual(form.send(), ("Slave ID: Pymodbus\u00ff", ""))
        # No unit 2 behind this gateway: no answer, so the request fails.
        form.set_field("Slave ID", "2")
        self.assertEqual(form.send(), ("Failed: no answer", ""))
        form.set_field("Slave ID", "1")
        self.assertEqual(form.send(), ("Slave ID: Pymodbus\u00ff", ""))

        form = terminal.open_function("4: Read Input Register")
        form.set_field("Address", "298")
        form.set_field("Registers number", "5")     # beyond the gateway's 300 registers
        self.assertEqual(form.send(), ("Failed: Illegal data address", ""))
        self.quit_cleanly(program)

    def test_polling_refreshes_in_place_until_stopped(self):
        program, terminal = self.start_connected()
        form = terminal.open_function("4: Read Input Register")
        form.set_field("Address", "0")
        form.set_field("Registers number", "2")
        form.set_field("Output Format", "Decimal U16")
        form.set_field("Poll every [ms]", "100")
        start = find(form.form, "push button", "Start")
        stop = find(form.form, "push button", "Stop")
        send = find(form.form, "push button", "Send")
        click(start)

        def sent():
            counts = form.field("Requests")
            return int(counts.split()[0]) if counts.endswith(" failed") else 0
        wait_until(lambda: sent() >= 3, "three answers")
        # A Send while polling queues behind the poll's request.
        self.assertTrue(enabled(send))
        self.assertFalse(enabled(start))
        # The newest answer in place of the last one.
        self.assertEqual(form.outcome(), ("Read 2 registers", "[11][22]"))
        self.assertRegex(form.field("Last answer"), r"^\d\d:\d\d:\d\d\.\d\d\d$")
        self.assertTrue(form.field("Requests").endswith(", 0 failed"))
        click(stop)
        wait_until(lambda: enabled(send) and enabled(start), "Send and Start back")
        # A Send after the stop is the form's own, as ever; the poll counts
        # stay where the stop left them.
        stopped_at = form.field("Requests")
        form.set_field("Address", "1")
        self.assertEqual(form.send(), ("Read 2 registers", "[22][1002]"))
        self.assertEqual(form.field("Requests"), stopped_at)
        # Quitting while a poll runs ends the program as ever.
        click(start)
        wait_until(lambda: not enabled(start), "the poll to run again")
        self.quit_cleanly(program)

    def test_modbus_tcp_from_the_command_line(self):
        self.modbus_gateway(MBAP_HOST, "tcp")
        program = self.start_program(args=["--modbus", MBAP_HOST, "--framing", "tcp", "--connect"])
        program.expect_box("Connected", "Connection successful", kind="Warning", timeout=15)
        terminal = ModbusTerminal(program)
        self.assertTrue(find(terminal.panel, "label", "Modbus TCP"))
        form = terminal.open_function("3: Read Holding Registers")
        form.set_field("Address", "0")
        form.set_field("Registers number", "2")
        form.set_field("Output Format", "U32 ABCD")
        self.assertEqual(form.send(), ("Read 2 registers", "[305419896]"))
        self.quit_cleanly(program)

    def test_workspace_from_the_command_line_polls_in_the_monitor(self):
        self.modbus_gateway(HOST)
        workspace = self.path("plant.json")
        with open(workspace, "w", encoding="utf-8") as file:
            json.dump({"format": "orv-workspace", "version": 1,
                       "connection": {"ip": HOST, "port": 65100, "framing": "rtu"},
                       "blocks": [{"name": "meter", "function": 3, "start": 0, "count": 2, "period_ms": 100}],
                       "windows": {"monitor": True}}, file)
        program = self.start_program(args=["--workspace", workspace, "--connect"])
        program.expect_box("Connected", "Connection successful", kind="Warning", timeout=15)
        program.no_window("ORV-Terminal Conf")
        monitor = program.window("Modbus monitor")
        self.assertTrue(find(monitor, "label", "Unit 1, holding registers from 0, count 2, every 100 ms"))

        def answered():
            counts = [text(label) for label in find_all(monitor, "label")
                      if re.fullmatch(r"\d+ sent, 0 failed", text(label))]
            return counts and int(counts[0].split()[0]) >= 3
        wait_until(answered, "the block to be polled")
        # Without a window manager the monitor may cover the frame's menu.
        xdotool("search", "--name", "^ORV Terminal$", "windowraise")
        self.quit_cleanly(program)

    def test_bad_workspace_from_the_command_line_is_one_box(self):
        workspace = self.path("broken.json")
        with open(workspace, "w", encoding="utf-8") as file:
            file.write('{"format": "orv-workspace", "version": 1, "blocks": [}')
        program = self.start_program(args=["--workspace", workspace])
        box = program.answer_box()
        self.assertEqual(box.caption, "Error")
        self.assertIn("line 1", box.message)
        program.window("ORV-Terminal Conf")
        self.quit_cleanly(program)


if __name__ == "__main__":
    main()
