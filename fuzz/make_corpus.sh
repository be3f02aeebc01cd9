#!/usr/bin/env bash
# Makes the seed corpus of each fuzz target under the folder given, with the
# same Debian tools the engine's tests use. Images are cut to what the fuzz
# targets read: from sector 16 to the end of the volume.
set -euo pipefail
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$out/iso9660_fuzz" "$out/directory_walk_fuzz" "$out/layout_fuzz" "$out/faults_fuzz" \
  "$out/cue_sheet_fuzz" "$out/raw_sector_fuzz" "$out/rock_ridge_fuzz"

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

# Rock Ridge names that go on in continuation areas: a name of 200
# characters, and a directory of long names over several sectors.
mkdir -p "$work/rr/many"
echo long >"$work/rr/$(printf 'L%.0s' {1..200}).dat"
for i in $(seq 1 30); do echo "$i" >"$work/rr/many/a rather long name, number $i.txt"; done
xorriso -no_rc -outdev "$work/rr.iso" -map "$work/rr" / -padding 0 -commit >/dev/null 2>&1
seed "$work/rr.iso" rockridge

# Rock Ridge's relocated directories (genisoimage moves those below the
# eighth level), and links and names with '\' (xorriso).
mkdir -p "$work/deep/a/b/c/d/e/f/g/h/i/j" "$work/links/back"
echo deep >"$work/deep/a/b/c/d/e/f/g/h/i/j/deep.txt"
genisoimage -quiet -no-pad -R -J -o "$work/deep.iso" "$work/deep"
seed "$work/deep.iso" relocated
echo inner >"$work/links/back/inner.txt"
echo slash >"$work/links/back\\slash.txt"
ln -s back/inner.txt "$work/links/link"
ln -s /etc/hostname "$work/links/absolute"
xorriso -no_rc -outdev "$work/links.iso" -joliet on -map "$work/links" / -padding 0 -commit \
  >/dev/null 2>&1
seed "$work/links.iso" links

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
# A link "../abcdefg", its last component split over two SL entries; a
# relocated directory's CL and RE.
printf '\x00\x17SL\x0c\x01\x01\x04\x00\x01\x03abcSL\x0b\x01\x00\x00\x04defg' >"$rr/link"
printf '\x00\x10CL\x0c\x01\x17\x00\x00\x00\x00\x00\x00\x17RE\x04\x01' >"$rr/relocated"

printf '# a comment\n100 3\n200-210 always\nlatency 150\n' >"$out/faults_fuzz/mixed"
printf '0-4294967295 1\n' >"$out/faults_fuzz/everything"
printf '5 2\r\n7-9 1\r\n' >"$out/faults_fuzz/crlf"
mkdir -p "$out/ddrescue_map_fuzz"
printf '# Mapfile\n0x00000000     +               1\n#      pos        size  status\n0x00000000  0x00032000  +\n0x00032000  0x00000800  -\n0x00032800  0x00063800  ?\n' >"$out/ddrescue_map_fuzz/map"

# Drive replies: a two-session CD's full TOC (audio, then CD-ROM XA data).
mkdir -p "$out/drive_replies_fuzz"
printf '\x00\x65\x01\x02\x01\x10\x00\xa0\x00\x00\x00\x00\x01\x00\x00\x01\x10\x00\xa1\x00\x00\x00\x00\x02\x00\x00\x01\x10\x00\xa2\x00\x00\x00\x00\x04\x1c\x32\x01\x10\x00\x01\x00\x00\x00\x00\x00\x02\x00\x01\x10\x00\x02\x00\x00\x00\x00\x02\x0f\x19\x02\x14\x00\xa0\x00\x00\x00\x00\x03\x20\x00\x02\x14\x00\xa1\x00\x00\x00\x00\x03\x00\x00\x02\x14\x00\xa2\x00\x00\x00\x00\x08\x37\x19\x02\x14\x00\x03\x00\x00\x00\x00\x07\x00\x32' \
  >"$out/drive_replies_fuzz/full-toc"

# Cue sheets: every command, gaps, sessions, several files, CRLF.
cue=$out/cue_sheet_fuzz
printf 'FILE "disc.bin" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n' >"$cue/one-track"
printf 'CATALOG 0123456789012\r\nPERFORMER "Someone"\r\nTITLE "Mixed"\r\nFILE mixed.bin BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    FLAGS DCP\r\n    ISRC ABCDE1234567\r\n    INDEX 00 00:01:00\r\n    INDEX 01 00:03:00\r\n    INDEX 02 00:03:10\r\n    POSTGAP 00:00:30\r\n  TRACK 03 AUDIO\r\n    PREGAP 00:02:00\r\n    INDEX 01 00:04:00\r\n' >"$cue/mixed-crlf"
printf 'REM SESSION 01\nFILE "a (1).bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\nREM LEAD-OUT 01:30:00\nREM SESSION 02\nFILE b.bin BINARY\n  TRACK 02 MODE2/2352\n    INDEX 01 00:00:00\n  TRACK 03 MODE2/2336\n    INDEX 01 00:00:20\nFILE c.iso BINARY\n  TRACK 04 MODE1/2048\n    INDEX 01 00:00:00\n' >"$cue/sessions"
printf 'FILE a.bin BINARY\n  TRACK 01 MODE3/2352\n' >"$cue/malformed"

# volume_descriptors_fuzz: the 8-byte header (no failing sector, the
# session's size), then the session from sector 16: an ISO 9660 set, and a
# UDF volume up to past its anchor.
vd=$out/volume_descriptors_fuzz
mkdir -p "$vd"
{ printf '\xff\xff\x00\x00\x00\x01\x00\x00'; dd if="$work/boot.iso" bs=2048 skip=16 count=8 status=none; } >"$vd/iso"
mkudffs --media-type=hd --blocksize=2048 --lvid=SEED "$work/udf.img" 300 >/dev/null
{ printf '\xff\xff\x00\x00\x2c\x01\x00\x00'; dd if="$work/udf.img" bs=2048 skip=16 count=284 status=none; } >"$vd/udf"

# Stored CD sectors behind a 4-byte address: a Mode 0 sector at address 0, a
# Mode 2 Form 2 sector without EDC at address 16.
sync='\x00\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\x00'
{ printf '\x00\x00\x00\x00'; printf "$sync"; printf '\x00\x02\x00\x00'; } >"$out/raw_sector_fuzz/mode0"
{ printf '\x10\x00\x00\x00'; printf "$sync"; printf '\x00\x02\x16\x02\x00\x00\x20\x00\x00\x00\x20\x00'; head -c 2328 /dev/zero; } >"$out/raw_sector_fuzz/form2"
