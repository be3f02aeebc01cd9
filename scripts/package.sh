#!/usr/bin/env bash
# Makes the Debian package build/lumeter_VERSION_amd64.deb: installs what the
# build needs, builds in build/ (the same build scripts/test.sh makes) and has
# CPack pack what the build installs. Install it with
#   sudo apt install ./build/lumeter_*_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# Let ccache share results between checkouts in different folders.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
cpack --config build/CPackConfig.cmake -B build
ls build/lumeter_*_amd64.deb
