#!/bin/sh
# Installs the Debian packages that building and running the terminal need,
# and with --test also those the tests need, only those that are missing;
# then checks that each tool and module they use really works.
# Usage: install-deps.sh [--test]
set -eu

# Building and running: the compiler, wxWidgets with the GTK headers the
# program's style speaks to, the command line's parser and JSON, PCRE2 (the
# regular expressions matched in received data), libpcap (orv-modbus's
# traffic captures), the hardening flags (dpkg-buildflags) and the font the
# images and screenshots use.
RUN_PACKAGES="cmake make g++ pkg-config libwxgtk3.2-dev libgtk-3-dev libcli11-dev
nlohmann-json3-dev libpcre2-dev libpcap-dev dpkg-dev fonts-dejavu-core"
# The tests: GoogleTest, clang for the sanitizer runs and the fuzzer, a
# virtual display, the loopback peers (socat, pymodbus: its server imports
# serial and serial_asyncio, which Debian only recommends), the accessibility
# bus and input tools of the end-to-end tests, ImageMagick, the checkers of
# the packages, a real window manager with the X tools that read its
# stacking order (the layout tests run under one too: users always have one),
# and tshark, which reads the traffic captures back.
TEST_PACKAGES="libgtest-dev googletest clang libclang-rt-14-dev xvfb xauth socat
python3 python3-pymodbus python3-serial python3-serial-asyncio python3-pyatspi
at-spi2-core dbus dbus-x11 xdotool imagemagick lintian appstream
desktop-file-utils man-db openbox x11-utils tshark"

with_tests=0
case "${1:-}" in
    --test) with_tests=1 ;;
    "") ;;
    *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac
packages=$RUN_PACKAGES
[ "$with_tests" -eq 0 ] || packages="$packages $TEST_PACKAGES"

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $package" ;;
    esac
done

# Waits for another installation that holds the package lists' lock instead
# of failing at once (apt-get's lock time-out covers only dpkg's own lock).
update_lists() {
    for attempt in $(seq 1 120); do
        if output=$($SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq 2>&1); then
            return 0
        fi
        case "$output" in
            *"Could not get lock"*) ;;
            *) echo "$output" >&2; return 1 ;;
        esac
        [ "$attempt" -eq 1 ] && echo "install-deps: waiting for another package installation to end" >&2
        sleep 5
    done
    echo "$output" >&2
    return 1
}

if [ -n "$missing" ]; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "install-deps: these Debian packages are missing:$missing" >&2
            echo "install-deps: run this script as root (there is no sudo here) to install them" >&2
            exit 1
        fi
        SUDO="sudo"
    fi
    echo "Installing:$missing"
    update_lists
    # shellcheck disable=SC2086
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=600 $missing
fi

# A package can be installed and still not give what is used (a module it
# only recommends, a launcher moved elsewhere): try each one.
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
need pkg-config "pkg-config" pkg-config --version
need libwxgtk3.2-dev "wx-config for wxWidgets 3.2" wx-config --version
need libgtk-3-dev "the GTK 3 headers" pkg-config --exists gtk+-3.0
need libcli11-dev "CLI11" test -f /usr/include/CLI/CLI.hpp
need nlohmann-json3-dev "nlohmann JSON" test -f /usr/include/nlohmann/json.hpp
need libpcre2-dev "PCRE2" pkg-config --exists libpcre2-8
need dpkg-dev "dpkg-buildflags" dpkg-buildflags --version
need libpcap-dev "the libpcap headers" test -f /usr/include/pcap/pcap.h
[ "$with_tests" -eq 1 ] || exit $failed

need clang "the C++ compiler clang++" clang++ --version
need libgtest-dev "GoogleTest" test -f /usr/include/gtest/gtest.h
need xvfb "Xvfb" sh -c 'command -v Xvfb'
need xvfb "xvfb-run" sh -c 'command -v xvfb-run'
need socat "socat" socat -V
need xdotool "xdotool" xdotool --version
need imagemagick "ImageMagick's convert" convert -version
need at-spi2-core "the accessibility bus launcher" test -x /usr/libexec/at-spi-bus-launcher
need dbus "dbus-run-session" sh -c 'command -v dbus-run-session'
need dpkg-dev "dpkg-deb" dpkg-deb --version
need lintian "lintian" lintian --version
need appstream "appstreamcli" appstreamcli --version
need desktop-file-utils "desktop-file-validate" sh -c 'command -v desktop-file-validate'
need man-db "man" man --version
need openbox "openbox" openbox --version
need x11-utils "xprop" sh -c 'command -v xprop'
need tshark "tshark" tshark --version
for module in pymodbus.server pymodbus.framer.rtu_framer pymodbus.datastore; do
    need "python3-pymodbus python3-serial python3-serial-asyncio" "the Python module $module" \
        /usr/bin/python3 -c "import $module"
done
need python3-serial "the Python module serial" /usr/bin/python3 -c "import serial"
need python3-serial-asyncio "the Python module serial_asyncio" /usr/bin/python3 -c "import serial_asyncio"
need python3-pyatspi "the Python module pyatspi" /usr/bin/python3 -c "import pyatspi"
exit $failed
