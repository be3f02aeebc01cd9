#!/usr/bin/env bash
# Makes the sample discs the program opens as virtual drives, in the folder
# given (made if missing):
#   healthy.iso   ISO 9660 + Joliet + UDF 1.02 bridge + El Torito boot record
#   damaged.iso   ISO 9660 + Joliet, with damaged.iso.faults: sectors that
#                 read only after retries, sectors that never read, and a
#                 drive-like latency of 150 microseconds a sector
# Discs made by this very script are kept; any change to it makes them again.
set -euo pipefail

out=${1:?usage: make-sample-discs.sh FOLDER}
mkdir -p "$out"
out=$(cd "$out" && pwd)
stamp=$(sha1sum < "${BASH_SOURCE[0]}")
if [ -s "$out/healthy.iso" ] && [ -s "$out/damaged.iso" ] &&
  [ "$(cat "$out/.made-by" 2>/dev/null)" = "$stamp" ]; then
  exit 0
fi
rm -f "$out/.made-by"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A small tree of files with fixed contents and dates.
tree=$work/tree
mkdir -p "$tree/DOCS/MANUALS" "$tree/DATA" "$tree/boot"
printf 'Corvane Lumeter sample disc.\n' > "$tree/README.TXT"
printf 'Sector viewer, surface scan and files test all work on this disc.\n' \
  > "$tree/DOCS/ABOUT.TXT"
printf 'Chapter %s\n' $(seq 1 400) > "$tree/DOCS/MANUALS/GUIDE.TXT"
for n in 1 2 3 4; do
  head -c $((n * 300000)) /dev/zero | tr '\0' "$n" > "$tree/DATA/BLOCK$n.BIN"
done
# A no-emulation boot image: four 512-byte sectors, as a loader would be.
head -c 2048 /dev/zero > "$tree/boot/loader.bin"
find "$tree" -exec touch -h -d '2024-07-04 08:30:00 UTC' {} +

genisoimage -quiet -o "$out/healthy.iso" -V LUMETER_SAMPLE -A "CORVANE LUMETER SAMPLES" \
  -publisher "CORVANE" -J -udf -R \
  -b boot/loader.bin -no-emul-boot -boot-load-size 4 -c boot/boot.cat "$tree"

# The damaged disc: more data, so that a surface scan takes a moment.
big=$work/big
mkdir -p "$big/VIDEO"
for n in 1 2 3 4 5 6; do
  head -c 4000000 /dev/zero | tr '\0' "$n" > "$big/VIDEO/CLIP$n.VOB"
done
cp "$tree/README.TXT" "$big/"
find "$big" -exec touch -h -d '2024-07-04 08:30:00 UTC' {} +
# Its volume dates are fixed: 2024-07-04 08:30:00.
rm -f "$out/damaged.iso"
xorriso -no_rc -outdev "$out/damaged.iso" -volid SCRATCHED -joliet on \
  -volume_date c =1720081800 -volume_date m =1720081800 \
  -volume_date all_file_dates set_to_mtime -volume_date uuid 2024070408300000 \
  -map "$big" / -commit >/dev/null 2>&1

cat > "$out/damaged.iso.faults" <<'FAULTS'
# Sectors counted from the start of the medium.
# A scratch the drive reads after two retries: problem sectors.
2000-2049 2
# A worse one it reads only at the fifth try.
5000-5009 4
# A hole that never reads: error sectors.
8000-8099 always
# Every read takes as long as on a real drive.
latency 150
FAULTS
echo "$stamp" > "$out/.made-by"
