#!/usr/bin/env bash
# Builds what exists so far. The desktop program is not built yet: for now
# this builds the core library and its tests and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
ctest --test-dir build --output-on-failure
