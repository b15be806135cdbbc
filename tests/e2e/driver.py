"""Drives the real program as a user does: keyboard and mouse through XTest
(xdotool), and what the window shows read from the accessibility bus.

Every wait is bounded; a wait that runs out raises AssertionError naming what
it waited for.
"""
import collections
import os
import shutil
import subprocess
import tempfile
import time

import pyatspi

BUILD_DIR = os.environ.get("ORV_BUILD_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build"))
PROGRAM = os.environ.get("ORV_PROGRAM", os.path.join(BUILD_DIR, "orv-terminal"))
ICONS = os.environ.get("ORV_ICONS", os.path.join(os.path.dirname(__file__), "..", "..", "icons"))

WAIT_S = 10.0
POLL_S = 0.05

# A message box: its caption, its message and the kind of its icon as the
# toolkit names it ("Error", "Warning", "Question", "Information").
Box = collections.namedtuple("Box", "caption message kind")


def wait_until(predicate, what, timeout=WAIT_S):
    """Polls `predicate` until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    failure = None
    while True:
        try:
            value = predicate()
        except Exception as error:  # the tree changes under us while windows come and go
            value, failure = None, error
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.1f s waiting for %s%s" % (
                timeout, what, " (last: %r)" % failure if failure else ""))
        time.sleep(POLL_S)


# ---- the accessibility tree --------------------------------------------------

def role(node):
    return node.getRoleName()


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def text(node):
    """What a label, text field or combo box shows."""
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return node.name


def children(node):
    return [child for child in node if child is not None]


def descendants(node):
    """Every node below `node`, in tree order."""
    found = []
    stack = list(reversed(children(node)))
    while stack:
        current = stack.pop()
        found.append(current)
        stack.extend(reversed(children(current)))
    return found


def find_all(root, role_name=None, name=None, visible=True, where=None):
    """Descendants in tree order with the given role and name that are shown
    (when `visible`) and satisfy `where`."""
    matches = []
    for node in descendants(root):
        if role_name is not None and role(node) != role_name:
            continue
        if name is not None and node.name != name:
            continue
        if visible and not showing(node):
            continue
        if where is not None and not where(node):
            continue
        matches.append(node)
    return matches


def find(root, role_name=None, name=None, visible=True, where=None):
    matches = find_all(root, role_name, name, visible, where)
    if not matches:
        raise LookupError("no %s %r" % (role_name or "node", name))
    return matches[0]


def inside(box, x, y):
    bx, by, bw, bh = box
    return bx <= x < bx + bw and by <= y < by + bh


def at_offset(root, role_name, dx, dy):
    """The shown `role_name` node whose box holds the point (dx, dy) counted
    from the top left corner of `root` (how the program places its bitmap
    buttons, which carry no text of their own)."""
    ox, oy, _, _ = extents(root)
    return find(root, role_name, where=lambda node: inside(extents(node), ox + dx + 2, oy + dy + 2))


# ---- keyboard and mouse --------------------------------------------------------

def xdotool(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, timeout=20)


def pointer():
    shown = subprocess.run(["xdotool", "getmouselocation", "--shell"], capture_output=True, text=True, check=True,
                           timeout=20).stdout
    fields = dict(line.split("=", 1) for line in shown.split())
    return int(fields["X"]), int(fields["Y"])


def click_at(x, y, button=1):
    # A synchronous move waits for the pointer to move: not when it is there.
    if pointer() != (x, y):
        xdotool("mousemove", "--sync", x, y)
    xdotool("click", button)


def click(node, dx=None, dy=None):
    """Clicks a node in its middle, or at (dx, dy) inside its box."""
    x, y, w, h = extents(node)
    click_at(x + (w // 2 if dx is None else dx), y + (h // 2 if dy is None else dy))


def double_click(node):
    """Two clicks in the middle of a node, close enough to count as one double-click."""
    x, y, w, h = extents(node)
    click_at(x + w // 2, y + h // 2)
    xdotool("click", 1)


def type_text(chars):
    xdotool("type", "--delay", 20, chars)


def key(*names):
    xdotool("key", "--delay", 30, *names)


def choose(app, combo, item):
    """Opens a read-only combo box by its arrow and clicks one of its entries."""
    x, y, w, h = extents(combo)
    click_at(x + w - 12, y + h // 2)
    click(wait_until(lambda: find(app, "menu item", item), "entry %r of the list" % item))
    wait_until(lambda: combo.name == item, "the list to show %r" % item)


def replace_text(node, chars):
    """Clicks into a text field, selects what it holds and types over it."""
    click(node)
    key("ctrl+a")
    if chars:
        type_text(chars)
    else:
        key("BackSpace")


# ---- the screen ---------------------------------------------------------------

def screen_pixels(box):
    """The (r, g, b) pixels of a screen area, row by row."""
    x, y, w, h = box
    raw = subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "-depth", "8",
                          "rgb:-"], capture_output=True, check=True, timeout=30).stdout
    assert len(raw) == 3 * w * h, "got %d bytes for a %dx%d area" % (len(raw), w, h)
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


def screenshot(box, path):
    x, y, w, h = box
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), path], check=True,
                   timeout=30)


# ---- the program -----------------------------------------------------------------

class Program:
    """The real executable, started in a working directory of its own that
    links the images (the log file lands there too). Its settings live in
    `config_home` (XDG_CONFIG_HOME), by default a fresh folder in the working
    directory, so that each start shows the defaults; a test of settings kept
    between runs passes the same folder to both starts."""

    def __init__(self, command=None, workdir=None, env=None, args=(), config_home=None):
        self.workdir = workdir or tempfile.mkdtemp(prefix="orv-e2e-")
        self.own_workdir = workdir is None
        self.config_home = config_home or os.path.join(self.workdir, "config")
        env = dict(os.environ if env is None else env, XDG_CONFIG_HOME=self.config_home)
        if command is None:
            os.symlink(os.path.abspath(ICONS), os.path.join(self.workdir, "icons"))
            command = [os.path.abspath(PROGRAM)]
        command = list(command) + list(args)
        self.log_path = os.path.join(self.workdir, "program-output.txt")
        self.output = open(self.log_path, "w")
        self.process = subprocess.Popen(command, cwd=self.workdir, stdout=self.output, stderr=subprocess.STDOUT,
                                        env=env)
        try:
            self.app = wait_until(self._find_app, "the program on the accessibility bus", timeout=30)
        except AssertionError:
            said = self.output_text()
            self.stop()
            raise AssertionError("the program did not show up on the accessibility bus; it said:\n" + said)

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in children(desktop):
            for window in children(app):
                if window.get_process_id() == self.process.pid and window.name == "ORV Terminal":
                    return app
        return None

    # windows
    def windows(self):
        return [window for window in children(self.app) if showing(window)]

    def window(self, title, timeout=WAIT_S):
        """The shown top-level window (frame, dialog or message box) of that title."""
        return wait_until(lambda: next((w for w in self.windows() if w.name == title), None),
                          "window %r" % title, timeout)

    def no_window(self, title, timeout=WAIT_S):
        wait_until(lambda: all(w.name != title for w in self.windows()), "window %r to close" % title, timeout)

    @property
    def frame(self):
        return self.window("ORV Terminal")

    def message_box(self, timeout=WAIT_S):
        """The shown message box as (Box, its node)."""
        alert = wait_until(lambda: next((w for w in self.windows() if role(w) == "alert"), None),
                           "a message box", timeout)
        labels = [text(label) for label in find_all(alert, "label") if text(label)]
        # The bus names a message box after its icon; its caption is the X
        # window's title.
        return Box(self.window_title(extents(alert)), "\n".join(labels), alert.name), alert

    def x_window(self, box):
        """The id of the program's X window that covers exactly `box`."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(self.process.pid)],
                               capture_output=True, text=True, timeout=20).stdout.split()
        for window in found:
            shape = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True,
                                   text=True, timeout=20).stdout
            fields = dict(line.split("=", 1) for line in shape.split())
            if tuple(int(fields[k]) for k in ("X", "Y", "WIDTH", "HEIGHT")) == tuple(box):
                return window
        raise AssertionError("no X window at %r" % (box,))

    def window_title(self, box):
        return subprocess.run(["xdotool", "getwindowname", self.x_window(box)], capture_output=True, text=True,
                              timeout=20).stdout.rstrip("\n")

    def choose_file(self, title, name, button):
        """Types a file name into the file chooser of that title (the folder it
        shows at first is the program's working directory) and presses its
        Open or Save button."""
        chooser = self.window(title)
        entries = find_all(chooser, "text")
        if entries:
            click(entries[0])     # a save dialog's name field
        else:
            key("ctrl+l")         # an open dialog's location field
            wait_until(lambda: find(chooser, "text"), "the location field")
        type_text(name)
        wait_until(lambda: any(text(n) == name for n in find_all(chooser, "text")), "the chooser to read %r" % name)
        # While the chooser still completes the typed name (a moment after
        # the last key) it swallows a click; the button is pressed again until
        # the chooser closes. It lies outside the main window, so a press that
        # comes after the close lands on the bare screen.
        for _ in range(8):
            click(find(chooser, "push button", button))
            try:
                self.no_window(title, timeout=1)
                return
            except AssertionError:
                pass
        raise AssertionError("the chooser %r did not close" % title)

    def answer_box(self, button="OK", timeout=WAIT_S):
        """Waits for a message box, presses one of its buttons and returns
        what it showed."""
        shown, alert = self.message_box(timeout)
        click(find(alert, "push button", button))
        wait_until(lambda: alert not in self.windows(), "message box %r to close" % (shown,))
        return shown

    def expect_box(self, caption, message, kind=None, button="OK", timeout=WAIT_S):
        shown = self.answer_box(button, timeout)
        expected = Box(caption, message, kind or shown.kind)
        assert shown == expected, "expected %r, saw %r" % (expected, shown)

    # the connection dialog
    def fill_connection(self, ip, port, terminal_type, title="ORV-Terminal Conf"):
        """Types the parameters into the shown connection dialog of that title
        and presses OK; returns the dialog. Tests talk to loopback peers only."""
        assert ip.startswith("127."), "not a loopback address: %s" % ip
        dialog = self.window(title)
        fields = sorted(find_all(dialog, "text", where=lambda n: extents(n)[2] == 28), key=lambda n: extents(n)[0])
        assert len(fields) == 4, "the IP control has %d fields" % len(fields)
        port_field = find(dialog, "text", where=lambda n: extents(n)[2] == 50)
        for field, part in zip(fields + [port_field], ip.split(".") + [port]):
            replace_text(field, part)
            wait_until(lambda: text(field) == part, "the dialog's field to read %r" % part)
        choose(self.app, find(dialog, "combo box"), terminal_type)
        click(find(dialog, "push button", "OK"))
        return dialog

    # menus
    def menu(self, title, item):
        frame = self.frame
        click(find(frame, "menu", title))
        entry = wait_until(lambda: find(frame, "menu item", item), "menu item %r" % item)
        click(entry)

    # ending
    def quit(self, timeout=20):
        """File > Quit; returns the exit status."""
        self.menu("File", "Quit")
        return self.wait_exit(timeout)

    def wait_exit(self, timeout=20):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("the program did not end within %d s" % timeout)

    def output_text(self):
        if not self.output.closed:
            self.output.flush()
        with open(self.log_path, errors="replace") as stream:
            return stream.read()

    def stop(self):
        """Ends the program if a test left it running, and cleans up."""
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=10)
        self.output.close()
        if self.own_workdir and os.environ.get("ORV_E2E_KEEP") is None:
            shutil.rmtree(self.workdir, ignore_errors=True)
