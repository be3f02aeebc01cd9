#!/usr/bin/env bash
# Runs every fuzz target of a LUMETER_FUZZ build for a while each, from a
# corpus made by make_corpus.sh; fails on the first finding. Usage:
#   fuzz/run.sh BUILD_DIR SECONDS_PER_TARGET
set -euo pipefail
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
corpus=$build/fuzz-corpus
rm -rf "$corpus" "$build/fuzz-findings"
bash "$here/make_corpus.sh" "$corpus"
if [ -x "$build/fuzz/udf_seeds" ]; then "$build/fuzz/udf_seeds" "$corpus/udf_fuzz" >/dev/null; fi
for fuzzer in $(find "$build" -type f -perm -u+x -name '*_fuzz' | sort); do
  name=$(basename "$fuzzer")
  mkdir -p "$corpus/$name" "$build/fuzz-findings/$name"
  # Whole UDF volumes, and sessions up to UDF's anchor, are larger than the
  # ISO 9660 structures.
  max_len=262144
  [ "$name" = udf_fuzz ] || [ "$name" = volume_descriptors_fuzz ] && max_len=1048576
  echo "== $name, $seconds s"
  # A slow input on a busy machine is no finding; an input that takes 30 s is.
  "$fuzzer" -max_total_time="$seconds" -timeout=30 -report_slow_units=100000 -rss_limit_mb=2048 \
    -max_len=$max_len \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$name/" "$corpus/$name" 2>&1 |
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss|INFO: seed|==[0-9]+==ERROR|SUMMARY|.*Test unit written)' || true
  # libFuzzer's exit status is lost in the pipe: a finding leaves an artifact.
  if compgen -G "$build/fuzz-findings/$name/*" >/dev/null; then
    echo "$name found a failing input: $(ls "$build/fuzz-findings/$name")"
    exit 1
  fi
done
