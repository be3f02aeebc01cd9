#!/usr/bin/env bash
# Checks that every source file includes only what its layer may use:
#   engine/  only the engine's own headers and system headers (no Qt)
#   core/    core/ and the engine's public header wrenlo/; no Qt
#   cli/     cli/, core/ and wrenlo/; no Qt
#   gui/     gui/, core/ and wrenlo/; never cli/
# Prints each violation as FILE:LINE: INCLUDE and exits 1 when there is any.
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"

violations=0
report() {
  echo "$1: $2" >&2
  violations=$((violations + 1))
}

sources() {
  find "$1" -type f \( -name '*.cpp' -o -name '*.h' \) | sort
}

# Quoted includes of FILE whose path does not start with one of the allowed
# prefixes; Qt headers when the layer has no Qt.
check_layer() {
  local folder=$1 qt=$2
  shift 2
  local file line path allowed prefix
  while IFS= read -r file; do
    while IFS=: read -r line path; do
      allowed=no
      for prefix in "$@"; do
        [[ $path == "$prefix"* ]] && allowed=yes
      done
      [ $allowed = yes ] || report "$file:$line" "#include \"$path\""
    done < <(grep -nE '^\s*#\s*include\s*"' "$file" | sed -E 's/^([0-9]+):.*"([^"]+)".*/\1:\2/')
    if [ "$qt" = no ]; then
      while IFS= read -r hit; do
        report "$file:${hit%%:*}" "Qt header in a layer without Qt: ${hit#*:}"
      done < <(grep -nE '^\s*#\s*include\s*<Q[A-Za-z]' "$file" || true)
    fi
  done < <(sources "$folder")
}

check_layer core no core/ wrenlo/
check_layer cli no cli/ core/ wrenlo/
check_layer gui yes gui/ core/ wrenlo/

# The engine: a quoted include must name a file of the engine, found beside
# the including file or under engine/src or engine/include.
while IFS= read -r file; do
  while IFS=: read -r line path; do
    found=no
    for base in "$(dirname "$file")" engine/src engine/include; do
      if [ -f "$base/$path" ] && [[ $(realpath "$base/$path") == "$PWD/engine/"* ]]; then
        found=yes
      fi
    done
    [ $found = yes ] || report "$file:$line" "#include \"$path\" is not an engine header"
  done < <(grep -nE '^\s*#\s*include\s*"' "$file" | sed -E 's/^([0-9]+):.*"([^"]+)".*/\1:\2/')
  while IFS= read -r hit; do
    report "$file:${hit%%:*}" "Qt header in the engine: ${hit#*:}"
  done < <(grep -nE '^\s*#\s*include\s*<Q[A-Za-z]' "$file" || true)
done < <(sources engine)

if [ $violations -gt 0 ]; then
  echo "layer check: $violations include(s) outside their layer" >&2
  exit 1
fi
echo "layer check passed"
