#!/usr/bin/env bash
# Installs every Debian package that the build, the program and the tests need.
# Safe to run again: apt-get only adds what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-base-private-dev libqt6network6 libgl-dev
  qt6-webengine-dev libqt6webenginecore6-bin qt6-pdf-dev
  qt6-httpserver-dev qt6-websockets-dev libqrencode-dev
  libreoffice-core libreoffice-impress libreoffice-writer libreoffice-calc libreoffice-draw
  python3-uno
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth x11-utils libx11-dev libxdamage-dev openbox xdotool
  fonts-ipafont-gothic fonts-ipafont-mincho
  qt6-translations-l10n
  dbus-daemon
  iproute2 clang-format
  chromium chromium-driver
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: run as root (apt-get installs the packages)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# Slide shows run in LibreOffice Impress with its X11 window system: the full packages, which
# replace the "-nogui" ones of earlier setups (conversions work with both).
apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
echo "setup: packages ready"
