#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev
  libgtest-dev libgmock-dev libbenchmark-dev libjpeg-dev libasound2-dev
  clang libclang-rt-14-dev
  xvfb xauth fonts-dejavu-core
  # Printing: a font with Arial's metrics, and the PDF tools the printing tests read with.
  fonts-liberation2 poppler-utils
  # The printing tests' own CUPS scheduler with a virtual PDF printer.
  cups printer-driver-cups-pdf
  locales
  # tools/atspi-tree.sh: the tree a screen reader reads, through AT-SPI on its own D-Bus session.
  at-spi2-core python3-pyatspi dbus-daemon
  # The export to Writer: the LibreOffice SDK, and a Writer (and Calc) for its tests; Calc also
  # reads the recording's XLS files in its tests. "a|b": a is installed unless b is there
  # already (a desktop's LibreOffice with its window is kept).
  libreoffice-dev
  "libreoffice-writer-nogui|libreoffice-writer"
  "libreoffice-calc-nogui|libreoffice-calc"
  # The build makes the report templates from their flat source with a Python script.
  python3
  # PNG icons from the SVG, the Debian package (shlibdeps) and its desktop-file checks
  librsvg2-bin dpkg-dev file desktop-file-utils appstream
  # The commands' manual pages from their --help, and Debian's package checker
  help2man lintian
)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for entry in "${packages[@]}"; do
  IFS='|' read -r -a choices <<<"$entry"
  found=0
  for p in "${choices[@]}"; do
    if installed "$p"; then
      found=1
      break
    fi
  done
  if ((found == 0)); then
    missing+=("${choices[0]}")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The recording tests write and read dates and times under a German and a US-English locale;
# a fresh machine has only C and POSIX.
wanted_locales=(de_DE.UTF-8 en_US.UTF-8)
have_locales=$(locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')
missing_locales=()
for l in "${wanted_locales[@]}"; do
  short=$(echo "$l" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')
  if ! grep -qx "$short" <<<"$have_locales"; then
    missing_locales+=("$l")
  fi
done
if ((${#missing_locales[@]})); then
  echo "Generating locales: ${missing_locales[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  for l in "${missing_locales[@]}"; do
    if ! grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null; then
      echo "$l UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    fi
  done
  $sudo locale-gen
fi
