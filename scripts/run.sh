#!/usr/bin/env bash
# Builds the program, makes the sample discs (a healthy one and a damaged
# one) and opens the program on them as virtual drives. On a machine without
# a display it runs the command-line front end on them instead, once there is
# one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target lumeter
bash scripts/make-sample-discs.sh build/samples

export WRENLO_IMAGES="$PWD/build/samples/healthy.iso:$PWD/build/samples/damaged.iso"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/app/lumeter
fi
if [ -x build/cli/lumeter-cli ]; then
  exec build/cli/lumeter-cli "$@"
fi
echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): the window cannot open here." >&2
echo "The sample discs are in build/samples; WRENLO_IMAGES=$WRENLO_IMAGES" >&2
exit 1
