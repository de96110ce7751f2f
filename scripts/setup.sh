#!/bin/sh
# Installs every Debian package the build, the demo and the tests need.
# Safe to run again: apt-get skips what is already there.
set -eu

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

export DEBIAN_FRONTEND=noninteractive

# Source packages too: the SOAP runtime is compiled from gSOAP's own source.
if ! grep -Eqrs '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d; then
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    # The mirror the machine already uses for the release's binary packages.
    uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
        /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk -v release="$codename" -f "$(dirname "$0")/apt-mirror.awk")
    if [ -z "$uri" ]; then
        echo "setup.sh: apt has no source for Debian $codename in /etc/apt; add the machine's" >&2
        echo "mirror for $codename there first (the build needs its source packages too)." >&2
        exit 1
    fi
    $SUDO tee /etc/apt/sources.list.d/debian-src.sources >/dev/null <<EOF
Types: deb-src
URIs: $uri
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
fi

# Another apt process (unattended upgrades right after boot) may hold the lock: wait for it.
apt_wait="-o DPkg::Lock::Timeout=600"
$SUDO apt-get $apt_wait update
$SUDO apt-get $apt_wait install -y --no-install-recommends \
    cmake ninja-build g++ pkg-config clang libclang-rt-14-dev valgrind \
    gsoap libgsoap-dev libssl-dev zlib1g-dev dpkg-dev patch \
    libgtest-dev libgmock-dev \
    libcurl4-openssl-dev curl openssl ca-certificates g++-mingw-w64-x86-64 wine64 wine \
    qt6-base-dev qt6-base-dev-tools libqt6svg6 \
    xvfb xauth x11-utils trayer xdotool imagemagick tesseract-ocr \
    dbus-daemon dbus-bin xfce4-panel xfconf xfce4-notifyd dunst libnotify-bin libglib2.0-bin \
    python3 python3-gi procps \
    plasma-workspace plasma-desktop kwin-x11 kded5 \
    gnome-shell gnome-shell-extension-appindicator gjs \
    lxqt-panel lxqt-notificationd openbox sway waybar mako-notifier qt6-wayland \
    dpkg-dev file lintian desktop-file-utils man-db
