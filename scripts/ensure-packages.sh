#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need, when
# any of them is missing. Sourced by test.sh and run.sh.

m8163_packages=(
    cmake g++ ninja-build pkg-config
    libgtest-dev
    qt6-base-dev qt6-translations-l10n fonts-dejavu-core
    qt6-svg-dev                 # the window icon, drawn from the menu entry's SVG
    libqcustomplot-dev          # the trend strip's plot (QCustomPlot, Qt 6 build)
    libc-l10n                   # glibc's Russian messages for system reasons in boxes
    mbpoll                      # independent Modbus master for the simulator's tests
    xvfb xauth                  # virtual display for the demo and the start-up benchmark
    x11-utils netpbm            # the desktop test reads the window's properties and pixels
    libx11-dev libxtst-dev      # tests ping, click and close the window on that display
    clang libclang-rt-14-dev    # libFuzzer for the fuzz targets (tests/fuzz)
    clang-format clang-tidy     # the gate's formatting check and the tidy step of test.sh
    locales                     # locale sources: tests build ru_RU.UTF-8 with localedef
    dpkg-dev file               # the Debian package: dpkg-shlibdeps, and file to find the binaries
    desktop-file-utils appstream  # its test validates the desktop entry and the metainfo
    lintian                     # and checks the package as Debian does
    ser2net                     # serial device server: the network port's tests reach the simulator through it
    sredird socat               # the other device servers users run (RFC 2217 byte by byte, socat's raw bridge), tested alike
    bash-completion             # the package test loads the completion of m8163ctl
    python3-pymodbus python3-serial-asyncio  # an independent Modbus slave for m8163ctl restore's test
)

m8163_ensure_packages() {
    local missing=()
    local p
    for p in "${m8163_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update
    $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}
