#!/usr/bin/env bash
# Installs what the build, the tests and the program need on Debian 12.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config
      qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libqt6printsupport6
      libjpeg62-turbo-dev libgtest-dev
      qt6-svg-dev libwmf-dev libemf2svg-dev librsvg2-dev
      libwmf-bin emf2svg librsvg2-bin
      clang-14 libclang-rt-14-dev
      xvfb xauth x11-utils xdotool imagemagick
      fonts-dejavu-core fonts-liberation
      cups cups-ipp-utils printer-driver-cups-pdf poppler-utils
      chromium)  # the exported web page is looked at in a real browser (tests labelled navigateur)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi
