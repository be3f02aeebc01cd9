#!/usr/bin/env bash
# Installs the build into a fresh folder and checks that a Linux desktop finds
# the program there: the program, its menu entry and its icons, and that the
# installed program finds the installed engine library by itself.
set -euo pipefail
build=${1:?usage: check_install.sh BUILD_DIR}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install check: $*" >&2; exit 1; }
[ -x "$prefix/bin/lumeter" ] || fail "no bin/lumeter"
entry=$prefix/share/applications/lumeter.desktop
[ -f "$entry" ] || fail "no share/applications/lumeter.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the menu entry"
# "Open With" in a file manager: the entry takes the files and names their types.
grep -qx 'Exec=lumeter %F' "$entry" || fail "the menu entry does not run lumeter with the files"
grep -qx 'MimeType=application/x-iso9660-image;application/x-cd-image;application/x-cue;' \
  "$entry" || fail "the menu entry names not the disc image types"
grep -qx 'Icon=lumeter' "$entry" || fail "the menu entry names no icon lumeter"
for size in 16 32 48 256; do
  [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/lumeter.png" ] ||
    fail "no ${size}x${size} icon"
done
if grep -q 'wrenlo' < <(readelf -d "$prefix/bin/lumeter"); then
  [ -n "$(find "$prefix/lib" -path '*/lumeter/libwrenlo.so')" ] ||
    fail "libwrenlo is not installed in a lumeter folder of lib/"
  resolved=$(env -u LD_LIBRARY_PATH ldd "$prefix/bin/lumeter" | awk '/libwrenlo/ {print $3}')
  case "$resolved" in
    "$prefix"/*) ;;
    *) fail "the installed program finds libwrenlo at '$resolved', not in $prefix" ;;
  esac
fi
# The command-line front end runs from there too, engine and all.
[ -x "$prefix/bin/lumeter-cli" ] || fail "no bin/lumeter-cli"
env -u LD_LIBRARY_PATH "$prefix/bin/lumeter-cli" --version >/dev/null ||
  fail "the installed lumeter-cli does not run"
echo "install check passed"
