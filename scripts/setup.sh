#!/usr/bin/env bash
# Installs every Debian package Carotix needs to build, run and test. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libqt6svg6
  qt6-translations-l10n qt6-qpa-plugins libgl-dev
  libsqlite3-dev sqlite3 postgresql libpq-dev postgresql-server-dev-15 libkrb5-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  poppler-utils emf2svg libwmf-bin gsfonts gdal-bin python3
  fonts-dejavu-core fonts-liberation2
  xauth xvfb openbox libx11-dev libxtst-dev libxcb1-dev
  cups cups-client cups-filters
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Earlier test runs added a PDF queue to the machine's own CUPS server; the
# tests now bring a server of their own. Remove that queue where it is left.
if command -v lpstat >/dev/null 2>&1 && env -u CUPS_SERVER lpstat -p CarotixPDF >/dev/null 2>&1; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO env -u CUPS_SERVER lpadmin -x CarotixPDF >/dev/null 2>&1 || true
fi
