#!/usr/bin/env bash
# Packs the build with CPack into a scratch folder and checks the Debian
# package a user would install: its control fields and file list, lintian
# (no errors; its warnings are printed), the programs run from the unpacked
# package with the packaged engine library, the menu entry, the AppStream
# metadata, and the man pages rendered with every groff warning on.
set -euo pipefail
build=${1:?usage: check_package.sh BUILD_DIR VERSION}
version=${2:?usage: check_package.sh BUILD_DIR VERSION}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "package check: $*" >&2
  failures=$((failures + 1))
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  echo "package check: cpack failed" >&2
  exit 1
}
deb=$work/out/lumeter_${version}_amd64.deb
[ -f "$deb" ] || {
  ls "$work/out" >&2
  echo "package check: no lumeter_${version}_amd64.deb" >&2
  exit 1
}

# Control fields: the project's version, and the libraries' packages found by
# dpkg-shlibdeps beside the Qt platform plugins the window needs.
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version is not $version"
[ "$(dpkg-deb -f "$deb" Architecture)" = amd64 ] || fail "Architecture is not amd64"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libc6 libstdc++6 libqt6widgets6 libqt6core6 qt6-qpa-plugins libsqlite3-0 libssl3; do
  [[ ", $depends," == *", $needed "* || ", $depends," == *", $needed,"* ]] ||
    fail "Depends lacks $needed: $depends"
done
[[ $depends != *wrenlo* ]] || fail "Depends names the package's own engine: $depends"

# The file list: everything a user and a desktop look for, owned by root.
listing=$(dpkg-deb -c "$deb")
expected=(
  usr/bin/lumeter
  usr/bin/lumeter-cli
  usr/lib/x86_64-linux-gnu/lumeter/libwrenlo.so
  usr/share/applications/lumeter.desktop
  usr/share/metainfo/example.corvane.lumeter.metainfo.xml
  usr/share/man/man1/lumeter.1.gz
  usr/share/man/man1/lumeter-cli.1.gz
  usr/share/bash-completion/completions/lumeter-cli
  usr/share/doc/lumeter/copyright
  usr/share/doc/lumeter/changelog.gz
)
for size in 16 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/lumeter.png")
done
for path in "${expected[@]}"; do
  grep -q " \./$path\$" <<<"$listing" || fail "the package lacks /$path"
done
strays=$(awk '$2 != "root/root" || ($6 != "./" && $6 !~ /^\.\/usr\//)' <<<"$listing")
[ -z "$strays" ] || fail "files outside /usr or not owned by root: $strays"

# lintian: errors fail; the rest is printed for the record.
lintian_log=$work/lintian.log
if ! lintian --fail-on error --tag-display-limit 0 "$deb" >"$lintian_log" 2>&1; then
  fail "lintian reports errors"
fi
[ -s "$lintian_log" ] && {
  echo "lintian says:"
  cat "$lintian_log"
}

# The unpacked package, run as installed: each program finds the packaged
# engine library by itself, and runs without a display where it can.
root=$work/root
dpkg-deb -x "$deb" "$root"
engine=usr/lib/x86_64-linux-gnu/lumeter/libwrenlo.so
for program in lumeter lumeter-cli; do
  resolved=$(env -u LD_LIBRARY_PATH ldd "$root/usr/bin/$program" | awk '/libwrenlo/ {print $3}')
  [ -n "$resolved" ] && [ "$(realpath "$resolved")" = "$(realpath "$root/$engine")" ] ||
    fail "$program loads libwrenlo from '$resolved', not from the package"
done
run() { env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }
[ "$(run "$root/usr/bin/lumeter" --version)" = "Corvane Lumeter $version" ] ||
  fail "lumeter --version does not say 'Corvane Lumeter $version'"
[ "$(run "$root/usr/bin/lumeter-cli" --version)" = "lumeter-cli $version" ] ||
  fail "lumeter-cli --version does not say 'lumeter-cli $version'"
truncate -s $((2048 * 32)) "$work/blank.iso"
devices=$(WRENLO_IMAGES="$work/blank.iso" run "$root/usr/bin/lumeter-cli" devices) ||
  fail "lumeter-cli devices fails"
grep -q '^D: blank\.iso$' <<<"$devices" || fail "lumeter-cli devices does not list the image: $devices"

# The newest changelog entry and AppStream release are this version.
changelog_version=$(zcat "$root/usr/share/doc/lumeter/changelog.gz" |
  dpkg-parsechangelog -l - -S Version)
[ "$changelog_version" = "$version" ] ||
  fail "the changelog's newest entry is $changelog_version, not $version"
metainfo=$root/usr/share/metainfo/example.corvane.lumeter.metainfo.xml
release=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
[ "$release" = "$version" ] || fail "the metadata's newest release is $release, not $version"

# Menu entry, AppStream metadata and man pages as the desktop and man see them.
desktop-file-validate "$root/usr/share/applications/lumeter.desktop" ||
  fail "desktop-file-validate rejects lumeter.desktop"
# validate-tree checks the metadata and that the menu entry it names is there.
appstream_log=$(appstreamcli validate-tree --no-net "$root" 2>&1) ||
  fail "appstreamcli rejects the metadata: $appstream_log"
for page in lumeter lumeter-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man page $page.1 renders with warnings: $warnings"
  zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q 'cdrom' ||
    fail "man page $page.1 says nothing of the cdrom group"
done

[ "$failures" -eq 0 ] || exit 1
echo "package check passed: $(basename "$deb")"
