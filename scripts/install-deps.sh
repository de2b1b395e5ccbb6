#!/usr/bin/env bash
# Installs what is missing on Debian 12.
#   bash scripts/install-deps.sh execution   what building and running the program needs
#   bash scripts/install-deps.sh tests       that, and what the tests, the sanitizers, the fuzz
#                                            targets and the Debian package check need
set -euo pipefail
execution=(build-essential cmake ninja-build pkg-config
           qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libqt6printsupport6
           libjpeg62-turbo-dev qt6-svg-dev libwmf-dev libemf2svg-dev librsvg2-dev
           libseccomp-dev
           fonts-dejavu-core)
tests=(libgtest-dev
       clang-14 libclang-rt-14-dev
       xvfb xauth x11-utils xdotool imagemagick
       fonts-liberation
       cups cups-ipp-utils printer-driver-cups-pdf poppler-utils
       dpkg-dev appstream desktop-file-utils binutils
       libwmf-bin emf2svg librsvg2-bin  # reference drawings of the metafile corpus
       chromium)  # the exported web page is looked at in a real browser (tests labelled navigateur)
case "${1:-tests}" in
  execution) pkgs=("${execution[@]}") ;;
  tests) pkgs=("${execution[@]}" "${tests[@]}") ;;
  *) echo "usage : $0 [execution|tests]" >&2; exit 2 ;;
esac
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
