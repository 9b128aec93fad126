#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Idempotent: the package index is refreshed only when something is missing.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config clang-format ccache
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-websockets-dev
    qt6-image-formats-plugins libqt6svg6
    # previews of PDF files in the tray (optional at build time)
    qt6-pdf-dev
    libcurl4-openssl-dev libsecret-1-dev libxcb-xinput-dev libxcb-shape0-dev libxcb1-dev libx11-dev libgl-dev
    # fuzzing (libFuzzer with clang)
    clang libclang-rt-14-dev
    # running and testing
    xvfb xauth xdotool x11-utils openbox imagemagick dbus dbus-x11 adwaita-icon-theme
    # the accessibility bus the end-to-end tests read the program through
    at-spi2-core
    fonts-dejavu-core procps
    # a Secret Service for the keyring tests
    gnome-keyring
    # a real MPRIS player nobody here wrote, for the players tests, and the
    # usual command-line MPRIS client as the yardstick of `--players`
    mpv mpv-mpris playerctl
    # browser extension end-to-end tests (headless Chromium and Firefox ESR, a
    # test certificate, and certutil to trust it in a Firefox profile)
    chromium firefox-esr openssl libnss3-tools
    # opening files, addresses and applications the way the desktop does
    libglib2.0-bin xdg-utils
    # coverage report
    gcovr
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} > 0)); then
    SUDO=""
    if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
