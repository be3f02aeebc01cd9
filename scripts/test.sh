#!/usr/bin/env bash
# Builds everything and runs every test: the main build (warnings as errors),
# then the engine and core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the scanner's tests under ThreadSanitizer, then
# each fuzz target for 45 s.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)
# Let ccache share results between checkouts in different folders.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMETER_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMETER_WERROR=ON \
  -DLUMETER_WITH_QT=OFF -DLUMETER_BENCH=OFF -DLUMETER_SANITIZE=address,undefined
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

# The fuzz targets: a clang build with libFuzzer, each target run briefly from
# a corpus that fuzz/make_corpus.sh makes.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMETER_WERROR=ON -DLUMETER_WITH_QT=OFF -DLUMETER_BENCH=OFF -DLUMETER_FUZZ=ON \
  -DLUMETER_SANITIZE=address,undefined
cmake --build build-fuzz -j "$jobs" --target fuzz_targets
bash fuzz/run.sh build-fuzz 45

# The scanner, the bridge to its window, and drives coming and going during a
# scan, under ThreadSanitizer: only their test programs.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMETER_WERROR=ON \
  -DLUMETER_BENCH=OFF -DLUMETER_SANITIZE=thread
cmake --build build-tsan -j "$jobs" --target scan_tests scan_widget_tests drive_change_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir build-tsan --output-on-failure -j "$jobs" \
  -R '^(scan_(widget_)?tests|drive_change_tests)$'
