"""Real peers on loopback for the end-to-end tests: a serial device behind a
socat TCP-to-pty bridge, a local serial device as a socat pty pair, and the
independent pymodbus server."""
import os
import re
import select
import subprocess
import threading
import time
import tty

HERE = os.path.dirname(os.path.abspath(__file__))
MODBUS_SERVER = os.path.join(HERE, "..", "support", "modbus_server.py")
MODBUS_PORT = 65100
START_TIMEOUT_S = 15


class _LineWatcher:
    """Collects a child's lines on a thread, so that reading them never blocks a test."""

    def __init__(self, stream):
        self.lines = []
        self._ready = threading.Condition()
        self._thread = threading.Thread(target=self._collect, args=(stream,), daemon=True)
        self._thread.start()

    def _collect(self, stream):
        for raw in stream:
            with self._ready:
                self.lines.append(raw.decode(errors="replace"))
                self._ready.notify_all()

    def wait_for(self, pattern, what, timeout=START_TIMEOUT_S):
        deadline = time.monotonic() + timeout
        with self._ready:
            while True:
                for line in self.lines:
                    match = re.search(pattern, line)
                    if match:
                        return match
                left = deadline - time.monotonic()
                if left <= 0:
                    raise AssertionError("%s did not start: %s" % (what, "".join(self.lines)))
                self._ready.wait(left)


class SerialDevice:
    """The device on the module's serial line: socat listens on 127.0.0.1 (one
    connection) and bridges it to a pseudo-terminal that the test reads and
    writes. Bytes the program sends come out of the pty; bytes written to the
    pty reach the program."""

    def __init__(self, directory, host="127.0.0.1"):
        self.link = os.path.join(directory, "vtty")
        # PTY first: its link exists before any client connects.
        self.process = subprocess.Popen(
            ["socat", "-d", "-d", "PTY,link=%s,raw,echo=0" % self.link, "TCP-LISTEN:0,bind=%s,reuseaddr" % host],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self._watcher = _LineWatcher(self.process.stderr)
        try:
            self.port = int(self._watcher.wait_for(r"listening on AF=2 [0-9.]+:(\d+)", "socat").group(1))
        except AssertionError:
            self._end()
            raise
        self.host = host
        self.fd = os.open(self.link, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        tty.setraw(self.fd)

    def connected(self):
        return any("accepting connection" in line for line in self._watcher.lines)

    def write(self, data):
        view = memoryview(data)
        deadline = time.monotonic() + START_TIMEOUT_S
        while view:
            select.select([], [self.fd], [], 0.5)
            try:
                view = view[os.write(self.fd, view):]
            except BlockingIOError:
                pass
            if time.monotonic() > deadline:
                raise AssertionError("the serial line took no bytes")

    def read(self, count, timeout=10.0):
        """Exactly `count` bytes, or AssertionError with what came."""
        data = bytearray()
        deadline = time.monotonic() + timeout
        while len(data) < count:
            left = deadline - time.monotonic()
            if left <= 0:
                raise AssertionError("expected %d bytes on the serial line, got %d: %r"
                                     % (count, len(data), bytes(data[:64])))
            data += self._read_some(min(left, 0.5), count - len(data))
        return bytes(data)

    def read_until_quiet(self, quiet=1.0, timeout=30.0):
        """Everything that arrives until the line stays quiet for `quiet` seconds."""
        data = bytearray()
        deadline = time.monotonic() + timeout
        last = time.monotonic()
        while time.monotonic() - last < quiet:
            if time.monotonic() > deadline:
                raise AssertionError("the serial line did not fall quiet within %.0f s" % timeout)
            piece = self._read_some(0.1, 1 << 16)
            if piece:
                data += piece
                last = time.monotonic()
        return bytes(data)

    def _read_some(self, wait, limit):
        ready, _, _ = select.select([self.fd], [], [], wait)
        if not ready:
            return b""
        try:
            return os.read(self.fd, limit)
        except (BlockingIOError, OSError):
            return b""

    def close(self):
        os.close(self.fd)
        self._end()

    def _end(self):
        if self.process.poll() is None:
            self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stderr.close()


class PtyPair(SerialDevice):
    """A local serial device and the far end of its line: two linked
    pseudo-terminals at DIRECTORY/a (the program's device) and DIRECTORY/b
    (read and written by the test) while socat runs."""

    def __init__(self, directory):
        self.device = os.path.join(directory, "a")
        far = os.path.join(directory, "b")
        self.process = subprocess.Popen(
            ["socat", "-d", "-d", "pty,raw,echo=0,link=%s" % self.device, "pty,raw,echo=0,link=%s" % far],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self._watcher = _LineWatcher(self.process.stderr)
        try:
            self._watcher.wait_for(r"starting data transfer loop", "socat")
        except AssertionError:
            self._end()
            raise
        self.fd = os.open(far, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        tty.setraw(self.fd)

    def unplug(self):
        """Both ends go, as an adapter pulled out."""
        os.close(self.fd)
        self.fd = None
        self._end()

    def close(self):
        if self.fd is not None:
            os.close(self.fd)
        self._end()


class ModbusGateway:
    """The independent pymodbus server (RTU frames over TCP, or Modbus TCP
    with framing "tcp") on host:65100, the Modbus terminal's default port;
    each test module takes a loopback address of its own."""

    def __init__(self, host, framing="rtu"):
        self.host = host
        self.process = subprocess.Popen(["/usr/bin/python3", MODBUS_SERVER, host, str(MODBUS_PORT), framing],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self._watcher = _LineWatcher(self.process.stdout)
        try:
            self._watcher.wait_for(r"LISTENING", "the pymodbus server on %s:%d" % (host, MODBUS_PORT))
        except AssertionError:
            self.close()
            raise

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()
