#!/usr/bin/python3
"""Takes the README's screenshots of the real program against loopback peers:
the UART terminal with traffic (also under the dark theme), the Modbus
terminal with a form, the monitor's chart of values written from outside,
and the plot of the numbers a device sends on the UART link.

Usage (from the project's root, after a build):
    tests/e2e/session.py /usr/bin/python3 tests/e2e/make_screenshots.py docs
"""
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

from driver import BUILD_DIR, Program, choose, extents, find, screenshot, wait_until, xdotool
from peers import ModbusGateway, SerialDevice
from screens import ModbusTerminal, connect_uart

MODBUS_HOST = "127.0.0.62"


def uart_terminal(path, scratch, env=None):
    device = SerialDevice(scratch)
    program = Program(env=env)
    try:
        terminal = connect_uart(program, device)
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


def monitor_chart(path, scratch):
    """A tank's level and flow, plotted from a workspace, while another
    client writes new values to the server every 0.2 s for 12 s."""
    gateway = ModbusGateway(MODBUS_HOST)
    workspace = os.path.join(scratch, "tank.json")
    with open(workspace, "w", encoding="utf-8") as file:
        json.dump({"format": "orv-workspace", "version": 1,
                   "connection": {"ip": MODBUS_HOST, "port": 65100, "framing": "rtu"},
                   "blocks": [{"name": "tank", "function": 3, "start": 10, "count": 2, "period_ms": 100,
                               "rows": [{"address": 10, "name": "level", "plot": True},
                                        {"address": 11, "name": "flow", "plot": True}]}],
                   "windows": {"monitor": True}}, file)
    writer = os.path.join(BUILD_DIR, "modbus_cli", "orv-modbus")

    def write(step):
        level = 500 + int(300 * math.sin(step / 9.0)) + step * 4
        flow = 120 + int(60 * math.cos(step / 5.0))
        subprocess.run([writer, MODBUS_HOST, "--port", "65100", "write-registers", "-a", "10", str(level), str(flow)],
                       check=True, stdout=subprocess.DEVNULL, timeout=10)

    write(0)
    program = Program(args=["--workspace", workspace, "--connect"])
    try:
        program.expect_box("Connected", "Connection successful", kind="Warning", timeout=15)
        chart = program.window("Modbus monitor chart")
        for step in range(1, 60):
            write(step)
            time.sleep(0.2)
        wait_until(lambda: find(chart, "chart", "Modbus monitor chart").description.startswith("tank/level"),
                   "the chart to describe the values")
        # Without a window manager the monitor may cover the chart, and
        # both the frame's menu.
        xdotool("search", "--name", "^Modbus monitor chart$", "windowraise")
        time.sleep(0.5)  # for the X server to draw it (a picture, not a test)
        screenshot(extents(chart), path)
        xdotool("search", "--name", "^ORV Terminal$", "windowraise")
        program.quit()
    finally:
        program.stop()
        gateway.close()


def uart_plot(path, scratch):
    """A sensor sends a line of temperature and humidity every 0.1 s for
    10 s, with a start-up line that is no numbers."""
    device = SerialDevice(scratch)
    program = Program()
    try:
        terminal = connect_uart(program, device)
        program.menu("Extra", "Plot received numbers")
        window = program.window("Received numbers")
        device.write(b"sensor ready\r\n")
        for step in range(100):
            temp = 21.5 + 1.5 * math.sin(step / 15.0) + 0.1 * math.sin(step * 1.7)
            hum = 42 - 3 * math.sin(step / 20.0 + 1) + 0.2 * math.cos(step * 2.3)
            device.write(b"temp=%.2f;hum=%.1f\r\n" % (temp, hum))
            time.sleep(0.1)
        wait_until(lambda: find(window, "label", "100 lines plotted, 1 skipped (no numbers)"), "the last line")
        screenshot(extents(window), path)
        xdotool("search", "--name", "^ORV Terminal$", "windowraise")
        program.quit()
    finally:
        program.stop()
        device.close()


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
        monitor_chart(os.path.abspath(os.path.join(folder, "modbus-monitor-chart.png")), scratch)
        uart_plot(os.path.abspath(os.path.join(folder, "uart-plot.png")), scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
