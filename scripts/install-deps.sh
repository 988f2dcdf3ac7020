#!/usr/bin/env bash
# Installs every Debian package Pagellan needs to build, test and run.
# Idempotent; run as root (sudo is used when available and needed).
set -euo pipefail

PACKAGES=(
  # tool chain
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  # whole-process timings (bench/cli/cli_speed.sh)
  hyperfine
  # core libraries
  zlib1g-dev libzip-dev libpugixml-dev
  libfreetype-dev libfontconfig-dev fonts-liberation2 libpng-dev
  # PDF writing (cairo's PDF surface) and independent readers of the PDF it writes
  libcairo2-dev poppler-utils qpdf
  # fonts embedded without hinting (hb-subset); object streams after writing (libqpdf)
  libharfbuzz-dev libqpdf-dev
  # settings store (QtCore) and the desktop program
  qt6-base-dev qt6-base-dev-tools libqt6svg6-dev libgl-dev
  # headless runs and screenshots of the desktop program
  xvfb xauth x11-apps imagemagick xdotool
  # the desktop's "open" and its registered PDF reader (xdg-open, xdg-mime)
  xdg-utils
  # file associations and the desktop shortcut (xdg-mime reads user types through mimetype),
  # and the Debian package with the checks of its desktop files
  shared-mime-info desktop-file-utils libfile-mimeinfo-perl appstream dpkg-dev file
  # PCL from laser-printer drivers for the interpreter's tests
  ghostscript groff
  # TeX's laser-printer drivers (dvilj, dvilj4) and dvips with the plain TeX fonts, whose
  # bitmap glyphs the soft-font tests compare
  texlive-binaries texlive-base
  # printing through CUPS; a real IPP printer (with its own D-Bus system bus) for the tests
  libcups2-dev cups-ipp-utils dbus
  # the internet library (its version in the About window)
  libcurl4-openssl-dev
  # program updates: digests of the downloads (libcrypto), deltas made with zstd --patch-from
  libssl-dev libzstd-dev zstd
  # the scanning plug-in: TIFF pages (libtiff) and scanners (SANE; libsane1 holds the "test"
  # backend the tests scan from)
  libtiff-dev libsane-dev libsane1
  # JPEG-coded images of PCL XL
  libjpeg-dev
  # Vivaform pages: a real browser engine (the build leaves the browser out without it)
  qt6-webengine-dev
  # the web tests' proxy and certificates
  tinyproxy openssl python3
  # e-mail tests: a real SMTP server and a POP3 server
  python3-aiosmtpd dovecot-pop3d
)

SUDO=""
if [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null 2>&1; then SUDO=sudo; fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
