#!/usr/bin/env bash
# Benchmarks of lumeter-cli extract, printing figures (run by hand; needs
# xorriso and GNU time):
#  1. a healthy 2 GiB Rock Ridge image of 10,000 files in 100 folders, in
#     the page cache: extract against xorriso -osirrox on -extract / DIR, side
#     by side in rounds; the seconds of each, extract's time as a multiple of
#     xorriso's (goal: at most 1.3) and the peak resident memory of each; and
#     a check that both wrote the same tree;
#  2. 20,000 small files, once in 200 folders of 100 and once in one folder:
#     extract's peak resident memory for each, which follows the largest
#     folder, not the number of files on the disc.
#
# usage: bash bench/extract_bench.sh [BUILD_DIR [WORK_FOLDER]]
# The work folder (default: a new folder in /dev/shm, so that the image and
# the extracted trees sit in memory and the figures are the programs' own, not
# the disc's) needs about 7 GB.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli=$(realpath "$build/cli/lumeter-cli")
[ -x "$cli" ] || { echo "no $cli: build the target lumeter-cli first" >&2; exit 2; }
for tool in xorriso /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "no $tool" >&2; exit 2; }
done
base=${2:-/dev/shm}
work=$(mktemp -d "$base/lumeter-extract-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

# "SECONDS PEAK_KB" of a command, its output thrown away.
measure() {
  local start end peak
  start=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  peak=$(tail -1 "$work/peak")
  awk -v ns=$((end - start)) -v peak="$peak" 'BEGIN { printf "%.3f %d\n", ns / 1e9, peak }'
}
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == 0 || b < a ? b : a) }'; }

# Writes COUNT files of random bytes into FOLDERS folders below TREE, their
# sizes spread evenly around TOTAL / COUNT bytes.
make_tree() {
  python3 - "$@" <<'EOF'
import os, random, sys
tree, count, folders, total = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
random.seed(29)
pool = os.urandom(1 << 24)
mean = total // count
for i in range(count):
    folder = os.path.join(tree, "folder %03d" % (i % folders))
    os.makedirs(folder, exist_ok=True)
    size = random.randint(0, 2 * mean) if mean else 0
    start = random.randint(0, len(pool) - size - 1) if size else 0
    with open(os.path.join(folder, "file %05d.bin" % i), "wb") as out:
        out.write(pool[start:start + size])
EOF
}

echo "== 1. A healthy 2 GiB Rock Ridge image of 10,000 files, in the page cache ($work)"
make_tree "$work/tree" 10000 100 $((2 << 30))
xorriso -no_rc -as mkisofs -quiet -r -o "$work/big.iso" "$work/tree"
rm -rf "$work/tree"
bytes=$(stat -c %s "$work/big.iso")
cat "$work/big.iso" >/dev/null
echo "image: $bytes bytes"
best_ours=0 best_xorriso=0 peak_ours=0 peak_xorriso=0
printf '%-6s %14s %14s\n' round "extract s" "xorriso s"
for round in 1 2 3; do
  rm -rf "$work/ours" "$work/theirs"
  read -r t_ours peak_ours < <(measure "$cli" extract --image "$work/big.iso" "$work/ours")
  if [ "$round" = 1 ]; then
    xorriso -no_rc -osirrox on -indev "stdio:$work/big.iso" -extract / "$work/theirs" >"$work/log" 2>&1 ||
      { cat "$work/log" >&2; exit 1; }
    rm "$work/ours/extract-report.json"
    diff -r "$work/ours" "$work/theirs" >/dev/null || { echo "the trees differ" >&2; exit 1; }
  fi
  rm -rf "$work/ours" "$work/theirs"
  read -r t_xorriso peak_xorriso < <(measure xorriso -no_rc -osirrox on -indev "stdio:$work/big.iso" \
    -extract / "$work/theirs")
  printf '%-6s %14s %14s\n' "$round" "$t_ours" "$t_xorriso"
  best_ours=$(smaller "$best_ours" "$t_ours")
  best_xorriso=$(smaller "$best_xorriso" "$t_xorriso")
done
rm -rf "$work/ours" "$work/theirs" "$work/big.iso"
echo "best: extract $best_ours s, xorriso $best_xorriso s;" \
  "extract / xorriso: $(awk -v a="$best_ours" -v b="$best_xorriso" 'BEGIN { printf "%.3f", a / b }')" \
  "(goal: at most 1.3)"
echo "peak memory: extract $peak_ours KB, xorriso $peak_xorriso KB"

echo
echo "== 2. 20,000 small files: in 200 folders of 100, and in one folder"
for folders in 200 1; do
  make_tree "$work/tree" 20000 "$folders" $((20000 * 100))
  xorriso -no_rc -as mkisofs -quiet -r -o "$work/small.iso" "$work/tree"
  rm -rf "$work/tree" "$work/out"
  read -r seconds peak < <(measure "$cli" extract --image "$work/small.iso" "$work/out")
  echo "$folders folder(s): extract $seconds s, peak memory $peak KB"
  rm -rf "$work/out" "$work/small.iso"
done
