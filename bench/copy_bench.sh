#!/usr/bin/env bash
# Benchmarks of lumeter-cli copy, printing figures (run by hand; needs
# gddrescue, bchunk and GNU time):
#  1. a healthy 2 GiB image in the page cache: copy, dd bs=64K and GNU
#     ddrescue with its defaults, side by side in rounds; MB/s of each and
#     copy's rate as a multiple of the others' (goal: at least 0.9);
#  2. a damaged image (latency 200, error-latency 200000, 20 bad areas):
#     the whole copy against a one-sector surface scan (goal: at most 1/5 of
#     its time), with --retries 1 (the default) and 0; the failed reads; and
#     checks that exactly the readable sectors are finished and the copy
#     equals the image outside the bad sectors;
#  3. a 100 GB sparse image copied: the peak resident memory (goal: under
#     100 MB) and the copy's size on the disc;
#  4. a BIN/CUE image of a CD's size: a one-sector scan and a copy of it
#     against bchunk's extraction of the same BIN (goal: no slower).
#
# usage: bash bench/copy_bench.sh [BUILD_DIR [WORK_FOLDER [--full]]]
# The work folder (default: a new folder in /dev/shm, so that the images sit
# in memory and the copies' fdatasync costs what it costs in the page cache,
# as dd's and ddrescue's writes do) needs about 8 GB; the sparse image goes to
# $TMPDIR. The damaged image has 20 areas of 2 to 20 bad sectors, so that the
# one-sector scan takes minutes; --full gives them 100 to 2,000 sectors, as
# the goal names them (the scan then takes about six hours).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli=$(realpath "$build/cli/lumeter-cli")
[ -x "$cli" ] || { echo "no $cli: build the target lumeter-cli first" >&2; exit 2; }
for tool in ddrescue ddrescuelog bchunk /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "no $tool" >&2; exit 2; }
done
base=${2:-/dev/shm}
full=${3:-}
work=$(mktemp -d "$base/lumeter-copy-bench-XXXXXX")
sparse_dir=$(mktemp -d "${TMPDIR:-/tmp}/lumeter-copy-sparse-XXXXXX")
trap 'rm -rf "$work" "$sparse_dir"' EXIT

# Seconds a command takes, to the millisecond.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
rate() { awk -v bytes="$1" -v s="$2" 'BEGIN { printf "%.0f", bytes / s / 1e6 }'; }

echo "== 1. A healthy 2 GiB image in the page cache ($work)"
healthy=$work/healthy.iso
# Data that is not zeros, so that no copy may leave holes.
head -c $((1 << 30)) /dev/urandom >"$work/half"
cat "$work/half" "$work/half" >"$healthy"
rm "$work/half"
bytes=$(stat -c %s "$healthy")
cat "$healthy" >/dev/null
best_copy=0 best_dd=0 best_ddrescue=0
printf '%-6s %14s %14s %14s\n' round "copy MB/s" "dd MB/s" "ddrescue MB/s"
for round in 1 2 3; do
  rm -f "$work"/out*
  t_copy=$(seconds "$cli" copy --image "$healthy" "$work/out-copy.iso")
  cmp -s "$healthy" "$work/out-copy.iso" || { echo "the copy differs" >&2; exit 1; }
  rm -f "$work"/out*
  t_dd=$(seconds dd if="$healthy" of="$work/out-dd.iso" bs=64K)
  rm -f "$work"/out*
  t_ddrescue=$(seconds ddrescue -q "$healthy" "$work/out-ddrescue.iso" "$work/out-ddrescue.map")
  printf '%-6s %14s %14s %14s\n' "$round" "$(rate "$bytes" "$t_copy")" "$(rate "$bytes" "$t_dd")" \
    "$(rate "$bytes" "$t_ddrescue")"
  best_copy=$(awk -v a="$best_copy" -v b="$(rate "$bytes" "$t_copy")" 'BEGIN { print (b > a ? b : a) }')
  best_dd=$(awk -v a="$best_dd" -v b="$(rate "$bytes" "$t_dd")" 'BEGIN { print (b > a ? b : a) }')
  best_ddrescue=$(awk -v a="$best_ddrescue" -v b="$(rate "$bytes" "$t_ddrescue")" 'BEGIN { print (b > a ? b : a) }')
done
rm -f "$work"/out* "$healthy"
echo "best: copy $best_copy MB/s, dd $best_dd MB/s, ddrescue $best_ddrescue MB/s"
echo "copy / dd bs=64K: $(ratio "$best_copy" "$best_dd")   copy / ddrescue: $(ratio "$best_copy" "$best_ddrescue")   (goal: at least 0.9)"

echo
echo "== 2. A damaged image: latency 200, error-latency 200000, 20 bad areas"
damaged=$work/damaged.iso
sectors=200000
head -c $((sectors * 2048)) /dev/urandom >"$damaged"
{
  echo "latency 200"
  echo "error-latency 200000"
  # 20 areas spread over the image, of random sizes.
  awk -v n="$sectors" -v full="$full" 'BEGIN {
    srand(28)
    for (i = 0; i < 20; ++i) {
      size = full == "--full" ? 100 + int(rand() * 1901) : 2 + int(rand() * 19)
      first = int(n / 20 * i + rand() * (n / 20 - size))
      printf "%d-%d always\n", first, first + size - 1
    }
  }'
} >"$damaged.faults"
bad=$(awk '/always/ { split($1, r, "-"); n += r[2] - r[1] + 1 } END { print n }' "$damaged.faults")
echo "$sectors sectors, $bad of them in the bad areas"
t_scan=$(seconds "$cli" scan --image "$damaged")
echo "one-sector surface scan: $t_scan s"
for retries in 1 0; do
  rm -f "$work/damaged-copy.iso" "$work/damaged-copy.iso.map"
  start=$(date +%s%N)
  summary=$("$cli" copy --image "$damaged" "$work/damaged-copy.iso" --retries "$retries" --json 2>/dev/null || true)
  t_copy=$(awk -v ns=$(($(date +%s%N) - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')
  failed=$(sed -n 's/.*"failed_reads": \([0-9]*\).*/\1/p' <<<"$summary")
  echo "copy --retries $retries: $t_copy s, $failed failed reads; copy / scan: $(ratio "$t_copy" "$t_scan") (goal: at most 0.2)"
done
# Exactly the readable sectors finished, and the copy equal to the image
# outside the bad sectors (which it holds as zeros).
expected_bad=$(awk '/always/ { split($1, r, "-"); for (s = r[1]; s <= r[2]; ++s) print s }' "$damaged.faults")
listed_bad=$(ddrescuelog -b 2048 -l- "$work/damaged-copy.iso.map")
[ "$expected_bad" = "$listed_bad" ] && echo "the mapfile's bad sectors are exactly the bad areas" ||
  echo "MISMATCH: the mapfile's bad sectors differ from the bad areas"
[ "$(ddrescuelog -b 2048 -l+ "$work/damaged-copy.iso.map" | wc -l)" -eq $((sectors - bad)) ] &&
  echo "every readable sector is finished" || echo "MISMATCH: not every readable sector is finished"
cp "$damaged" "$work/expected.iso"
while read -r s; do
  dd if=/dev/zero of="$work/expected.iso" bs=2048 seek="$s" count=1 conv=notrunc status=none
done <<<"$expected_bad"
cmp -s "$work/expected.iso" "$work/damaged-copy.iso" && echo "the copy equals the image outside the bad sectors" ||
  echo "MISMATCH: the copy differs from the image outside the bad sectors"
rm -f "$work"/damaged* "$work/expected.iso"

echo
echo "== 3. A 100 GB sparse image ($sparse_dir)"
truncate -s 100G "$sparse_dir/sparse.iso"
start=$(date +%s%N)
peak=$(/usr/bin/time -f %M "$cli" copy --image "$sparse_dir/sparse.iso" "$sparse_dir/copy.iso" 2>&1 >/dev/null | tail -1)
t_sparse=$(awk -v ns=$(($(date +%s%N) - start)) 'BEGIN { printf "%.1f", ns / 1e9 }')
echo "copied in $t_sparse s; peak resident memory $((peak / 1024)) MB (goal: under 100 MB);" \
  "the copy takes $(du -k "$sparse_dir/copy.iso" | cut -f1) KB on the disc"
rm -f "$sparse_dir"/*

echo
echo "== 4. A CD-sized BIN/CUE image: a one-sector scan and a copy against bchunk"
head -c $((330000 * 2048)) /dev/urandom >"$work/cd.iso"
"$cli" copy --image "$work/cd.iso" "$work/cd.cue" >/dev/null
rm "$work/cd.iso" "$work/cd.cue.map"
cat "$work/cd.bin" >/dev/null
best_bchunk=999 best_scan=999 best_bin_copy=999
for round in 1 2 3; do
  t=$(seconds bchunk "$work/cd.bin" "$work/cd.cue" "$work/track")
  best_bchunk=$(awk -v a="$best_bchunk" -v b="$t" 'BEGIN { print (b < a ? b : a) }')
  rm -f "$work"/track*
  t=$(seconds "$cli" scan --image "$work/cd.cue")
  best_scan=$(awk -v a="$best_scan" -v b="$t" 'BEGIN { print (b < a ? b : a) }')
  t=$(seconds "$cli" copy --image "$work/cd.cue" "$work/again.iso")
  best_bin_copy=$(awk -v a="$best_bin_copy" -v b="$t" 'BEGIN { print (b < a ? b : a) }')
  rm -f "$work"/again*
done
echo "bchunk $best_bchunk s, one-sector scan $best_scan s, copy to ISO $best_bin_copy s (best of 3)"
echo "scan / bchunk: $(ratio "$best_scan" "$best_bchunk")   copy / bchunk: $(ratio "$best_bin_copy" "$best_bchunk")   (goal: at most 1)"
echo "(build/bench/engine_bench gives BIN/CUE reads against plain reads of the same data)"
