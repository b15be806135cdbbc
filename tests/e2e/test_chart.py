#!/usr/bin/python3
"""The chart window read from the accessibility bus, as a screen reader
reads it: a chart named by its title whose description gives each series'
latest value, a legend of check boxes, and the CSV export of what it shows
through the real file chooser, in a program of its own fed ten times a
second; and the UART terminal's plot of the numbers a device sends."""
import os
import re

import pyatspi

from driver import BUILD_DIR, Program, children, click, find, find_all, replace_text, text, wait_until
from harness import ProgramTestCase, main
from screens import checked

SHOWCASE = os.path.join(BUILD_DIR, "tests", "chart", "chart-showcase")
TITLE = "Chart showcase"


class Showcase(Program):

    def _find_app(self):
        for app in children(pyatspi.Registry.getDesktop(0)):
            for window in children(app):
                if window.get_process_id() == self.process.pid and window.name == TITLE:
                    return app
        return None


class ChartTest(ProgramTestCase):

    def test_a_chart_that_tells_its_latest_values_and_exports_what_it_shows(self):
        program = Showcase(command=[SHOWCASE])
        self.addCleanup(program.stop)
        window = program.window(TITLE)
        chart = find(window, "chart", TITLE)
        described = re.compile(r"^T: [0-9.]+; p: -?1\.5; 2: 3\.25$")
        first = wait_until(lambda: described.match(chart.description) and chart.description,
                           "the chart to describe its values")
        # T moves: the description follows it.
        wait_until(lambda: chart.description != first and described.match(chart.description),
                   "the description to follow new values")

        legend = {box.name: box for box in find_all(window, "check box") if box.name in ("T", "p", "2")}
        self.assertEqual(sorted(legend), ["2", "T", "p"])
        self.assertTrue(all(checked(box) for box in legend.values()))
        click(legend["p"])
        wait_until(lambda: not checked(legend["p"]), "p to be hidden")

        click(find(window, "push button", "Export CSV..."))
        save_as(program, "Export CSV", "span.csv")
        path = os.path.join(program.workdir, "span.csv")
        rows = wait_until(lambda: os.path.exists(path) and open(path, newline="").read().split("\r\n"),
                          "the CSV file")
        self.assertEqual(rows[0], "time,series,value")
        self.assertEqual(rows[-1], "")
        row = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,(T|2),-?[0-9.e+-]+$")
        self.assertGreater(len(rows), 100)
        for line in rows[1:-1]:
            self.assertRegex(line, row)
        self.assertIsNone(program.process.poll(), program.output_text())


class UartPlotTest(ProgramTestCase):

    def test_the_numbers_a_device_sends_are_plotted_by_name(self):
        device, program, terminal = self.start_uart_connected()

        program.menu("Extra", "Plot received numbers")
        window = program.window("Received numbers")
        chart = find(window, "chart", "Received numbers")
        self.assertEqual(chart.description, "No values yet")
        device.write(b"booting\r\n")
        # A line in two writes, then lines of the same names.
        device.write(b"t=21.")
        device.write(b"5;h=40\r\n")
        wait_until(lambda: chart.description == "t: 21.5; h: 40", "the chart to show the first line")
        for step in range(1, 6):
            device.write(b"t=%d;h=%d\r\n" % (21 + step, 40 - step))
        wait_until(lambda: chart.description == "t: 26; h: 35", "the chart to show the newest line")
        wait_until(lambda: find_all(window, "label", "6 lines plotted, 1 skipped (no numbers)"),
                   "the window to count the lines")
        legend = {box.name: box for box in find_all(window, "check box") if box.name in ("t", "h")}
        self.assertEqual(sorted(legend), ["h", "t"])
        click(legend["h"])
        wait_until(lambda: not checked(legend["h"]), "h to be hidden")
        # The receive view shows every line as it came, the skipped one too.
        self.assertIn("booting", terminal.rx_text())
        self.assertIn("t=26;h=35", terminal.rx_text())
        self.assertIsNone(program.process.poll(), program.output_text())


def save_as(program, title, name):
    """Types over the name the chooser offers and saves; the Save button is
    pressed again while the chooser, still completing the name, swallows it."""
    chooser = program.window(title)
    field = find_all(chooser, "text")[0]
    replace_text(field, name)
    wait_until(lambda: text(field) == name, "the chooser to read %r" % name)
    for _ in range(8):
        click(find(chooser, "push button", "Save"))
        try:
            program.no_window(title, timeout=1)
            return
        except AssertionError:
            pass
    raise AssertionError("the chooser %r did not close" % title)


if __name__ == "__main__":
    main()
