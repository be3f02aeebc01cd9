#!/usr/bin/env bash
# Runs every fuzz target of a LUMETER_FUZZ build for a while each, from a
# corpus made by make_corpus.sh; fails on the first finding. Usage:
#   fuzz/run.sh BUILD_DIR SECONDS_PER_TARGET
set -euo pipefail
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
corpus=$build/fuzz-corpus
rm -rf "$corpus"
bash "$here/make_corpus.sh" "$corpus"
for fuzzer in $(find "$build" -type f -perm -u+x -name '*_fuzz' | sort); do
  name=$(basename "$fuzzer")
  mkdir -p "$corpus/$name" "$build/fuzz-findings/$name"
  echo "== $name, $seconds s"
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=262144 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$name/" "$corpus/$name" 2>&1 |
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss|INFO: seed|==[0-9]+==ERROR|SUMMARY|.*Test unit written)' || true
  # libFuzzer's exit status is lost in the pipe: a finding leaves an artifact.
  if compgen -G "$build/fuzz-findings/$name/*" >/dev/null; then
    echo "$name found a failing input: $(ls "$build/fuzz-findings/$name")"
    exit 1
  fi
done
