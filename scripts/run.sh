#!/usr/bin/env bash
# Builds the program, makes the sample discs (a healthy one and a damaged
# one) and opens the program on them as virtual drives. On a machine without
# a display it shows the same discs through the command-line front end
# instead: the drives, the healthy disc's drive and medium, and a surface scan
# of the damaged one. Arguments, if any, go to lumeter-cli in that case
# (bash scripts/run.sh --help lists its commands).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
bash scripts/make-sample-discs.sh build/samples
export WRENLO_IMAGES="$PWD/build/samples/healthy.iso:$PWD/build/samples/damaged.iso"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cmake --build build --target lumeter
  exec build/gui/app/lumeter
fi

cmake --build build --target lumeter-cli
cli=build/cli/lumeter-cli
if [ $# -gt 0 ]; then
  exec "$cli" "$@"
fi

# Runs one command as a user would type it; a scan that finds damage ends
# with status 1, which is its answer, not a failure of this script.
show() {
  echo
  echo "\$ lumeter-cli $*"
  local status=0
  "$cli" "$@" || status=$?
  [ "$status" -le 1 ] || exit "$status"
}

echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): the window cannot open here,"
echo "so here is the command-line front end, lumeter-cli, on the sample discs."
healthy=$("$cli" devices | awk '/ healthy\.iso$/ {print $1}')
damaged=$("$cli" devices | awk '/ damaged\.iso$/ {print $1}')
show devices
show info "$healthy"
show media "$healthy"
show scan "$damaged" --mapfile build/samples/damaged.map
echo
echo "The scan's map, for GNU ddrescue's tools: build/samples/damaged.map"
echo "More: bash scripts/run.sh --help, or $cli --help"
