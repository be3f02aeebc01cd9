#!/usr/bin/env bash
# Makes the seed corpus of each fuzz target under the folder given, with the
# same Debian tools the engine's tests use. Images are cut to what the fuzz
# targets read: from sector 16 to the end of the volume.
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$out/iso9660_fuzz" "$out/directory_walk_fuzz" "$out/layout_fuzz" "$out/faults_fuzz"

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
  for target in iso9660_fuzz directory_walk_fuzz layout_fuzz; do
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

printf '# a comment\n100 3\n200-210 always\nlatency 150\n' >"$out/faults_fuzz/mixed"
printf '0-4294967295 1\n' >"$out/faults_fuzz/everything"
printf '5 2\r\n7-9 1\r\n' >"$out/faults_fuzz/crlf"

# Drive replies: a two-session CD's full TOC (audio, then CD-ROM XA data).
mkdir -p "$out/drive_replies_fuzz"
printf '\x00\x65\x01\x02\x01\x10\x00\xa0\x00\x00\x00\x00\x01\x00\x00\x01\x10\x00\xa1\x00\x00\x00\x00\x02\x00\x00\x01\x10\x00\xa2\x00\x00\x00\x00\x04\x1c\x32\x01\x10\x00\x01\x00\x00\x00\x00\x00\x02\x00\x01\x10\x00\x02\x00\x00\x00\x00\x02\x0f\x19\x02\x14\x00\xa0\x00\x00\x00\x00\x03\x20\x00\x02\x14\x00\xa1\x00\x00\x00\x00\x03\x00\x00\x02\x14\x00\xa2\x00\x00\x00\x00\x08\x37\x19\x02\x14\x00\x03\x00\x00\x00\x00\x07\x00\x32' \
  >"$out/drive_replies_fuzz/full-toc"
