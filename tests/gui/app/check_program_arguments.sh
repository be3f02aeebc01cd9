#!/usr/bin/env bash
# The program's command line as a user meets it in a terminal: --version and
# --help answer without a display, --help lists the options Qt programs take,
# and an unknown option ends the program with a message and exit status 1
# (on the offscreen platform, since the window's platform is needed for it).
set -uo pipefail
program=${1:?usage: check_program_arguments.sh PROGRAM VERSION}
version=${2:?usage: check_program_arguments.sh PROGRAM VERSION}

failures=0
fail() {
  echo "program arguments: $*" >&2
  failures=$((failures + 1))
}
# Runs the program without a display; sets out, err and status.
run() {
  local errors
  errors=$(mktemp)
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" 2>"$errors")
  status=$?
  err=$(cat "$errors")
  rm -f "$errors"
}

for option in --version -v; do
  run "$program" "$option"
  [ "$status" -eq 0 ] && [ "$out" = "Corvane Lumeter $version" ] ||
    fail "$option: status $status, '$out' $err"
done

for option in --help -h; do
  run "$program" "$option"
  [ "$status" -eq 0 ] || fail "$option: status $status $err"
  grep -q "^Usage: $program \[options\] \[IMAGE\.\.\.\]$" <<<"$out" ||
    fail "$option: no usage line in: $out"
  for listed in '-h, --help' '--help-all' '-v, --version' 'WRENLO_IMAGES' 'IMAGE'; do
    grep -qF -- "$listed" <<<"$out" || fail "$option: '$listed' missing from: $out"
  done
done

# An option Qt's application takes is not unknown; the version still answers.
run "$program" -platform offscreen --version
[ "$status" -eq 0 ] && [ "$out" = "Corvane Lumeter $version" ] ||
  fail "-platform offscreen --version: status $status, '$out' $err"

run "$program" -platform offscreen --no-such-option
[ "$status" -eq 1 ] || fail "--no-such-option: status $status, not 1"
grep -qF "Unknown option 'no-such-option'" <<<"$err" || fail "--no-such-option: message '$err'"

[ "$failures" -eq 0 ] || exit 1
echo "program arguments passed"
