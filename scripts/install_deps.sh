#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, tests and runs with (as root).
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends \
  build-essential cmake ninja-build pkg-config git \
  help2man lintian file \
  qt6-base-dev qt6-base-dev-tools libqt6serialport6-dev qt6-serialport-dev qt6-qpa-plugins \
  libgl-dev zlib1g-dev \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  libedf-dev \
  clang libclang-rt-14-dev \
  fonts-ipafont-gothic fonts-noto-cjk qt6-translations-l10n \
  xvfb xauth x11-apps imagemagick xdotool \
  locales
# A locale with a decimal comma, so the tests can show that numbers never depend on it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'; then
  $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
