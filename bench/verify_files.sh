#!/usr/bin/env bash
# The files test's checksum-list check against sha256sum -c, and the files
# test of a disc without lists against an earlier lumeter-cli. Prints the
# figures side by side, as ratios; everything cached in memory.
#
#   bash bench/verify_files.sh [WORK_FOLDER] [GIB] [BASELINE_LUMETER_CLI]
#
# 1. Files of GIB GiB (default 2) and their SHA256SUMS, written to an image
#    with xorriso; the same files extracted with xorriso -osirrox on -extract.
#    Then, in turns, lumeter-cli scan --files on the image (which reads each
#    file once and checks its SHA-256) against sha256sum -c in the extracted
#    folder. Goal: at most 1.2 times sha256sum's time.
# 2. The same files without the list: lumeter-cli scan --files of this build
#    against BASELINE_LUMETER_CLI (a build without the checks, e.g. main's),
#    when given. Goal: as fast.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d)}
gib=${2:-2}
baseline=${3:-}
cli=${LUMETER_CLI:-$here/build/cli/lumeter-cli}
rounds=3
mkdir -p "$work"
tree=$work/tree
plain=$work/plain-tree
extracted=$work/extracted

if [ ! -f "$work/lists.iso" ]; then
  echo "making $gib GiB of files in $work ..."
  rm -rf "$tree" "$plain" "$extracted"
  mkdir -p "$tree/data" "$plain"
  # 32 MiB files, and a few small ones as a disc has.
  for i in $(seq 1 $((gib * 32))); do
    head -c $((32 << 20)) /dev/urandom >"$tree/data/part$i.bin"
  done
  for i in $(seq 1 200); do head -c $((i * 1000)) /dev/urandom >"$tree/data/small$i.txt"; done
  (cd "$tree" && find data -type f | sort | xargs sha256sum >SHA256SUMS)
  xorriso -as mkisofs -quiet -r -J -o "$work/lists.iso" "$tree"
  mv "$tree/data" "$plain/data"
  xorriso -as mkisofs -quiet -r -J -o "$work/plain.iso" "$plain"
  rm -rf "$plain" "$tree"
  xorriso -no_rc -osirrox on -indev "$work/lists.iso" -extract / "$extracted" >/dev/null 2>&1
  chmod -R u+w "$extracted"
fi

# Everything read once, so that the runs below read from memory.
cat "$work/lists.iso" "$work/plain.iso" >/dev/null
find "$extracted" -type f -exec cat {} + >/dev/null

seconds() {  # the wall-clock seconds a command takes
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
checked() { (cd "$extracted" && sha256sum --quiet -c SHA256SUMS); }
scan() { "$1" scan --files --image "$2"; }

ours=() theirs=()
for round in $(seq 1 $rounds); do
  ours+=("$(seconds scan "$cli" "$work/lists.iso")")
  theirs+=("$(seconds checked)")
done
best() { printf '%s\n' "$@" | sort -n | head -1; }
o=$(best "${ours[@]}")
t=$(best "${theirs[@]}")
printf 'checksum list, %s GiB (best of %d):\n' "$gib" "$rounds"
printf '  lumeter-cli scan --files (SHA256SUMS): %6.2f s  runs: %s\n' "$o" "${ours[*]}"
printf '  sha256sum -c on the extracted files:   %6.2f s  runs: %s\n' "$t" "${theirs[*]}"
printf '  ratio %.2f (goal: at most 1.20)\n' "$(echo "$o / $t" | bc -l)"

if [ -n "$baseline" ]; then
  ours=() theirs=()
  for round in $(seq 1 $rounds); do
    ours+=("$(seconds scan "$cli" "$work/plain.iso")")
    theirs+=("$(seconds scan "$baseline" "$work/plain.iso")")
  done
  o=$(best "${ours[@]}")
  t=$(best "${theirs[@]}")
  printf 'files test without lists (best of %d):\n' "$rounds"
  printf '  this build:  %6.2f s  runs: %s\n' "$o" "${ours[*]}"
  printf '  baseline:    %6.2f s  runs: %s\n' "$t" "${theirs[*]}"
  printf '  ratio %.2f (goal: 1.00)\n' "$(echo "$o / $t" | bc -l)"
fi
