#!/usr/bin/env bash
# lumeter-cli's bash completion: for each command line, typed up to the
# cursor at its end, the words offered. Two disc images make drives D and E;
# a third, given with --image (before or after the command), drive F.
set -uo pipefail
completion=${1:?usage: check_completion.sh COMPLETION_FILE LUMETER_CLI}
cli=${2:?usage: check_completion.sh COMPLETION_FILE LUMETER_CLI}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source /usr/share/bash-completion/bash_completion
source "$completion"
PATH=$(dirname "$(realpath "$cli")"):$PATH
truncate -s $((2048 * 32)) "$work/one.iso" "$work/two.iso" "$work/three.iso"
touch "$work/sector.bin"
export WRENLO_IMAGES=$work/one.iso:$work/two.iso
cd "$work"

# The words offered for LINE, sorted, one line.
offered() {
  local line=$1
  COMP_LINE=$line
  COMP_POINT=${#line}
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _lumeter_cli lumeter-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | xargs
}

failures=0
while IFS='|' read -r line expected; do
  got=$(offered "$line")
  if [ "$got" != "$expected" ]; then
    echo "'$line': offered '$got', expected '$expected'" >&2
    failures=$((failures + 1))
  fi
done <<'CASES'
lumeter-cli |compare copy devices dump extract files help history info media report save scan whohas
lumeter-cli d|devices dump
lumeter-cli files --|--help --image --json --session
lumeter-cli whohas |D E
lumeter-cli --|--help --image --version
lumeter-cli --image th|three.iso
lumeter-cli --image three.iso |compare copy devices dump extract files help history info media report save scan whohas
lumeter-cli --image three.iso media |D E F
lumeter-cli devices --|--help --image --json
lumeter-cli scan --|--attempts --files --first --help --image --json --last --mapfile --no-history --retry-from --sectors-per-read --session --skip-after-error --speed --speed-csv --surface
lumeter-cli scan --session |all
lumeter-cli dump --session |
lumeter-cli scan --sectors-per-read |1 16 2 32 4 64 8
lumeter-cli scan --speed |max
lumeter-cli scan --attempts |
lumeter-cli dump --|--help --image --session
lumeter-cli extract --|--help --image --json --overwrite --session
lumeter-cli whohas --|--help --image --session
lumeter-cli scan --image th|three.iso
lumeter-cli scan --image three.iso |D E F
lumeter-cli save --image three.iso F 3 s|sector.bin
lumeter-cli report --|--help --html --image --json --no-history --scan
lumeter-cli report --scan |both files surface
lumeter-cli scan |D E
lumeter-cli media E|E
lumeter-cli scan D |
lumeter-cli dump --session 2 |D E
lumeter-cli dump D |
lumeter-cli scan --mapfile s|sector.bin
lumeter-cli scan --retry-from s|sector.bin
lumeter-cli save |D E
lumeter-cli save D |
lumeter-cli save D 16 s|sector.bin
lumeter-cli save 16 s|sector.bin
lumeter-cli help s|save scan
lumeter-cli help scan |
lumeter-cli copy --|--help --image --json --mapfile --no-scrape --no-trim --retries --retry-speed --sectors-per-read --session --speed
lumeter-cli copy --session |all last
lumeter-cli copy --speed |max
lumeter-cli copy |D E one.iso sector.bin three.iso two.iso
lumeter-cli copy D t|three.iso two.iso
lumeter-cli copy D two.iso |
lumeter-cli compare --|--attempts --help --image --json --mapfile --no-history --sectors-per-read --speed --speed-csv
lumeter-cli compare t|three.iso two.iso
lumeter-cli compare |D E one.iso three.iso two.iso
lumeter-cli compare D t|three.iso two.iso
lumeter-cli compare D two.iso |
lumeter-cli history --|--all --forget --help --image --json
lumeter-cli history |D E
lumeter-cli history --all |
lumeter-cli history --forget |
lumeter-cli history --forget 3 |
CASES

[ "$failures" -eq 0 ] || exit 1
echo "completion passed"
