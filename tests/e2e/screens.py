"""The program's two terminal panels as a user sees them: where each control
is, and the few steps a user repeats (connecting, adding a message, exporting).

Controls with a text are found by it; the bitmap buttons carry none and are
found at their fixed places on the panel."""
import os

import pyatspi

from driver import (at_offset, children, choose, click, click_at, extents, find, find_all, key, replace_text, role,
                    text, type_text, wait_until)


def checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


def enabled(node):
    return node.getState().contains(pyatspi.STATE_SENSITIVE)


def _panel_titled(program, title):
    return wait_until(lambda: find(program.frame, "panel",
                                   where=lambda n: any(c.name == title for c in children(n))),
                      "the panel %r" % title)


class _Terminal:
    TITLE = None

    def __init__(self, program):
        self.program = program

    @property
    def panel(self):
        return _panel_titled(self.program, self.TITLE)

    def _top_buttons(self):
        return [c for c in children(self.panel) if role(c) == "push button"][:2]

    @property
    def modify_button(self):
        return self._top_buttons()[0]

    @property
    def connect_button(self):
        return self._top_buttons()[1]

    def parameters(self):
        """The IP and port the panel shows, whole: a label shortened to fit
        holds the whole text as its tooltip (the accessible description)."""
        labels = [c for c in children(self.panel) if role(c) == "label"]
        texts = [text(c) for c in labels]
        return tuple(labels[at].description or texts[at]
                     for at in (texts.index("IP:") + 1, texts.index("Port:") + 1))

    def connect(self):
        click(self.connect_button)
        self.program.expect_box("Connected", "Connection successful", kind="Warning", timeout=15)

    def disconnect(self):
        click(self.connect_button)


def connect_uart(program, device):
    """Confirms the program's first dialog for the serial device's bridge on
    127.0.0.1 and connects the UART terminal to it; returns the terminal."""
    program.fill_connection("127.0.0.1", str(device.port), "UART")
    program.no_window("ORV-Terminal Conf")
    terminal = UartTerminal(program)
    terminal.connect()
    wait_until(device.connected, "the bridge to take the connection")
    return terminal


class UartTerminal(_Terminal):
    TITLE = "ORV-Terminal"
    # Places of the bitmap buttons on the panel.
    BUTTONS = {
        "add": (305, 180), "send": (305, 220), "periodic": (305, 250), "clear list": (305, 280),
        "export": (682, 155), "clear all": (662, 485), "log stop": (569, 485), "log start": (476, 485),
    }
    # The four 24 x 24 media buttons, left to right: they sit under the
    # caption, whose height follows the toolkit's text.
    MEDIA_BUTTONS = ("backward", "play", "pause", "loop")

    def button(self, name):
        if name in self.MEDIA_BUTTONS:
            media = sorted(find_all(self.panel, "push button", where=lambda n: extents(n)[2:] == (24, 24)),
                           key=lambda n: extents(n)[0])
            assert len(media) == 4, "%d media buttons shown" % len(media)
            return media[self.MEDIA_BUTTONS.index(name)]
        return at_offset(self.panel, "push button", *self.BUTTONS[name])

    def press(self, name):
        click(self.button(name))

    def choose_transmission(self, notation):
        self._radio("Transmission type", notation)

    def choose_read(self, notation):
        self._radio("Read type", notation)

    def _radio(self, group, notation):
        button = find(find(self.panel, "panel", group), "radio button", notation)
        click(button)
        wait_until(lambda: checked(button), "%s %s to be chosen" % (group, notation))

    def tx_entry(self):
        """The transmit entry shown (that of the chosen transmission type)."""
        return at_offset(self.panel, "text", 30, 180)

    def line_ending(self):
        """The choice of line ending beside the ASCII entry."""
        return at_offset(self.panel, "combo box", 222, 182)

    def rx_view(self):
        """The receive view shown (that of the chosen read type): its top
        gives way to the check boxes when they need a row of their own, so
        it is found well inside."""
        return at_offset(self.panel, "text", 450, 300)

    def rx_text(self):
        return text(self.rx_view())

    def check_box(self, label):
        return find(self.panel, "check box", label)

    def set_check(self, label, state):
        box = self.check_box(label)
        if checked(box) != state:
            click(box)
            wait_until(lambda: checked(box) == state, "%r to be %s" % (label, "checked" if state else "unchecked"))

    def _beside(self, caption, role_name):
        """The nearest shown `role_name` control right of `caption` on its
        row: the fields move right when their captions need more room."""
        x, y, w, h = extents(caption)
        middle = y + h // 2

        def on_the_row(node):
            nx, ny, _, nh = extents(node)
            return nx >= x + w and ny <= middle < ny + nh
        found = find_all(self.panel, role_name, where=on_the_row)
        assert found, "no %s beside %r" % (role_name, caption.name)
        return min(found, key=lambda n: extents(n)[0])

    def period_field(self):
        return self._beside(self.check_box("Send periodically every"), "text")

    def period_unit(self):
        return self._beside(self.check_box("Send periodically every"), "combo box")

    def total_size_field(self):
        return self._beside(find(self.panel, "label", "Total size (byte)"), "text")

    def messages(self):
        """The texts of the message list, top first."""
        table = at_offset(self.panel, "table", 30, 220)
        return [c.name for c in find_all(table, "table cell", visible=False)]

    def message_cell(self, position):
        table = at_offset(self.panel, "table", 30, 220)
        return find_all(table, "table cell")[position]

    def select_message(self, position):
        cell = self.message_cell(position)
        click(cell)
        wait_until(lambda: cell.getState().contains(pyatspi.STATE_SELECTED), "list item %d to be selected" % position)

    def add_message(self, notation, message, by_enter=True):
        """Types a message in a notation and adds it with Enter or the add
        button; returns once the list shows it on top."""
        self.choose_transmission(notation)
        entry = self.tx_entry()
        replace_text(entry, message)
        wait_until(lambda: text(self.tx_entry()) == message, "the entry to hold %r" % message)
        if by_enter:
            click(self.tx_entry())
            key("Return")
        else:
            self.press("add")
        listed = "%s (%s)" % (message, notation)
        if notation == "ASCII" and self.line_ending().name != "none":
            listed = "%s (%s, %s)" % (message, notation, self.line_ending().name)
        wait_until(lambda: self.messages()[:1] == [listed], "%r on top of the message list" % listed)

    def export(self, name, timeout=10):
        """Exports the shown receive view through the save dialog into a new
        file: a name in the program's working directory (where the dialog
        opens) or a full path; returns what the file holds."""
        path = os.path.join(self.program.workdir, name)
        self.press("export")
        self.program.choose_file("Save File As?", name, "Save")
        wait_until(lambda: os.path.exists(path), "the exported file %s" % path, timeout)
        with open(path, "rb") as stream:
            return stream.read()


class ModbusTerminal(_Terminal):
    TITLE = "MODBUS ORV-Terminal"

    def open_function(self, label):
        """Clicks a function button and returns its form."""
        click(find(self.panel, "push button", label))
        return ModbusForm(self, label)


class ModbusForm:
    """A function form: rows of a label and its field at fixed places."""

    def __init__(self, terminal, label):
        self.terminal = terminal
        code = label.split(":")[0]
        self.title_prefix = "Function %s:" % code
        self.form = wait_until(self._find, "the form of %r" % label)

    def _find(self):
        return find(self.terminal.panel, "panel",
                    where=lambda n: any(role(c) == "label" and c.name.startswith(self.title_prefix)
                                        for c in children(n)))

    def _row_field(self, caption):
        """The control to the right of a row's caption."""
        label = find(self.form, "label", caption)
        lx, ly, _, lh = extents(label)
        return find(self.form, where=lambda n: role(n) in ("text", "combo box", "label") and n is not label
                    and extents(n)[0] == lx + 120 and abs(extents(n)[1] - ly) < max(lh, 20))

    def set_field(self, caption, value):
        field = self._row_field(caption)
        if role(field) == "combo box":
            choose(self.terminal.program.app, field, value)
        else:
            replace_text(field, value)
            wait_until(lambda: text(field) == value, "%r to read %r" % (caption, value))

    def field(self, caption):
        node = self._row_field(caption)
        return node.name if role(node) == "combo box" else text(node)

    def send(self, timeout=10):
        """Presses Send and returns the result line and the data field (empty
        when the form has none) once either has changed: a test sends only
        what changes them, as nothing else tells that the request is done."""
        before = self.outcome()
        click(find(self.form, "push button", "Send"))

        def changed():
            now = self.outcome()
            return now if now != before else None
        return wait_until(changed, "the outcome of Send", timeout)

    def outcome(self):
        data = self.field("Data =>") if find_all(self.form, "label", "Data =>") else ""
        # A long result line breaks at blanks within its room: read it as one.
        return self.field("Result =>").replace("\n", " "), data

    def fill_grid(self, values):
        """Fills the ten grid rows as a user does: numbers typed and confirmed
        with Enter (which moves down a row), check boxes toggled with the
        space bar."""
        # The cells of the write grid (function 23's is shorter: the table of
        # what it read stands under it).
        cells = find(self.form, "panel", where=lambda n: extents(n)[2] == 180 and extents(n)[3] > 150)
        x, y, _, _ = extents(cells)
        if isinstance(values[0], bool):
            # A click on the current cell would toggle it; the first row is
            # current, so click into the second one and step back up.
            click_at(x + 50, y + 37)
            key("Up")
            for on in values:
                if on:
                    key("space")
                key("Down")
        else:
            click_at(x + 50, y + 10)
            for value in values:
                type_text(str(value))
                key("Return")
