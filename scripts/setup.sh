#!/usr/bin/env bash
# Installs, as root with apt-get, the Debian 12 packages the build, the tests
# and the sample discs need; does nothing when all of them are there.
set -euo pipefail

packages=(
  cmake ninja-build g++ ccache clang libclang-rt-14-dev
  qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev
  xorriso genisoimage udftools
  fonts-dejavu-core fonts-liberation
  qemu-system-x86 linux-image-cloud-amd64 busybox-static cpio python3
  gddrescue nlohmann-json3-dev bchunk libcdio-utils zlib1g-dev chromium poppler-utils
  libsqlite3-dev libssl-dev
  dpkg-dev file lintian appstream desktop-file-utils man-db bash-completion
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
