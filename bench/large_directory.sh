#!/usr/bin/env bash
# Benchmark: one Rock Ridge folder of many files with 35-character names
# (100,000 and 300,000 by default), made by xorriso and by genisoimage -R -J.
# Prints, for each image: the folder's size on the disc, and for `lumeter-cli
# files` (the layout of every tree) and the files test (`scan --files`): how
# many files they found, the wall time and the largest resident memory. A
# directory is read a few sectors at a time: memory should follow the names
# kept, not the directory's bytes.
#
# usage: bash bench/large_directory.sh [BUILD_DIR [COUNT...]]
# (defaults: build, 100000 300000; needs xorriso, genisoimage, isoinfo and
# about 1 GB in TMPDIR; the 300,000-file images take some minutes to make)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(100000 300000)
cli=$build/cli/lumeter-cli
[ -x "$cli" ] || { echo "no $cli: build the target lumeter-cli first" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/lumeter-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Runs lumeter-cli on an image; prints "seconds megabytes" and leaves its
# standard output in $work/out.
measure() {
  local image=$1
  shift
  /usr/bin/time -f '%e %M' -o "$work/time" env WRENLO_IMAGES="$image" "$cli" "$@" \
    >"$work/out" 2>/dev/null || true
  awk '{ printf "%s s, %.0f MB", $1, $2 / 1024 }' "$work/time"
}

printf '%-10s %-12s %-10s %-34s %s\n' files maker folder '`files`' 'files test'
for count in "${counts[@]}"; do
  tree=$work/tree-$count
  mkdir -p "$tree/photos"
  # Empty files with names of 35 characters ("000001_IMG_20240101_scan_copy1.jpeg"),
  # told apart in their first eight: xorriso's ISO 9660 names for names that
  # share those take it hours to tell apart in a folder this large.
  (cd "$tree/photos" && seq -f '%06g_IMG_20240101_scan_copy1.jpeg' 1 "$count" | xargs touch)
  for maker in xorriso genisoimage; do
    image=$work/$maker-$count.iso
    if [ "$maker" = xorriso ]; then
      xorriso -no_rc -outdev "$image" -joliet on -map "$tree" / -commit >/dev/null 2>&1
    else
      genisoimage -quiet -R -J -o "$image" "$tree" 2>/dev/null
    fi
    folder=$(isoinfo -R -l -i "$image" | awk '$NF == "photos" { printf "%.1f MB", $5 / 1048576 }')
    listed=$(measure "$image" files)
    listedFiles=$(wc -l <"$work/out")
    tested=$(measure "$image" scan --files --json)
    testedFiles=$(sed -n 's/.*"files_checked": \([0-9]*\).*/\1/p' "$work/out")
    printf '%-10s %-12s %-10s %-34s %s\n' "$count" "$maker" "$folder" \
      "$listedFiles in $listed" "$testedFiles in $tested"
    rm -f "$image"
  done
  rm -rf "$tree"
done
