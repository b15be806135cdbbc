#!/usr/bin/python3
"""Media streaming driven as a user would: a file chosen with Extra > Stream
media File goes out over the UART connection, with play, pause and
backward, to a serial device behind a socat TCP-to-pty bridge.

The device reads only when the test says so, so a stream fills the buffers
on its way (socket, bridge, pty) and stalls: pausing then leaves part of
the file unsent, which play must send without losing or repeating a byte."""
import os

from driver import click, find, find_all, text, wait_until
from harness import ProgramTestCase, main
from screens import UartTerminal

# Far more than the buffers on the way hold.
LARGE_SIZE = 16 << 20


class UartMediaTest(ProgramTestCase):

    def setUp(self):
        super().setUp()
        self.device = self.serial_device()
        self.program = self.start_program()
        self.terminal = UartTerminal(self.program)

    def connect(self):
        self.program.fill_connection("127.0.0.1", str(self.device.port), "UART")
        self.program.no_window("ORV-Terminal Conf")
        self.terminal.connect()
        wait_until(self.device.connected, "the bridge to take the connection")

    def media_file(self, name, size):
        """A file of random bytes in the program's working directory, where
        the file chooser opens."""
        content = os.urandom(size)
        with open(os.path.join(self.program.workdir, name), "wb") as stream:
            stream.write(content)
        return content

    def choose_media(self, name):
        self.program.menu("Extra", "Stream media File")
        self.program.choose_file("Choose a file", name, "Open")
        wait_until(lambda: find(self.terminal.panel, "label", "Selected media stream:\n" + name),
                   "the panel to name %r" % name)

    def test_a_file_goes_out_whole_each_time_it_is_played(self):
        content = self.media_file("clip.mp3", 300 * 1024 + 88)
        self.connect()
        self.choose_media("clip.mp3")
        self.terminal.press("play")
        self.assertEqual(self.device.read(len(content)), content)
        self.assertEqual(self.device.read_until_quiet(quiet=1.0), b"")
        # The stream has ended; play starts a new one from the beginning.
        self.terminal.press("play")
        self.assertEqual(self.device.read(len(content)), content)
        # Loop does nothing.
        self.terminal.press("loop")
        self.assertEqual(self.device.read_until_quiet(quiet=1.0), b"")
        self.quit_cleanly(self.program)

    def test_pause_and_play_lose_and_repeat_nothing(self):
        content = self.media_file("long.ogg", LARGE_SIZE)
        self.connect()
        self.choose_media("long.ogg")
        self.terminal.press("play")
        received = self.device.read(1 << 20, timeout=30)
        self.terminal.press("pause")
        received += self.device.read_until_quiet(quiet=1.0, timeout=60)
        self.assertLess(len(received), len(content), "the pause held nothing back")
        self.terminal.press("play")
        received += self.device.read(len(content) - len(received), timeout=60)
        self.assertEqual(received, content)
        self.assertEqual(self.device.read_until_quiet(quiet=1.0), b"")
        self.quit_cleanly(self.program)

    def test_backward_ends_the_stream_and_play_starts_again(self):
        content = self.media_file("movie.mp4", LARGE_SIZE)
        self.connect()
        self.choose_media("movie.mp4")
        self.terminal.press("play")
        received = self.device.read(1 << 20, timeout=30)
        self.terminal.press("backward")
        received += self.device.read_until_quiet(quiet=1.0, timeout=60)
        self.assertLess(len(received), len(content), "backward did not end the stream")
        self.assertEqual(received, content[:len(received)])
        self.terminal.press("play")
        self.assertEqual(self.device.read(len(content), timeout=60), content)
        self.quit_cleanly(self.program)

    # The program builds the path from the folder the chooser shows and the
    # name, so a full path typed into the chooser loses its folder: nothing
    # goes out (the file is not found and streaming fails silently).
    def test_a_file_typed_with_its_full_path(self):
        os.mkdir(self.path("elsewhere"))
        far = self.path("elsewhere/far.mp3")
        content = os.urandom(4096)
        with open(far, "wb") as stream:
            stream.write(content)
        self.connect()
        self.program.menu("Extra", "Stream media File")
        self.program.choose_file("Choose a file", far, "Open")
        self.terminal.press("play")
        self.assertEqual(self.device.read(len(content), timeout=5), content)

    def test_quitting_while_a_stream_runs(self):
        self.media_file("live.avi", LARGE_SIZE)
        self.connect()
        self.choose_media("live.avi")
        self.terminal.press("play")
        self.device.read(1 << 20, timeout=30)
        # The stream is stalled in a full socket now: it must not hold up the end.
        self.quit_cleanly(self.program)

    def test_media_buttons_need_a_connection(self):
        self.media_file("song.mp3", 1000)
        click(find(self.program.window("ORV-Terminal Conf"), "push button", "Cancel"))
        self.program.no_window("ORV-Terminal Conf")
        # The menu command needs no connection; the buttons do.
        self.choose_media("song.mp3")
        for button in ("play", "pause", "backward", "loop"):
            self.terminal.press(button)
            self.program.expect_box("Error", "You have to connect first.", kind="Error")
        # The caption follows the newest choice.
        self.media_file("other.flv", 10)
        self.choose_media("other.flv")
        self.assertFalse(find_all(self.terminal.panel, "label", where=lambda n: "song.mp3" in text(n)))
        self.quit_cleanly(self.program)


if __name__ == "__main__":
    main()
