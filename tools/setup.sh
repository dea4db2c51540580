#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev
  libgtest-dev libgmock-dev libbenchmark-dev libjpeg-dev libasound2-dev
  clang libclang-rt-14-dev
  xvfb xauth fonts-dejavu-core
  # The export to Writer: the LibreOffice SDK, and a Writer (and Calc) for its tests. "a|b": a
  # is installed unless b is there already (a desktop's LibreOffice with its window is kept).
  libreoffice-dev
  "libreoffice-writer-nogui|libreoffice-writer"
  "libreoffice-calc-nogui|libreoffice-calc"
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
