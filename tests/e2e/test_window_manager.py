#!/usr/bin/python3
"""The program under a real window manager (openbox), as users run it: the
connection dialogs stay above the main window, and at the start size every
control of both terminals shows inside the window, none under the status
bar."""
import re
import subprocess

import pyatspi

from driver import children, click, click_at, extents, find, role, showing, text, wait_until
from harness import ProgramTestCase, main
from screens import ModbusTerminal, UartTerminal


def root_windows(name):
    """The X windows a property of the root window names."""
    said = subprocess.run(["xprop", "-root", name], capture_output=True, text=True, timeout=20).stdout
    return [int(window, 16) for window in re.findall(r"0x[0-9a-f]+", said)]


def x_window(program, title):
    """The program's window of that title that the window manager manages."""
    found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(program.process.pid), "--name",
                            "^%s$" % re.escape(title)], capture_output=True, text=True, timeout=20).stdout.split()
    managed = [int(window) for window in found if int(window) in root_windows("_NET_CLIENT_LIST")]
    assert len(managed) == 1, "%d managed windows %r" % (len(managed), title)
    return managed[0]


def above(upper, lower):
    """Whether the window manager stacks `upper` above `lower`."""
    order = root_windows("_NET_CLIENT_LIST_STACKING")
    return upper in order and lower in order and order.index(upper) > order.index(lower)


def shown_box(node):
    """Where a control shows: a label its text (the titles' boxes are as wide
    as the window, their text centred), any other control its box."""
    if role(node) == "label" and text(node):
        label = node.queryText()
        box = label.getRangeExtents(0, label.characterCount, pyatspi.DESKTOP_COORDS)
        return box[0], box[1], box[2], box[3]
    return extents(node)


def client_area(program):
    """The area between the menu bar and the status bar (the window's last
    part) of the main window."""
    window = children(program.frame)[0]
    x, _, width, _ = extents(window)
    _, menu_y, _, menu_height = extents(find(window, "menu bar"))
    status_y = extents(children(window)[-1])[1]
    return x, menu_y + menu_height, width, status_y - menu_y - menu_height


def controls(panel):
    """The shown controls of a panel and of the panels in it."""
    found = []
    for node in children(panel):
        if not showing(node):
            continue
        found.append(node)
        if role(node) in ("panel", "filler"):
            found.extend(controls(node))
    return found


class WindowManagerTest(ProgramTestCase):

    @classmethod
    def setUpClass(cls):
        cls.window_manager = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                                              stderr=subprocess.DEVNULL)
        try:
            wait_until(lambda: root_windows("_NET_SUPPORTING_WM_CHECK"), "openbox to start", timeout=20)
        except AssertionError:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.window_manager.terminate()
        cls.window_manager.wait(timeout=10)

    def assert_inside_client_area(self, program, panel, terminal):
        """Every control of the panel shows between the menu bar and the status
        bar, in a window of the designed size."""
        window = children(program.frame)[0]
        self.assertEqual(extents(window)[2:], (800, 600), "the window inside its decorations")
        self.assertGreater(extents(program.frame)[3], 600, "the window manager's decorations")
        ax, ay, aw, ah = client_area(program)
        shown = controls(panel)
        self.assertGreater(len(shown), 20)
        for node in shown:
            x, y, w, h = shown_box(node)
            self.assertTrue(ax <= x and ay <= y and x + w <= ax + aw and y + h <= ay + ah,
                            "%s: %s %r at %r leaves the area %r" % (terminal, role(node), node.name, (x, y, w, h),
                                                                     (ax, ay, aw, ah)))

    def assert_stays_above(self, program, title):
        """The dialog of that title lies over the main window, above it, also
        after a click on the main window beside it."""
        frame = x_window(program, "ORV Terminal")
        dialog = x_window(program, title)
        wait_until(lambda: above(dialog, frame), "%r above the main window" % title)
        dx, dy, dw, dh = extents(program.window(title))
        fx, fy, fw, fh = extents(program.frame)
        self.assertTrue(fx <= dx + dw // 2 < fx + fw and fy <= dy + dh // 2 < fy + fh,
                        "%r at %r, not over the main window at %r" % (title, (dx, dy, dw, dh), (fx, fy, fw, fh)))
        x, y, _, _ = client_area(program)
        click_at(x + 15, y + 15)       # the panel's status icon, beside the dialog
        wait_until(lambda: root_windows("_NET_ACTIVE_WINDOW") == [frame], "the main window to be active")
        self.assertTrue(above(dialog, frame), "%r went behind the main window" % title)

    def test_connection_dialogs_stay_above_the_main_window(self):
        program = self.start_program()
        program.window("ORV-Terminal Conf")
        self.assert_stays_above(program, "ORV-Terminal Conf")
        program.fill_connection("127.0.0.63", "65100", "MODBUS")
        program.no_window("ORV-Terminal Conf")

        for opener in (ModbusTerminal, UartTerminal):
            if opener is UartTerminal:
                program.menu("File", "New Connection")
                program.fill_connection("127.0.0.63", "65100", "UART", title="UART Conf")
                program.no_window("UART Conf")
            click(opener(program).modify_button)
            program.window("UART Conf")
            self.assert_stays_above(program, "UART Conf")
            click(find(program.window("UART Conf"), "push button", "Cancel"))
            program.no_window("UART Conf")

        program.menu("File", "New Connection")
        program.window("UART Conf")
        self.assert_stays_above(program, "UART Conf")
        self.quit_cleanly(program)

    def test_both_terminals_show_whole_at_the_start_size(self):
        program = self.start_program()
        uart = UartTerminal(program)
        self.assert_inside_client_area(program, uart.panel, "UART terminal")
        program.fill_connection("127.0.0.63", "65100", "MODBUS")
        program.no_window("ORV-Terminal Conf")
        modbus = ModbusTerminal(program)
        self.assert_inside_client_area(program, modbus.panel, "Modbus terminal")
        self.quit_cleanly(program)


if __name__ == "__main__":
    main()
