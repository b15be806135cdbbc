#!/usr/bin/python3
"""Takes the README's screenshots of the real program against loopback peers:
the UART terminal with traffic (also under the dark theme) and the Modbus
terminal with a form.

Usage (from the project's root, after a build):
    tests/e2e/session.py /usr/bin/python3 tests/e2e/make_screenshots.py docs
"""
import os
import shutil
import sys
import tempfile

from driver import Program, choose, extents, screenshot, wait_until
from peers import ModbusGateway, SerialDevice
from screens import ModbusTerminal, UartTerminal

MODBUS_HOST = "127.0.0.62"


def uart_terminal(path, scratch, env=None):
    device = SerialDevice(scratch)
    program = Program(env=env)
    try:
        program.fill_connection("127.0.0.1", str(device.port), "UART")
        program.no_window("ORV-Terminal Conf")
        terminal = UartTerminal(program)
        terminal.connect()
        wait_until(device.connected, "the bridge to take the connection")
        terminal.set_check("Write Timestamp", True)
        terminal.set_check("Wrap packets", True)
        # The device answers commands ended with CR LF.
        choose(program.app, terminal.line_ending(), "CR LF")
        terminal.add_message("ASCII", "AT+VERSION?")
        terminal.add_message("Hex", "01 03 00 00 00 02")
        terminal.add_message("ASCII", "AT+STATUS?")
        for position, answer in ((2, b"VERSION 2.4.1\r\n"), (0, b"STATUS READY\r\n")):
            terminal.select_message(position)
            terminal.press("send")
            device.read_until_quiet(quiet=0.3)
            device.write(answer)
            wait_until(lambda: answer.decode().strip() in terminal.rx_text(), "the answer in the view")
        terminal.select_message(1)
        screenshot(extents(program.frame), path)
        program.quit()
    finally:
        program.stop()
        device.close()


def modbus_terminal(path):
    gateway = ModbusGateway(MODBUS_HOST)
    program = Program()
    try:
        program.fill_connection(MODBUS_HOST, "65100", "MODBUS")
        program.no_window("ORV-Terminal Conf")
        terminal = ModbusTerminal(program)
        terminal.connect()
        form = terminal.open_function("3: Read Holding Registers")
        form.set_field("Address", "0")
        form.set_field("Registers number", "2")
        form.set_field("Output Format", "Hex")
        form.send()
        screenshot(extents(program.frame), path)
        program.quit()
    finally:
        program.stop()
        gateway.close()


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_screenshots.py FOLDER")
    folder = sys.argv[1]
    scratch = tempfile.mkdtemp(prefix="orv-shots-")
    try:
        uart_terminal(os.path.abspath(os.path.join(folder, "uart-terminal.png")), scratch)
        uart_terminal(os.path.abspath(os.path.join(folder, "uart-terminal-dark.png")), scratch,
                      dict(os.environ, GTK_THEME="Adwaita:dark"))
        modbus_terminal(os.path.abspath(os.path.join(folder, "modbus-terminal.png")))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
