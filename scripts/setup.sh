#!/bin/sh
# Installs every Debian package the build, the demo and the tests need.
# Safe to run again: apt-get skips what is already there.
set -eu

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

export DEBIAN_FRONTEND=noninteractive

$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    cmake ninja-build g++ pkg-config \
    gsoap libgsoap-dev libssl-dev zlib1g-dev \
    libgtest-dev libgmock-dev \
    libcurl4-openssl-dev curl openssl ca-certificates g++-mingw-w64-x86-64 \
    qt6-base-dev qt6-base-dev-tools libqt6svg6 \
    xvfb xauth x11-utils trayer xdotool imagemagick \
    python3 procps
