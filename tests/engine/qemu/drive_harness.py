#!/usr/bin/env python3
"""Boots throw-away QEMU guests (software emulation, no network, always under
`timeout`) whose only program is the drive probe, with fixture images on
QEMU's IDE/ATAPI and SCSI CD drives, an empty drive and drives whose reads
fail where blkdebug says. The same probe runs on the host with WRENLO_IMAGES
naming the same images, as the engine's virtual drives. What the engine
reports of the medium and its file systems through a real drive must match
what it reports of the image; the drive's own identity, abilities and speeds
are checked against what is known of QEMU's drives, and scans against the
images themselves. A last guest runs the media watcher on its drive while
the host takes the disc out and puts it back through QEMU's monitor.

Prints the read rates the probe measured and the time of the whole run.
"""
import argparse
import glob
import gzip
import os
import re
import shutil
import socket
import subprocess
import sys
import time

CD_SECTORS_WANTED = 1100          # a CD-sized fixture, small enough to scan
DVD_SECTORS = 370000              # above 360,000 sectors QEMU calls the medium a DVD
BOOT_TIMEOUT_S = 300

MODULES = ["scsi_common", "scsi_mod", "cdrom", "sr_mod", "sg", "libata", "ata_piix",
           "virtio_ring", "virtio", "virtio_pci_legacy_dev", "virtio_pci_modern_dev",
           "virtio_pci", "virtio_scsi"]

# The 46 capability questions, in the probe's order.
QUESTIONS = ["ReadsCdR", "ReadsCdRw", "ReadsDvdRom", "ReadsDvdR", "ReadsDvdRw",
             "ReadsDvdRDualLayer", "ReadsDvdPlusR", "ReadsDvdPlusRw", "ReadsDvdPlusRwDualLayer",
             "ReadsDvdRam", "ReadsBluRay", "ReadsMultisession", "ReadsMode2Form1",
             "ReadsMode2Form2", "ReadsFixedPacketMethod2", "ReadsRwSubcodes",
             "CorrectRwSubcodes", "ReadsRwInLeadIn", "ReadsIsrc", "ReadsUpc", "ReadsBarcode",
             "ReadsCdText", "WritesCdR", "WritesCdRw", "WritesHdBurn", "WritesDvdR",
             "WritesDvdRw", "WritesDvdRDualLayer", "WritesDvdPlusR", "WritesDvdPlusRw",
             "WritesDvdPlusRDualLayer", "WritesDvdRam", "WritesBdR", "WritesBdRe",
             "WritesHdDvdR", "WritesHdDvdRw", "SupportsSimulatedWrite",
             "BufferUnderrunProtection", "PlaysAudioCd", "Composite", "DigitalPort1",
             "DigitalPort2", "SupportsCddaCommand", "CddaAccurate", "SupportsC2Pointers",
             "SupportsLocking"]

# What QEMU's drives say of themselves (MODE SENSE page 2Ah bytes 2 to 7:
# IDE 3b 00 71 60 29 00, SCSI 3b 00 7f ff 2d 00; neither writes).
DRIVE_READS = {"ReadsCdR", "ReadsCdRw", "ReadsDvdRom", "ReadsDvdR", "ReadsDvdRam",
               "ReadsMultisession", "ReadsMode2Form1", "ReadsMode2Form2", "PlaysAudioCd",
               "SupportsLocking"}
IDE = {
    "identity": "vendor=QEMU|model=QEMU DVD-ROM|revision=2.5+|firmware=2.5+|serial=|region=0|changes=0|buffer=512",
    "speeds": "read=704 write=0 results=0,0",
    "yes": DRIVE_READS | {"ReadsIsrc", "ReadsUpc"},
}
SCSI_SERIAL = "LUMETER-42"
SCSI = {
    "identity": "vendor=QEMU|model=QEMU CD-ROM|revision=2.5+|firmware=2.5+|serial=%s|region=0|changes=0|buffer=2048" % SCSI_SERIAL,
    "speeds": "read=8800 write=0 results=0,0",
    "yes": DRIVE_READS | {"Composite", "DigitalPort1", "DigitalPort2", "SupportsCddaCommand",
                          "CddaAccurate", "ReadsRwSubcodes", "CorrectRwSubcodes",
                          "SupportsC2Pointers", "ReadsIsrc", "ReadsUpc", "ReadsBarcode"},
}
PERMISSION = "permission denied: add the user to the cdrom group"


def unusable_entry(model):
    """A drive the user may not open, as GetDevices lists it after its "#D: ":
    the record holds 49 characters of the text, and the parser drops the
    spaces the line may end with."""
    return ("#D: QEMU QEMU %s: %s" % (model, PERMISSION))[:49][4:].rstrip()


def capability_string(yes):
    return "".join("1" if q in yes else "0" for q in QUESTIONS)


def run(command, **kwargs):
    return subprocess.run(command, check=True, **kwargs)


VOLUME = {"label": "LUMETER_DISC", "application": "LUMETER DRIVE HARNESS",
          "publisher": "LUMETER TESTS"}


def make_fixtures(work):
    tree = os.path.join(work, "tree")
    shutil.rmtree(tree, ignore_errors=True)
    os.makedirs(os.path.join(tree, "DIR", "SUB"))
    with open(os.path.join(tree, "README.TXT"), "w") as f:
        f.write("Fixture disc for the drive harness.\n")
    state = 12345
    data = bytearray()
    while len(data) < (CD_SECTORS_WANTED - 300) * 2048:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        data += state.to_bytes(4, "little")
    with open(os.path.join(tree, "DIR", "DATA.BIN"), "wb") as f:
        f.write(data)
    with open(os.path.join(tree, "DIR", "SUB", "Long name.txt"), "w") as f:
        f.write("Joliet keeps this name.\n")
    # ISO 9660, Joliet and a UDF 1.02 bridge in one image.
    cd = os.path.join(work, "cd.iso")
    run(["genisoimage", "-quiet", "-udf", "-J", "-V", VOLUME["label"], "-A",
         VOLUME["application"], "-publisher", VOLUME["publisher"], "-o", cd, tree])
    dvd = os.path.join(work, "dvd.iso")
    shutil.copyfile(cd, dvd)
    os.truncate(dvd, DVD_SECTORS * 2048)  # sparse: a DVD-sized medium
    return tree, cd, dvd


def tree_entries(tree):
    """The fixture tree's paths as the probe lists them: each name after a
    '/', and a '/' after a directory."""
    found = set()
    for base, dirs, files in os.walk(tree):
        relative = os.path.relpath(base, tree)
        prefix = "/" if relative == "." else "/" + relative.replace(os.sep, "/") + "/"
        found.update(prefix + d + "/" for d in dirs)
        found.update(prefix + f for f in files)
    return found


def blkdebug(work, name, image, sectors, errno):
    conf = os.path.join(work, name + ".conf")
    with open(conf, "w") as f:
        for sector in sectors:
            f.write('[inject-error]\nevent = "read_aio"\nerrno = "%d"\nsector = "%d"\n\n'
                    % (errno, sector * 4))
    return "blkdebug:%s:%s" % (conf, image)


def fnv_checksum(image, bad):
    h = 1469598103934665603
    with open(image, "rb") as f:
        sector = 0
        while True:
            block = f.read(2048)
            if not block:
                break
            if sector in bad:
                block = bytes(2048)
            for b in block:
                h = ((h ^ b) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
            sector += 1
    return "%016x" % h


def find_kernel():
    kernels = sorted(glob.glob("/boot/vmlinuz-*-cloud-amd64"))
    if not kernels:
        sys.exit("no cloud kernel in /boot: scripts/setup.sh installs linux-image-cloud-amd64")
    kernel = kernels[-1]
    version = os.path.basename(kernel)[len("vmlinuz-"):]
    return kernel, "/lib/modules/" + version


def make_initramfs(work, probe, modules_dir, probe_runs, drive_count):
    root = os.path.join(work, "initramfs")
    shutil.rmtree(root, ignore_errors=True)
    for d in ("bin", "lib/modules", "proc", "sys", "dev", "tmp"):
        os.makedirs(os.path.join(root, d))
    busybox = shutil.which("busybox") or "/bin/busybox"
    shutil.copy(busybox, os.path.join(root, "bin", "busybox"))
    shutil.copy(probe, os.path.join(root, "bin", "probe"))
    loaded = []
    for name in MODULES:
        found = [p for p in glob.glob(os.path.join(modules_dir, "kernel", "**", "*.ko*"), recursive=True)
                 if re.sub(r"\.ko(\..*)?$", "", os.path.basename(p)).replace("-", "_") == name]
        if not found:
            continue  # built into the kernel
        target = os.path.join(root, "lib", "modules", name + ".ko")
        if found[0].endswith(".ko"):
            shutil.copy(found[0], target)
        elif found[0].endswith(".xz"):
            run(["sh", "-c", 'xz -dc "$0" > "$1"', found[0], target])
        elif found[0].endswith(".zst"):
            run(["sh", "-c", 'zstd -qdc "$0" > "$1"', found[0], target])
        loaded.append(name)
    lines = ["#!/bin/busybox sh", "/bin/busybox --install -s /bin", "export PATH=/bin",
             "mount -t proc proc /proc", "mount -t sysfs sys /sys", "mount -t devtmpfs dev /dev"]
    lines += ["insmod /lib/modules/%s.ko" % name for name in loaded]
    lines += ["i=0",
              "while [ $(ls /sys/class/block | grep -c '^sr') -lt %d ] && [ $i -lt 300 ]; do" % drive_count,
              "  usleep 100000; i=$((i+1))", "done"]
    for args in probe_runs:
        if args == "cdrom-group":  # from here on the drives belong to group 1000
            lines += ["chgrp 1000 /dev/sr*", "chmod 0660 /dev/sr*"]
        else:
            lines.append("/bin/probe %s" % args)
    lines += ["echo '@probe finished'", "poweroff -f"]
    init = os.path.join(root, "init")
    with open(init, "w") as f:
        f.write("\n".join(lines) + "\n")
    os.chmod(init, 0o755)
    image = os.path.join(work, "initramfs.cpio.gz")
    listing = subprocess.run(["sh", "-c", "cd \"$0\" && find . | cpio -o -H newc --quiet", root],
                             check=True, capture_output=True).stdout
    with gzip.open(image, "wb", compresslevel=1) as f:
        f.write(listing)
    return image


def boot(work, name, kernel, initramfs, drives):
    command = ["timeout", str(BOOT_TIMEOUT_S), "qemu-system-x86_64", "-M", "pc", "-accel", "tcg",
               "-m", "512", "-nographic", "-no-reboot", "-nic", "none", "-kernel", kernel,
               "-initrd", initramfs, "-append", "console=ttyS0 loglevel=1 panic=-1"] + drives
    started = time.monotonic()
    result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                            errors="replace")
    elapsed = time.monotonic() - started
    with open(os.path.join(work, name + ".log"), "w") as f:
        f.write(result.stdout + result.stderr)
    if "@probe finished" not in result.stdout:
        sys.exit("%s: the guest did not finish (exit %d); see %s.log\n%s"
                 % (name, result.returncode, name, result.stdout[-3000:] + result.stderr[-2000:]))
    return result.stdout, elapsed


def monitor_command(path, command):
    """Sends one command to QEMU's human monitor on a Unix socket."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as monitor:
        monitor.settimeout(30)
        monitor.connect(path)
        answer = b""
        while not answer.endswith(b"(qemu) "):
            answer += monitor.recv(4096)
        monitor.sendall(command.encode() + b"\n")
        answer = b""
        while not answer.endswith(b"(qemu) "):
            answer += monitor.recv(4096)


def watch_media_changes(work, kernel, initramfs, cd):
    """Boots a guest whose probe watches its one drive; the disc is ejected
    through the monitor once the probe watches, and put back once the probe
    has reported it gone. The changes the probe reported, in order."""
    monitor = os.path.join(work, "monitor.sock")
    if os.path.exists(monitor):
        os.remove(monitor)
    command = ["timeout", str(BOOT_TIMEOUT_S), "qemu-system-x86_64", "-M", "pc", "-accel", "tcg",
               "-m", "512", "-nographic", "-no-reboot", "-nic", "none", "-kernel", kernel,
               "-initrd", initramfs, "-append", "console=ttyS0 loglevel=1 panic=-1",
               "-monitor", "unix:%s,server=on,wait=off" % monitor,
               "-drive", "if=none,id=icd,media=cdrom,format=raw,readonly=on,file=" + cd,
               "-device", "ide-cd,drive=icd,bus=ide.1"]
    guest = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, text=True, errors="replace")
    changes, log = [], []
    for line in guest.stdout:
        log.append(line)
        if "@probe watching" in line:
            monitor_command(monitor, "eject -f icd")
        change = re.search(r"@probe drive \S watch: (\w+)", line)
        if change:
            changes.append(change.group(1))
            if change.group(1) == "removed":
                monitor_command(monitor, "change icd %s raw read-only" % cd)
    guest.wait()
    with open(os.path.join(work, "boot-watch.log"), "w") as f:
        f.write("".join(log))
    return changes


def parse(output):
    """The probe runs in output: a list of {drive letter: {key: value}}; the
    values of a key said more than once (a file list) are joined by newlines."""
    runs, current = [], None
    for raw in output.splitlines():
        at = raw.find("@probe ")  # the console may put escape codes before it
        if at < 0:
            continue
        words = raw[at + len("@probe "):].strip()
        if words.startswith("drives "):
            current = {}
            runs.append(current)
        elif words.startswith("drive ") and current is not None:
            _, letter, rest = words.split(" ", 2)
            key, _, value = rest.partition(": ")
            facts = current.setdefault(letter, {})
            facts[key] = facts[key] + "\n" + value if key in facts else value
    return runs


def run_on_host(probe, images):
    """The probe's facts of the images as the engine's virtual drives, by file name."""
    environment = dict(os.environ, WRENLO_IMAGES=":".join(images))
    result = subprocess.run(["timeout", "120", probe], env=environment, capture_output=True,
                            text=True, errors="replace")
    runs = parse(result.stdout)
    if result.returncode != 0 or len(runs) != 1:
        sys.exit("the probe failed on the host (exit %d):\n%s%s"
                 % (result.returncode, result.stdout[-3000:], result.stderr[-2000:]))
    by_name = {}
    for facts in runs[0].values():
        by_name[facts.get("entry", "").partition(": ")[2]] = facts
    return by_name


class Checker:
    def __init__(self):
        self.failures = []

    def equal(self, what, got, expected):
        if got != expected:
            self.failures.append("%s:\n    got      %r\n    expected %r" % (what, got, expected))


# The drive's own facts; everything else a probe reports of a drive with a
# medium describes the medium and must be the same through any drive.
DRIVE_KEYS = {"entry", "identity", "speeds", "capabilities", "scan", "corescan", "corescan32",
              "copy", "bench", "scanbench", "eject"}


def medium_facts(facts):
    return {key: value for key, value in facts.items() if key not in DRIVE_KEYS}


def check_image_facts(check, name, facts, sectors, type_name, entries):
    """What the host reports of a fixture image, against the image itself."""
    check.equal(name + " medium", facts.get("medium"),
                "result=0 type=%s sessions=1-1 tracks=1-1" % type_name)
    check.equal(name + " sectors", facts.get("sectors"), str(sectors))
    check.equal(name + " session 1", facts.get("session 1"),
                "result=0 start=0 count=%d first-track=1" % sectors)
    check.equal(name + " track 1", facts.get("track 1"),
                "result=0 mode=1 iso9660=1 joliet=1 udf=1 bootable=0")
    for kind in ("iso9660 1", "joliet 1"):
        volume = facts.get(kind, "")
        for field in ("label", "application", "publisher"):
            if "%s=%s|" % (field, VOLUME[field]) not in volume:
                check.failures.append("%s %s: no %s %r in %r" % (name, kind, field, VOLUME[field], volume))
    udf = facts.get("udf 1", "")
    if not udf.startswith("result=0 label=%s revision=0102 " % VOLUME["label"]):
        check.failures.append("%s udf 1: %r" % (name, udf))
    for kind in ("joliet 1", "udf 1"):
        check.equal("%s %s file list" % (name, kind),
                    set(facts.get(kind + " file", "").split("\n")), entries)
    check.equal(name + " iso9660 1 file count", len(facts.get("iso9660 1 file", "").split("\n")),
                len(entries))


def check_drive(check, where, facts, drive, image_facts):
    check.equal(where + " identity", facts.get("identity"), drive["identity"])
    check.equal(where + " speeds", facts.get("speeds"), drive["speeds"])
    check.equal(where + " capabilities", facts.get("capabilities"), capability_string(drive["yes"]))
    got = medium_facts(facts)
    for key in sorted(set(got) | set(image_facts)):
        check.equal("%s %s (against the image as a virtual drive)" % (where, key),
                    got.get(key), image_facts.get(key))


def find(run, model, has_medium):
    for letter, facts in sorted(run.items()):
        if ("model=" + model + "|") in facts.get("identity", "") and \
                facts.get("medium", "").startswith("result=0") == has_medium:
            return letter, facts
    return None, {}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--record", action="store_true",
                        help="print every drive's raw replies (for the decoder tests) and stop")
    args = parser.parse_args()
    started = time.monotonic()
    os.makedirs(args.work, exist_ok=True)
    work = os.path.abspath(args.work)

    kernel, modules = find_kernel()
    tree, cd, dvd = make_fixtures(work)
    cd_sectors = os.path.getsize(cd) // 2048
    # Read errors away from the file systems' structures (in DATA.BIN and the
    # padding), so that the drives still report the same file systems.
    bad_ide = [300, 301, 302, cd_sectors - 1]
    bad_scsi = [0, 512, 513, 514]
    on_host = run_on_host(args.probe, [cd, dvd])
    entries = tree_entries(tree)
    check = Checker()
    check_image_facts(check, "cd.iso", on_host.get("cd.iso", {}), cd_sectors, "CD-ROM", entries)
    check_image_facts(check, "dvd.iso", on_host.get("dvd.iso", {}), DVD_SECTORS, "DVD-ROM", entries)
    probe_runs = ["--as-user 1000", "cdrom-group", "--as-user 1000 --eject",
                  "--scan-max 100000 --bench 2000 --eject"]
    if args.record:
        initramfs = make_initramfs(work, args.probe, modules, ["--dump"], 3)
        output, _ = boot(work, "record", kernel, initramfs, [
            "-drive", "if=none,id=empty,media=cdrom,readonly=on",
            "-device", "ide-cd,drive=empty,bus=ide.0",
            "-drive", "if=none,id=icd,media=cdrom,format=raw,readonly=on,file=" + cd,
            "-device", "ide-cd,drive=icd,bus=ide.1",
            "-device", "virtio-scsi-pci,id=vs",
            "-drive", "if=none,id=scd,media=cdrom,format=raw,readonly=on,file=" + dvd,
            "-device", "scsi-cd,drive=scd,bus=vs.0,serial=" + SCSI_SERIAL])
        for line in output.splitlines():
            if "@probe dump" in line:
                print(line[line.find("@probe dump"):].strip())
        return 0
    initramfs = make_initramfs(work, args.probe, modules, probe_runs, 3)
    figures = []

    # Boot A: an empty IDE drive, the CD on IDE with read errors, the DVD on SCSI.
    out_a, time_a = boot(work, "boot-a", kernel, initramfs, [
        "-drive", "if=none,id=empty,media=cdrom,readonly=on",
        "-device", "ide-cd,drive=empty,bus=ide.0",
        "-drive", "if=none,id=icd,media=cdrom,format=raw,readonly=on,rerror=report,file="
        + blkdebug(work, "ide-errors", cd, bad_ide, 5),
        "-device", "ide-cd,drive=icd,bus=ide.1",
        "-device", "virtio-scsi-pci,id=vs",
        "-drive", "if=none,id=scd,media=cdrom,format=raw,readonly=on,file=" + dvd,
        "-device", "scsi-cd,drive=scd,bus=vs.0,serial=" + SCSI_SERIAL])
    # Boot B: the DVD on IDE, the CD on SCSI with medium errors.
    out_b, time_b = boot(work, "boot-b", kernel, initramfs, [
        "-drive", "if=none,id=idvd,media=cdrom,format=raw,readonly=on,file=" + dvd,
        "-device", "ide-cd,drive=idvd,bus=ide.1",
        "-drive", "if=none,id=empty,media=cdrom,readonly=on",
        "-device", "ide-cd,drive=empty,bus=ide.0",
        "-device", "virtio-scsi-pci,id=vs",
        "-drive", "if=none,id=scd,media=cdrom,format=raw,readonly=on,rerror=report,file="
        + blkdebug(work, "scsi-errors", cd, bad_scsi, 61),
        "-device", "scsi-cd,drive=scd,bus=vs.0,serial=" + SCSI_SERIAL])

    cd_medium = medium_facts(on_host.get("cd.iso", {}))
    dvd_medium = medium_facts(on_host.get("dvd.iso", {}))
    for boot_name, output, ide_medium, scsi_medium, bad, bad_code, scanned in (
            ("boot A", out_a, cd_medium, dvd_medium, bad_ide, 5, "IDE"),
            ("boot B", out_b, dvd_medium, cd_medium, bad_scsi, 6, "SCSI")):
        runs = parse(output)
        check.equal(boot_name + " probe runs", len(runs), 3)
        if len(runs) != 3:
            continue
        as_user, in_group, full = runs
        check.equal(boot_name + " drives seen by a user outside the cdrom group",
                    sorted(f.get("entry", "")[4:] for f in as_user.values()),
                    sorted(unusable_entry(model) for model in ("DVD-ROM", "DVD-ROM", "CD-ROM")))
        check.equal(boot_name + " drives", len(full), 3)
        # A user in the drives' group sees the same drives and may eject.
        for letter in sorted(full):
            for key in sorted(set(full[letter]) - {"scan", "corescan", "corescan32", "copy", "bench",
                                                   "scanbench", "eject"}):
                check.equal("%s drive %s %s as a user in the cdrom group" % (boot_name, letter, key),
                            in_group.get(letter, {}).get(key), full[letter].get(key))
            if full[letter].get("medium", "").startswith("result=0"):
                check.equal("%s drive %s eject and close as a user in the cdrom group" % (boot_name, letter),
                            in_group.get(letter, {}).get("eject"), "result=0 medium=4 close=0 medium=0")
        _, empty = find(full, "QEMU DVD-ROM", False)
        check.equal(boot_name + " empty drive", empty.get("medium"), "result=4")
        _, ide = find(full, "QEMU DVD-ROM", True)
        _, scsi = find(full, "QEMU CD-ROM", True)
        check_drive(check, boot_name + " IDE drive", ide, IDE, ide_medium)
        check_drive(check, boot_name + " SCSI drive", scsi, SCSI, scsi_medium)
        for where, facts in (("IDE", ide), ("SCSI", scsi)):
            check.equal("%s %s eject and close" % (boot_name, where), facts.get("eject"),
                        "result=0 medium=4 close=0 medium=0")
            match = re.match(r"engine=(\d+) raw=(\d+) ratio=([\d.]+) raw32=(\d+)",
                             facts.get("bench", ""))
            if match:
                figures.append("%s %s drive: engine %s reads/s, plain SG_IO READ(10) loop %s reads/s, ratio %s;"
                               " the loop at 32 sectors a command %s sectors/s (%.1fx)"
                               % (boot_name, where, match.group(1), match.group(2), match.group(3),
                                  match.group(4), int(match.group(4)) / int(match.group(2))))
            else:
                check.failures.append("%s %s: no read rates" % (boot_name, where))
            match = re.match(r"sectors=(\d+) spr1=(\d+) spr16=(\d+) spr32=(\d+) gain32=([\d.]+)",
                             facts.get("scanbench", ""))
            if match:
                figures.append("%s %s drive: surface scan of %s sectors, %s sectors/s at 1 sector"
                               " per read, %s at 16, %s at 32 (%sx)" % ((boot_name, where) + match.groups()))
            else:
                check.failures.append("%s %s: no scan rates" % (boot_name, where))
        scanned_facts = ide if scanned == "IDE" else scsi
        check.equal("%s %s scan" % (boot_name, scanned), scanned_facts.get("scan"),
                    "sectors=%d retried=%d bad=%s checksum=%s"
                    % (cd_sectors, len(bad), ",".join("%d:%d" % (s, bad_code) for s in sorted(bad)),
                       fnv_checksum(cd, set(bad))))
        # One sector or 32 per read, the same sectors are errors.
        for key, size in (("corescan", 1), ("corescan32", 32)):
            check.equal("%s %s scan by the program's scanner, %d sectors per read"
                        % (boot_name, scanned, size), scanned_facts.get(key),
                        "sectors=%d errors=%s problems=0"
                        % (cd_sectors, ",".join("%d" % s for s in sorted(bad)) or "-"))
        # The copy: the image outside the error sectors, which its mapfile
        # marks bad and it holds as zeros.
        check.equal("%s %s copy to an image" % (boot_name, scanned), scanned_facts.get("copy"),
                    "end=0 bad=%s checksum=%s"
                    % (",".join("%d" % s for s in sorted(bad)) or "-", fnv_checksum(cd, set(bad))))

    # Boot C: the disc taken out of the guest's drive and put back while the
    # probe's media watcher watches it.
    watch_initramfs = make_initramfs(work, args.probe, modules, ["--watch 120"], 1)
    started_c = time.monotonic()
    check.equal("boot C media changes the watcher reported",
                watch_media_changes(work, kernel, watch_initramfs, cd), ["removed", "arrived"])
    time_c = time.monotonic() - started_c

    for line in figures:
        print(line)
    print("guest boots: %.1f s, %.1f s and %.1f s; whole harness run: %.1f s"
          % (time_a, time_b, time_c, time.monotonic() - started))
    if check.failures:
        print("%d mismatches:" % len(check.failures))
        for failure in check.failures:
            print("  " + failure)
        return 1
    print("all drive facts match")
    return 0


if __name__ == "__main__":
    sys.exit(main())
