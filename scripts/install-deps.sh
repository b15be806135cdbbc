#!/bin/sh
# Installs the Debian packages the build, the program and the tests need,
# only those that are missing, then checks that each tool and module they
# use really works. Run as root (or with sudo available).
set -eu

# python3-pymodbus's server imports serial and serial_asyncio, which Debian
# only recommends: they are named here because recommends are not installed.
PACKAGES="cmake make g++ pkg-config libwxgtk3.2-dev libgtk-3-dev libgtest-dev
googletest libcli11-dev nlohmann-json3-dev xvfb xauth socat python3
python3-pymodbus python3-serial python3-serial-asyncio clang
libclang-rt-14-dev python3-pyatspi at-spi2-core dbus dbus-x11 xdotool
fonts-dejavu-core dpkg-dev imagemagick"

missing=""
for package in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $package" ;;
    esac
done

if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    echo "Installing:$missing"
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    # shellcheck disable=SC2086
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi

# A package can be installed and still not give what the tests use (a module
# it only recommends, a launcher moved elsewhere): try each one.
failed=0
need() {  # need PACKAGE DESCRIPTION COMMAND...
    package=$1 what=$2
    shift 2
    if ! "$@" >/dev/null 2>&1; then
        echo "install-deps: $what does not work; install the Debian package $package" >&2
        failed=1
    fi
}
need cmake "cmake" cmake --version
need g++ "the C++ compiler g++" g++ --version
need clang "the C++ compiler clang++" clang++ --version
need pkg-config "pkg-config" pkg-config --version
need libwxgtk3.2-dev "wx-config for wxWidgets 3.2" wx-config --version
need libgtk-3-dev "the GTK 3 headers" pkg-config --exists gtk+-3.0
need libgtest-dev "GoogleTest" test -f /usr/include/gtest/gtest.h
need libcli11-dev "CLI11" test -f /usr/include/CLI/CLI.hpp
need nlohmann-json3-dev "nlohmann JSON" test -f /usr/include/nlohmann/json.hpp
need xvfb "Xvfb" sh -c 'command -v Xvfb'
need xvfb "xvfb-run" sh -c 'command -v xvfb-run'
need socat "socat" socat -V
need xdotool "xdotool" xdotool --version
need imagemagick "ImageMagick's convert" convert -version
need at-spi2-core "the accessibility bus launcher" test -x /usr/libexec/at-spi-bus-launcher
need dbus "dbus-run-session" sh -c 'command -v dbus-run-session'
need dpkg-dev "dpkg-deb" dpkg-deb --version
for module in pymodbus.server pymodbus.framer.rtu_framer pymodbus.datastore; do
    need "python3-pymodbus python3-serial python3-serial-asyncio" "the Python module $module" \
        /usr/bin/python3 -c "import $module"
done
need python3-serial "the Python module serial" /usr/bin/python3 -c "import serial"
need python3-serial-asyncio "the Python module serial_asyncio" /usr/bin/python3 -c "import serial_asyncio"
need python3-pyatspi "the Python module pyatspi" /usr/bin/python3 -c "import pyatspi"
exit $failed
