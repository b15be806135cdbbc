#!/bin/sh
# Installs the Debian packages the build, the program and the tests need,
# only those that are missing. Run as root (or with sudo available).
set -eu

PACKAGES="cmake make g++ pkg-config libwxgtk3.2-dev libgtest-dev googletest
xvfb xauth socat python3 python3-pymodbus clang libclang-rt-14-dev
python3-pyatspi at-spi2-core dbus dbus-x11 xdotool fonts-dejavu-core
dpkg-dev imagemagick"

missing=""
for package in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $package" ;;
    esac
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing:$missing"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
# shellcheck disable=SC2086
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
