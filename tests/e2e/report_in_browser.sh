#!/usr/bin/env bash
# A report as a browser shows and prints it: lumeter-cli scans the damaged
# sample disc and writes its HTML report (the window's Save Report writes the
# same), headless Chromium takes a screenshot at a desktop's and a phone's
# width and prints it to PDF on A4, and pdftoppm turns each printed page into
# a PNG. All land in SCREENSHOTS as report-*.png, to be looked at, with
# report-window.png of the report the end-to-end test saved from the window,
# when it is there.
set -euo pipefail

cli=${1:?usage: report_in_browser.sh LUMETER_CLI DISC_IMAGE SCREENSHOTS}
disc=${2:?usage: report_in_browser.sh LUMETER_CLI DISC_IMAGE SCREENSHOTS}
out=${3:?usage: report_in_browser.sh LUMETER_CLI DISC_IMAGE SCREENSHOTS}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The scan's history goes to a folder of the test's own, and the report
# shows it.
export XDG_DATA_HOME=$work/data

# Problems and errors are found on this disc: status 1.
status=0
WRENLO_IMAGES=$disc "$cli" report --scan both --html "$work/report.html" > "$work/progress" ||
  status=$?
if [ "$status" -ne 1 ]; then
  echo "lumeter-cli report ended with status $status" >&2
  exit 1
fi
cp "$work/report.html" "$out/report.html"

# The browser runs without a network, a profile of its own and no sandbox
# (which needs privileges a test machine may not give).
browser() {
  local page=$1
  shift
  timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --no-first-run --user-data-dir="$work/profile" --disable-background-networking \
    --no-pdf-header-footer --print-to-pdf-no-header "$@" "file://$page" \
    > "$work/browser.log" 2>&1 || { cat "$work/browser.log" >&2; return 1; }
}

browser "$work/report.html" --window-size=1000,3200 --screenshot="$out/report-desktop.png"
browser "$work/report.html" --window-size=390,3200 --screenshot="$out/report-phone.png"
browser "$work/report.html" --print-to-pdf="$work/report.pdf"
if [ -s "$out/report-window.html" ]; then
  browser "$out/report-window.html" --window-size=1000,3200 --screenshot="$out/report-window.png"
fi
rm -f "$out"/report-page-*.png
pdftoppm -png -r 60 "$work/report.pdf" "$out/report-page"

pages=$(pdfinfo "$work/report.pdf" | sed -n 's/^Pages: *//p')
pageSize=$(pdfinfo "$work/report.pdf" | sed -n 's/^Page size: *//p')
echo "printed: $pages pages of $pageSize"
for picture in "$out/report-desktop.png" "$out/report-phone.png" "$out"/report-page-*.png; do
  if [ ! -s "$picture" ] || [ "$(head -c 8 "$picture" | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
    echo "no picture: $picture" >&2
    exit 1
  fi
done
# pdfinfo names A4 when it sees it.
case $pageSize in
  *"(A4)") ;;
  *)
    echo "not printed on A4: $pageSize" >&2
    exit 1
    ;;
esac
[ "$pages" -ge 1 ]
