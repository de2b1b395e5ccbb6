#!/usr/bin/env bash
# Installs what is missing on Debian 12.
#   bash scripts/install-deps.sh execution   what building and running the program needs
#   bash scripts/install-deps.sh paquet      that, and what making and checking the Debian
#                                            package needs (cpack -G DEB, lintian)
#   bash scripts/install-deps.sh tests       all that, and what the tests, the sanitizers, the
#                                            fuzz targets and scripts/paquet.sh need
set -euo pipefail
# Each package is here for something that uses it; the comments say what.
execution=(build-essential cmake ninja-build
           pkg-config                        # finds libwmf and librsvg (image/)
           qt6-base-dev qt6-base-dev-tools   # Qt Core, Gui, Widgets, PrintSupport; moc, uic, rcc
           qt6-translations-l10n             # Qt's own dialogs in French (platform/application.cpp)
           libqt6printsupport6               # its CUPS plugin: the real printers
           qt6-wayland                       # runs natively on a Wayland desktop, not through XWayland
           libjpeg62-turbo-dev               # JPEG pictures
           libwmf-dev libemf2svg-dev librsvg2-dev  # WMF and EMF pictures (brevandoux-image)
           qt6-image-formats-plugins         # WebP and TIFF pictures, through Qt's readers (brevandoux-image)
           libheif-dev                       # HEIC and AVIF pictures (brevandoux-image); brings libde265 and dav1d
           libseccomp-dev                    # the picture program's system call filter (image/filtre_appels.cpp)
           fonts-dejavu-core)                # the fonts the window falls back on
paquet=(file                                 # CPack's Debian generator sorts the files with it
        lintian)                             # Debian's checker of the built package
tests=(libgtest-dev                          # the suites (Qt Test comes with qt6-base-dev)
       clang-14 libclang-rt-14-dev           # scripts/sanitizers.sh, scripts/fuzz.sh
       fonts-liberation                      # printed pages and PDFs in Liberation Sans
       cups cups-ipp-utils printer-driver-cups-pdf  # the real print queue (scripts/cups-pdf.sh, ipptool)
       python3                               # reads exported pages back (tests/echange), scripts/paquet.sh
       poppler-utils                         # pdftotext, pdfinfo, pdffonts read printed pages back
       dpkg-dev binutils                     # scripts/paquet.sh: dpkg-buildflags, readelf, strings
       appstream desktop-file-utils          # scripts/paquet.sh: metainfo and menu entry checks
       libwmf-bin emf2svg librsvg2-bin       # reference drawings of the metafile corpus
       libheif-examples                      # heif-convert: reference drawings of HEIC and AVIF pictures
       imagemagick                           # fuzz/graines.sh draws the picture seeds
       sqlite3                               # bench_csv compares the CSV import with sqlite3 .import
       # The window read over the accessibility bus as a screen reader reads it (label
       # accessibilite): an X server, a D-Bus session, the AT-SPI bus and its Python client.
       xvfb dbus at-spi2-core python3-gi gir1.2-atspi-2.0
       # Dark palettes as desktops give them, for the contrast test (label theme): KDE's way
       # through qt6ct's darker scheme, GNOME's through Qt's GTK theme with Adwaita dark.
       qt6ct qt6-gtk-platformtheme
       weston                                # a headless Wayland compositor: the Wayland run (label wayland)
       chromium)                             # the exported web page in a real browser (label navigateur)
case "${1:-tests}" in
  execution) pkgs=("${execution[@]}") ;;
  paquet) pkgs=("${execution[@]}" "${paquet[@]}") ;;
  tests) pkgs=("${execution[@]}" "${paquet[@]}" "${tests[@]}") ;;
  *) echo "usage : $0 [execution|paquet|tests]" >&2; exit 2 ;;
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
