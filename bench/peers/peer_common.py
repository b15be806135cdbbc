"""What the peer benchmarks share: how the programs are reached from the
loopback "module" (a Reach per link mode), how a receiving program is started
and made ready, and how its own CPU time and memory are read.

A Reach knows the link mode only: the commands that make each program talk to
the module that way, and the module's end of the link once the program is
there. What the module sends and when is the sender's business, so a new link
mode of the terminal is one more Reach and a few scenario rows.
"""
import fcntl
import os
import signal
import socket
import struct
import subprocess
import termios
import time

START_TIMEOUT_S = 30
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
# A module's own buffer is small; the system's default for a loopback sender
# would hold megabytes that count as sent but are not on their way yet.
MODULE_SEND_BUFFER = 64 * 1024


LINE_BYTES = 80


def data_line(number, breaks=True):
    """The module's line `number`: 78 characters ending in CR LF, or in two
    dots where the data has no line breaks. The number leads, so a receiver's
    view tells how far it has shown."""
    text = "%08d The quick brown fox jumps over the lazy dog 0123456789 abcdefghijklmn" % number
    return (text[:78] + ("\r\n" if breaks else "..")).encode("ascii")


def cpu_seconds(pid):
    """The process's own CPU time so far: utime + stime."""
    with open("/proc/%d/stat" % pid) as stream:
        fields = stream.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def peak_mib(pid):
    with open("/proc/%d/status" % pid) as stream:
        for line in stream:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return 0.0


def load_average():
    with open("/proc/loadavg") as stream:
        return float(stream.read().split()[0])


def xdotool(*args, check=True):
    return subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True, timeout=30,
                          check=check).stdout


def wait_for_window(pid, name=None):
    """The id of a visible window of the process (with the name, if given)."""
    deadline = time.monotonic() + START_TIMEOUT_S
    while time.monotonic() < deadline:
        # Without --all a window matches by its process or by its name.
        args = ["search", "--all", "--onlyvisible", "--pid", pid] + (["--name", name] if name else [])
        found = xdotool(*args, check=False).split()
        if found:
            return found[0]
        time.sleep(0.1)
    raise RuntimeError("no window %s of process %d" % (name or "", pid))


class StreamEnd:
    """The module's end of a TCP link: non-blocking, small send buffer, each
    piece sent at once."""

    def __init__(self, connection):
        self.connection = connection
        connection.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, MODULE_SEND_BUFFER)
        connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        connection.setblocking(False)
        self.local_port = connection.getsockname()[1]
        self.remote_port = connection.getpeername()[1]

    def send(self, data):
        """Bytes of `data` taken; 0 when the receiver holds the line up."""
        try:
            return self.connection.send(data)
        except BlockingIOError:
            return 0

    def unsent(self):
        """Bytes still in the module's socket, not yet read by the program."""
        return (struct.unpack("i", fcntl.ioctl(self.connection.fileno(), termios.TIOCOUTQ, b"\0\0\0\0"))[0] +
                unread_bytes(self.remote_port, self.local_port))

    def close(self):
        self.connection.close()


def unread_bytes(local_port, remote_port):
    """Bytes the receiver's socket (local_port to remote_port) holds unread."""
    with open("/proc/net/tcp") as stream:
        next(stream)
        for line in stream:
            fields = line.split()
            local, remote = fields[1].split(":")[1], fields[2].split(":")[1]
            if int(local, 16) == local_port and int(remote, 16) == remote_port:
                return int(fields[4].split(":")[1], 16)
    return 0


class TcpClientReach:
    """The terminal connects to the module, as to a module that is a TCP
    server: the module listens on 127.0.0.1."""
    name = "tcp-client"
    programs = ("orv-terminal", "putty")

    def __init__(self):
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.listener.settimeout(START_TIMEOUT_S)
        self.port = self.listener.getsockname()[1]

    def command(self, kind, program):
        if kind == "orv-terminal":
            return [program, "--uart", "127.0.0.1:%d" % self.port, "--connect"]
        return ["putty", "-raw", "-P", str(self.port), "127.0.0.1"]

    def open(self, receiver):
        """The module's end once the program is connected and ready."""
        connection, _ = self.listener.accept()
        end = StreamEnd(connection)
        receiver.settle()
        return end

    def close(self):
        self.listener.close()


def free_port(kind):
    with socket.socket(socket.AF_INET, kind) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class TcpServerReach:
    """The module connects to the terminal, which listens on 127.0.0.1 (a
    module that is a TCP client). PuTTY cannot listen."""
    name = "tcp-server"
    programs = ("orv-terminal",)

    def __init__(self):
        self.port = free_port(socket.SOCK_STREAM)

    def command(self, kind, program):
        return [program, "--uart", "127.0.0.1:%d" % self.port, "--link", "server", "--listen-address", "127.0.0.1",
                "--connect"]

    def open(self, receiver):
        """The module's end once it got in; the terminal shows no box."""
        deadline = time.monotonic() + START_TIMEOUT_S
        while True:
            connection = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            try:
                connection.connect(("127.0.0.1", self.port))
                break
            except ConnectionRefusedError:
                connection.close()
                if time.monotonic() > deadline:
                    raise RuntimeError("orv-terminal does not listen on %d" % self.port)
                time.sleep(0.1)
        end = StreamEnd(connection)
        receiver.settle(boxed=False)
        return end

    def close(self):
        pass


class DatagramEnd:
    """The module's end of a UDP link: each line one datagram, sent at once."""

    def __init__(self, module, terminal_port):
        self.module = module
        self.terminal_port = terminal_port
        module.setblocking(False)

    def send(self, data):
        """Bytes of `data` taken, whole lines only."""
        taken = 0
        while len(data) - taken >= LINE_BYTES:
            try:
                self.module.sendto(data[taken:taken + LINE_BYTES], ("127.0.0.1", self.terminal_port))
            except BlockingIOError:
                break
            taken += LINE_BYTES
        return taken

    def unsent(self):
        """Bytes waiting in the terminal's socket, not yet read."""
        queued = udp_queue(self.terminal_port)
        return queued if queued is not None else 0

    def close(self):
        self.module.close()


def udp_queue(local_port):
    """Bytes queued for reading on the UDP socket bound to local_port, None
    while there is none."""
    with open("/proc/net/udp") as stream:
        next(stream)
        for line in stream:
            fields = line.split()
            if int(fields[1].split(":")[1], 16) == local_port:
                return int(fields[4].split(":")[1], 16)
    return None


class UdpReach:
    """Datagrams both ways on 127.0.0.1. PuTTY has no UDP."""
    name = "udp"
    programs = ("orv-terminal",)

    def __init__(self):
        self.module = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.module.bind(("127.0.0.1", 0))
        self.terminal_port = free_port(socket.SOCK_DGRAM)

    def command(self, kind, program):
        return [program, "--uart", "127.0.0.1:%d" % self.module.getsockname()[1], "--link", "udp", "--local-port",
                str(self.terminal_port), "--listen-address", "127.0.0.1", "--connect"]

    def open(self, receiver):
        """The module's end once the terminal has bound its port."""
        deadline = time.monotonic() + START_TIMEOUT_S
        while udp_queue(self.terminal_port) is None:
            if time.monotonic() > deadline:
                raise RuntimeError("orv-terminal does not receive on %d" % self.terminal_port)
            time.sleep(0.1)
        receiver.settle(boxed=False)
        return DatagramEnd(self.module, self.terminal_port)

    def close(self):
        self.module.close()


# Link modes by name, each named by scenarios.
REACHES = {reach.name: reach for reach in (TcpClientReach, TcpServerReach, UdpReach)}


class Receiver:
    """One run of a receiving program, started with `command` in `workdir`."""

    def __init__(self, kind, command, workdir, icons=None, stamped=False, accessible=True):
        self.kind = kind
        self.stamped = stamped and kind == "orv-terminal"
        self.accessible = accessible
        self.started = time.monotonic()
        config = os.path.join(workdir, "config")
        env = dict(os.environ, HOME=workdir, XDG_CONFIG_HOME=config)
        if not accessible:
            # Off the accessibility bus, the options come from the settings
            # the terminal keeps between runs.
            env["NO_AT_BRIDGE"] = "1"
            if self.stamped:
                os.makedirs(os.path.join(config, "orv-terminal"))
                with open(os.path.join(config, "orv-terminal", "orv-terminal.conf"), "w") as stream:
                    stream.write("[UART]\nTimestamp=1\nWrap=1\n")
        if kind == "orv-terminal" and icons:
            os.symlink(icons, os.path.join(workdir, "icons"))
        self.process = subprocess.Popen(command, cwd=workdir, env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    @property
    def pid(self):
        return self.process.pid

    def settle(self, boxed=True):
        """Waits until the receiver is ready, as a user would see it:
        orv-terminal's "Connection successful" box is answered and, when
        stamped, "Write Timestamp" and "Wrap packets" are ticked."""
        if self.kind == "orv-terminal" and boxed:
            box = wait_for_window(self.process.pid, "^Connected$")
            xdotool("windowfocus", "--sync", box)
            xdotool("key", "--window", box, "Return")
            deadline = time.monotonic() + START_TIMEOUT_S
            while xdotool("search", "--all", "--onlyvisible", "--pid", self.process.pid, "--name", "^Connected$",
                          check=False).split():
                if time.monotonic() > deadline:
                    raise RuntimeError("the connection box stays open")
                time.sleep(0.05)
        if self.kind == "orv-terminal":
            if not boxed:
                wait_for_window(self.process.pid)
            if self.stamped and self.accessible:
                self.check_timestamp_and_wrap()
        else:
            wait_for_window(self.process.pid)

    def check_timestamp_and_wrap(self):
        import pyatspi  # only stamped runs need the accessibility bus
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.get_process_id() == self.process.pid:
                break
        else:
            raise RuntimeError("orv-terminal is not on the accessibility bus")
        wanted = {"Write Timestamp", "Wrap packets"}
        boxes = []
        stack = [app]
        while stack:
            node = stack.pop()
            try:
                if node.getRoleName() == "check box" and node.name in wanted:
                    wanted.discard(node.name)
                    boxes.append(node)
                stack.extend(node[i] for i in range(node.childCount))
            except Exception:  # a window that came or went meanwhile
                continue
        if wanted:
            raise RuntimeError("check boxes not found: %s" % ", ".join(sorted(wanted)))
        # A click given while the window is still settling after the box can
        # be lost: each box unticked after a while is clicked again.
        for _ in range(5):
            for box in boxes:
                if not box.getState().contains(pyatspi.STATE_CHECKED):
                    box.queryAction().doAction(0)
            deadline = time.monotonic() + 2.0
            while time.monotonic() < deadline:
                if all(box.getState().contains(pyatspi.STATE_CHECKED) for box in boxes):
                    return
                time.sleep(0.05)
        raise RuntimeError("the check boxes stay unticked")

    def alive(self):
        return self.process.poll() is None

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
        self.process.wait(timeout=30)
