#!/usr/bin/env bash
# Benchmark: a surface scan of a cached disc image by lumeter-cli, against
# GNU ddrescue reading the same file one 2048-byte sector at a time, and a
# plain loop of 2048-byte reads (dd) for scale. Every round runs the three
# one after another; the figures are sectors per second, the best round of
# each, and lumeter-cli's rate as a multiple of ddrescue's (goal: above 1).
#
# usage: bash bench/cli_scan.sh [BUILD_DIR [SECTORS [ROUNDS [SCAN_OPTIONS]]]]
# (defaults: build, 1048576 sectors = 2 GiB, 5 rounds, none; needs gddrescue)
# SCAN_OPTIONS go to lumeter-cli scan, e.g. "--sectors-per-read 32".
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
sectors=${2:-1048576}
rounds=${3:-5}
read -ra scan_options <<<"${4:-}"
cli=$build/cli/lumeter-cli
[ -x "$cli" ] || { echo "no $cli: build the target lumeter-cli first" >&2; exit 2; }
command -v ddrescue >/dev/null || { echo "no ddrescue: apt-get install gddrescue" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/lumeter-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
image=$work/image.iso
# Written data rather than a sparse file, then read once, so that every run
# reads the same pages from the page cache.
head -c $((sectors * 2048)) /dev/zero | tr '\0' 'L' >"$image"
cat "$image" >/dev/null

# Runs a command; prints its rate in sectors per second (wall clock) and the
# processor time it took per sector in nanoseconds (user + system), the
# latter steadier on a machine that others share.
measure() {
  local start end cpu
  TIMEFORMAT='%3U %3S'
  start=$(date +%s%N)
  cpu=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  end=$(date +%s%N)
  awk -v n="$sectors" -v ns=$((end - start)) -v cpu="$cpu" 'BEGIN {
    split(cpu, t, " ")
    printf "%d %d\n", n * 1e9 / ns, (t[1] + t[2]) * 1e9 / n
  }'
}

run_cli() {
  local summary
  summary=$(WRENLO_IMAGES=$image "$cli" scan --json --no-history "${scan_options[@]}" 2>/dev/null) || true
  case "$summary" in
    *"\"good\": $sectors,"*) ;;
    *) echo "lumeter-cli did not read every sector: $summary" >&2; exit 1 ;;
  esac
}
run_ddrescue() {
  rm -f "$work/map"
  ddrescue -f -q -b 2048 --cluster-size=1 "$image" /dev/null "$work/map"
}
run_dd() { dd if="$image" of=/dev/null bs=2048 status=none; }

best_cli=0 best_ddrescue=0 best_dd=0
cpu_cli=999999 cpu_ddrescue=999999 cpu_dd=999999
printf '%-6s %22s %22s %22s\n' round lumeter-cli ddrescue "read loop"
for round in $(seq 1 "$rounds"); do
  read -r c cc <<<"$(measure run_cli)"
  read -r r rc <<<"$(measure run_ddrescue)"
  read -r d dc <<<"$(measure run_dd)"
  printf '%-6s %11s/s %5s ns %11s/s %5s ns %11s/s %5s ns\n' "$round" "$c" "$cc" "$r" "$rc" "$d" "$dc"
  [ "$c" -gt "$best_cli" ] && best_cli=$c
  [ "$r" -gt "$best_ddrescue" ] && best_ddrescue=$r
  [ "$d" -gt "$best_dd" ] && best_dd=$d
  [ "$cc" -lt "$cpu_cli" ] && cpu_cli=$cc
  [ "$rc" -lt "$cpu_ddrescue" ] && cpu_ddrescue=$rc
  [ "$dc" -lt "$cpu_dd" ] && cpu_dd=$dc
done
printf '%-6s %11s/s %5s ns %11s/s %5s ns %11s/s %5s ns\n' best "$best_cli" "$cpu_cli" \
  "$best_ddrescue" "$cpu_ddrescue" "$best_dd" "$cpu_dd"
echo "(sectors per second, wall clock; processor time per sector)"
awk -v c="$best_cli" -v r="$best_ddrescue" -v d="$best_dd" -v cc="$cpu_cli" -v rc="$cpu_ddrescue" \
  -v n="$sectors" 'BEGIN {
  printf "lumeter-cli: %.2f x ddrescue'"'"'s rate, %.2f x the read loop'"'"'s (%d sectors)\n", c / r, c / d, n
  printf "lumeter-cli: %.2f x ddrescue'"'"'s processor time per sector\n", cc / rc
}'
