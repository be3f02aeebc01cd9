#!/usr/bin/env bash
# Makes the seed corpus of each fuzz target under the folder given, with the
# same Debian tools the engine's tests use. Images are cut to what the fuzz
# targets read: from sector 16 to the end of the volume.
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$out/iso9660_fuzz" "$out/directory_walk_fuzz" "$out/faults_fuzz" "$out/rock_ridge_fuzz"

# A small tree: files, nested directories, a long and a non-ASCII name.
tree=$work/tree
mkdir -p "$tree/DIR/SUB/DEEP" "$tree/boot"
echo hello >"$tree/A.TXT"
printf 'x%.0s' {1..3000} >"$tree/DIR/B.BIN"
: >"$tree/DIR/EMPTY.DAT"
echo deep >"$tree/DIR/SUB/DEEP/long_name_file.text"
echo grüße >"$tree/Grüße.txt"
head -c 2048 /dev/zero >"$tree/boot/boot.img"

# Keeps sectors 16 .. volume end of an image as one seed.
seed() {
  local image=$1 name=$2
  local sectors
  sectors=$(isoinfo -d -i "$image" | sed -n 's/^Volume size is: //p')
  for target in iso9660_fuzz directory_walk_fuzz; do
    dd if="$image" of="$out/$target/$name" bs=2048 skip=16 count=$((sectors - 16)) status=none
  done
}

genisoimage -quiet -no-pad -o "$work/plain.iso" "$tree"
seed "$work/plain.iso" plain
genisoimage -quiet -no-pad -J -o "$work/joliet.iso" "$tree"
seed "$work/joliet.iso" joliet
xorriso -no_rc -outdev "$work/boot.iso" -joliet on -map "$tree" / \
  -boot_image any bin_path=/boot/boot.img -boot_image any emul_type=no_emulation \
  -padding 0 -commit >/dev/null 2>&1
seed "$work/boot.iso" boot

# Rock Ridge names that go on in continuation areas: a name of 200
# characters, and a directory of long names over several sectors.
mkdir -p "$work/rr/many"
echo long >"$work/rr/$(printf 'L%.0s' {1..200}).dat"
for i in $(seq 1 30); do echo "$i" >"$work/rr/many/a rather long name, number $i.txt"; done
xorriso -no_rc -outdev "$work/rr.iso" -map "$work/rr" / -padding 0 -commit >/dev/null 2>&1
seed "$work/rr.iso" rockridge

# rock_ridge_fuzz: skip, field length, field, then the sectors of the
# continuation areas. A whole name; a name that goes on in sector 0 at offset
# 8; entries after skipped bytes.
rr=$out/rock_ridge_fuzz
printf '\x00\x0dNM\x0d\x01\x00Name.txt' >"$rr/name"
{
  printf '\x00\x26NM\x0a\x01\x01first'
  printf 'CE\x1c\x01\x00\x00\x00\x00\x00\x00\x00\x00\x08\x00\x00\x00\x00\x00\x00\x08'
  printf '\x0b\x00\x00\x00\x00\x00\x00\x0b'
  printf 'PADDING.NM\x0b\x01\x00second'
} >"$rr/continued"
printf '\x03\x0d\x01\x02\x03NM\x0a\x01\x00short' >"$rr/skipped"

printf '# a comment\n100 3\n200-210 always\nlatency 150\n' >"$out/faults_fuzz/mixed"
printf '0-4294967295 1\n' >"$out/faults_fuzz/everything"
printf '5 2\r\n7-9 1\r\n' >"$out/faults_fuzz/crlf"
