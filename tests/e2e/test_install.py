#!/usr/bin/python3
"""The Debian packages: orv-terminal and orv-modbus are built from the build
directory with CPack, their dependencies resolve on this machine, and once
unpacked the launcher starts the program, from anywhere, in the user's data
folder where it finds its images, and passes its arguments on; File > Quit
ends it with status 0. orv-modbus, which the terminal's package depends on,
is on the PATH."""
import glob
import os
import subprocess

from driver import BUILD_DIR, children, extents, find, role, screen_pixels, wait_until
from harness import ProgramTestCase, main
from screens import UartTerminal

PACKAGE_FILES = (
    "usr/bin/orv-terminal",
    "usr/bin/orv-modbus",
    "usr/libexec/orv-terminal/orv-terminal",
    "usr/share/applications/orv-terminal.desktop",
    "usr/share/icons/hicolor/128x128/apps/orv-terminal.png",
    "usr/share/orv-terminal/icons/logo.jpg",
    "usr/share/orv-terminal/icons/connectbtn.jpg",
)


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, check=True, timeout=300).stdout


def image_size(node):
    return tuple(node.queryImage().getImageSize())


def dark_pixels(box):
    """Pixels of a screen area dark enough to be lettering."""
    return sum(1 for r, g, b in screen_pixels(box) if r + g + b < 240)


def blue_pixels(box):
    """Pixels of a screen area in the logo's blue."""
    return sum(1 for r, g, b in screen_pixels(box) if b > r + 80)


class InstallTest(ProgramTestCase):

    def build_packages(self):
        out = self.path("package")
        run("cpack", "-G", "DEB", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"), "-B", out)
        packages = sorted(glob.glob(os.path.join(out, "*.deb")))
        self.assertEqual([os.path.basename(p) for p in packages],
                         ["orv-modbus_1.0.4_amd64.deb", "orv-terminal_1.0.4_amd64.deb"])
        return packages

    def test_package_installs_and_its_launcher_starts_the_program_with_its_images(self):
        packages = self.build_packages()
        self.assertEqual(run("dpkg-deb", "-f", packages[1], "Package", "Version").split(),
                         ["Package:", "orv-terminal", "Version:", "1.0.4"])
        self.assertIn("orv-modbus (= 1.0.4)", run("dpkg-deb", "-f", packages[1], "Depends"))
        # Their dependencies resolve here (a simulated install changes nothing).
        simulated = run("apt-get", "install", "--simulate", "-q", *packages)
        self.assertIn("Inst orv-terminal", simulated)
        self.assertIn("Inst orv-modbus", simulated)

        root = self.path("root")
        for package in packages:
            run("dpkg-deb", "-x", package, root)
        for name in PACKAGE_FILES:
            self.assertTrue(os.path.isfile(os.path.join(root, name)), name)
        with open(os.path.join(root, "usr/share/applications/orv-terminal.desktop")) as stream:
            entry = dict(line.rstrip("\n").split("=", 1) for line in stream if "=" in line)
        self.assertEqual((entry["Exec"], entry["Icon"], entry["Type"]), ("orv-terminal", "orv-terminal",
                                                                         "Application"))

        # Started from a folder without images, as a desktop would start it.
        elsewhere = self.path("elsewhere")
        os.mkdir(elsewhere)
        data = self.path("data")
        env = dict(os.environ, HOME=self.path("home"), XDG_DATA_HOME=data)
        for name, version in (("orv-terminal", "ORV-Terminal 1.0.4"), ("orv-modbus", "orv-modbus 1.0.4")):
            said = subprocess.run([os.path.join(root, "usr/bin", name), "--version"], capture_output=True, text=True,
                                  timeout=30, env=env, cwd=elsewhere)
            self.assertEqual((said.returncode, said.stdout), (0, version + "\n"), said.stderr)
        program = self.start_program(command=[os.path.join(root, "usr/bin/orv-terminal")], workdir=elsewhere,
                                     env=env)
        home = os.path.join(data, "orv-terminal")
        self.assertEqual(os.readlink("/proc/%d/cwd" % program.process.pid), home)
        self.assertEqual(os.path.realpath(os.path.join(home, "icons")),
                         os.path.realpath(os.path.join(root, "usr/share/orv-terminal/icons")))

        frame = program.frame
        logo = find(frame, "icon", where=lambda n: extents(n)[2:] == (200, 50))
        self.assertEqual(image_size(logo), (200, 50))
        # The logo lies under the shown panel, which must not paint over it.
        wait_until(lambda: blue_pixels(extents(logo)) > 400, "the logo on screen")
        terminal = UartTerminal(program)
        status_icon = next(c for c in children(terminal.panel) if role(c) == "icon")
        self.assertEqual(image_size(status_icon), (25, 25))
        # A bitmap button shows its face: the lettering of the image, which a
        # button without its image lacks.
        wait_until(lambda: dark_pixels(extents(terminal.connect_button)) > 40, "the connect button's face")
        self.quit_cleanly(program)


if __name__ == "__main__":
    main()
