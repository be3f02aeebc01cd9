#include "cli/HelpText.h"

namespace {

constexpr char kOverview[] =
    R"(Usage: lumeter-cli [--image FILE]... COMMAND [ARGUMENTS]

Inspects optical drives and the discs in them without a window: the same
facts, surface scan, files test and sector dump as the program.

Commands:
  devices                     list the drives
  info [DRIVE]                the drive's features, as the Device Features page
  media [DRIVE]               the medium and its file systems, as the Media page
  scan [DRIVE]                surface scan and/or files test of the last session
  dump [DRIVE] SECTOR         hex dump of one sector
  save [DRIVE] SECTOR FILE    write one sector's 2048 bytes to FILE
  files [DRIVE]               every file with its size and sectors
  whohas [DRIVE] SECTOR       the file or structure that holds a sector
  report [DRIVE] --html FILE  a report of the drive, medium and a scan
  copy [DRIVE] IMAGE          copy the disc to an image in passes, resumable
  compare [DRIVE] IMAGE       compare the disc with the image it was written from
  history [DRIVE]             the kept scans of the disc in the drive
  history --all               every disc scanned, with its latest scan
  extract [DRIVE] FOLDER      copy the disc's files into FOLDER, gaps as zeros
  help [COMMAND]              this help, or a command's own

DRIVE is a drive letter (D or D:); without it, the first listed drive.
Disc images named in WRENLO_IMAGES (paths separated by ':') are drives too,
and so is each FILE of --image FILE (before or after any command,
repeatable): listed after the others, the first of them the drive when no
DRIVE is given. SECTOR is a number from 0 to 4294967295; one past the end of
the session is refused. lumeter-cli COMMAND --help lists a command's options.

Every scan is kept in the scan history (see lumeter-cli history --help),
unless --no-history is given to scan or report.

No output is ever written over a file the program reads (a disc image, its
cue sheet, BIN or faults file, the mapfile of --retry-from, the image of
compare) or to a block device. Names from a disc are shown with their control
characters escaped.

Exit status: 0 success (every sector and file chosen read, and the content as
recorded), 1 problems or errors found, or content that differs from a
checksum list, an MD5 the disc records or the compared image (or a scan
stopped before its end, or no usable drive for devices), 2 bad arguments, a
device error or output that could not be written (a reader gone stops a
scan, as Ctrl-C does).
)";

constexpr char kDevices[] =
    R"(Usage: lumeter-cli devices [--json]

Lists the drives as the program's drive list shows them: the drive letter and
the display text, a long one shortened in its middle. Drives that cannot be
used are listed after them, marked "unavailable", with the whole reason. Exit
status 1 when no drive can be used.

A copy of a disc opened with its GNU ddrescue mapfile beside it (IMAGE.map,
or NAME.cue.map for a cue sheet) reads the sectors the mapfile does not mark
finished as failed, as the disc did; one that lacks any is listed with
"partial copy, N missing" after its name. A mapfile of another size or a
malformed one leaves the image unavailable, with the reason.

  --json   print a JSON array of {"drive", "text", "available", "path"}, with
           "name", the drive's whole text, for a drive that can be used and
           "reason", the whole reason, for one that cannot: "text" is the
           engine's list entry, which holds only their first 49 characters;
           "path" is the device node or the image's path; "missing_sectors"
           for a copy read with its mapfile
)";

constexpr char kInfo[] =
    R"(Usage: lumeter-cli info [DRIVE] [--json]

Prints the rows of the Device Features page for the drive, group by group:
identity, DVD region, what it reads and writes ("Yes"/"No") with its top
speeds, and its other abilities.

  --json   print a JSON array of groups: {"title", "rows": [{"label", "value"}]}
)";

constexpr char kMedia[] =
    R"(Usage: lumeter-cli media [DRIVE] [--json]

Prints the rows of the Media page for the medium in the drive, group by group:
type and size, content, and the ISO 9660, Joliet and UDF file systems of the
last session. Without a medium there are no rows.

  --json   print a JSON array of groups: {"title", "rows": [{"label", "value"}]}
)";

constexpr char kScan[] =
    R"(Usage: lumeter-cli scan [DRIVE] [--surface] [--files] [--json] [--mapfile FILE]
         [--session N|all] [--sectors-per-read N] [--attempts N]
         [--skip-after-error N] [--first SECTOR] [--last SECTOR] [--speed max|N]
         [--retry-from MAPFILE] [--speed-csv FILE]

Scans the last session of the medium, as the Scan page does: the surface scan
reads every sector (up to 5 attempts each) and classes it good, problem or
error; the files test has every file verified. Default: the surface scan.
The files test checks the files against the checksum lists it finds anywhere
on the disc (md5sum.txt, MD5SUMS, SHA1SUMS, SHA256SUMS, SHA512SUMS, *.md5,
*.sha1, *.sha256, *.sha512, *.sfv) and against the MD5s xorriso recorded
(-md5 on); a scan of the whole session checks the session's recorded MD5s
and an MD5 implanted by implantisomd5.
Shows live progress and each log entry, then a summary. Ctrl-C (or SIGTERM,
SIGHUP) stops the scan after the sector or file in progress, writes the
mapfile and prints what was found so far; a second Ctrl-C ends the program at
once. A file system the disc announces that cannot be listed is an error of
the files test.

  --surface        run the surface scan
  --files          run the files test (after the surface scan when both)
  --json           print only a JSON summary on standard output; progress
                   and log go to standard error
  --mapfile FILE   write the sector states as a GNU ddrescue mapfile: good
                   and problem sectors finished (+), error sectors bad (-),
                   sectors not read non-tried (?). A device or FIFO is
                   written to; a file is replaced whole or not at all.
  --no-history     keep no record of this scan in the scan history; a
                   history that cannot be written is only a warning

Surface scan options:
  --session N|all        scan session N, or all of the disc's sessions,
                         instead of the last session; sectors then count from
                         the disc's start, and the gaps between sessions are
                         not read
  --sectors-per-read N   read 1 (default), 2, 4, 8, 16, 32 or 64 sectors at a
                         time; a read that fails is read again sector by
                         sector, so the classes are those of 1
  --attempts N           read attempts per sector, 1 to 20 (default 5)
  --skip-after-error N   after an error sector, skip the next N sectors
                         (default 0); they are counted as not read
  --first SECTOR         the first sector to scan (default 0)
  --last SECTOR          the last sector to scan (default: the session's last);
                         sectors outside the range are not read, and a range
                         read whole is a success
  --speed max|N          the drive's read speed during the scan: max (default)
                         or N times the medium's base speed; restored after
  --retry-from MAPFILE   scan only the sectors that a GNU ddrescue mapfile
                         does not mark finished (+); the others stay good. A
                         map with blocks past this disc's end is another
                         disc's, and refused
  --speed-csv FILE       write the read speed over the disc as CSV: one line
                         per group of sectors
SECTOR counts from the start of the last session, or with --session from the
disc's start.
)";

constexpr char kCompare[] =
    R"(Usage: lumeter-cli compare [DRIVE] IMAGE [--json] [--mapfile FILE]
         [--sectors-per-read N] [--attempts N] [--speed max|N] [--speed-csv FILE]
         [--no-history]

Compares the last session of the disc with IMAGE, the file it was written
from: a surface scan that reads the disc and the image side by side and
classes each sector the same, differing, unreadable on the disc, or past the
image's end. Zeros past the image's end are a writer's padding and no
difference; the summary counts them. Sectors that differ are mapped to the
files that hold them ("Files that differ"). An image longer than the session
is a difference too. IMAGE must be a regular file: a FIFO, a device or a
folder is refused. Exit status 1 when anything differs or does not read.

  --json                 print only a JSON summary, with "compare":
                         {"differs": [[first, last], ...], "files_differ",
                         "padding_sectors", ...}
  --mapfile FILE         as for scan
  --sectors-per-read N   sectors read at a time (default 32)
  --attempts N, --speed max|N, --speed-csv FILE, --no-history   as for scan
)";

constexpr char kDump[] =
    R"(Usage: lumeter-cli dump [DRIVE] SECTOR [--session N]

Prints one sector as the Sector Viewer's hex dump: sixteen bytes a line, as
hexadecimal values and as characters. SECTOR counts from the start of the
session.

  --session N   the session to read (default: the last one)
)";

constexpr char kSave[] =
    R"(Usage: lumeter-cli save [DRIVE] SECTOR FILE [--session N]

Writes the raw 2048 bytes of one sector to FILE, as the Sector Viewer's Save
does; FILE - is standard output. A sector that does not read writes nothing
(exit status 1). SECTOR counts from the start of the session.

  --session N   the session to read (default: the last one)
)";

constexpr char kFiles[] =
    R"(Usage: lumeter-cli files [DRIVE] [--session N] [--json]

Lists every file of a session (the last one unless --session names another),
as the files test walks it (UDF, else Rock Ridge, else Joliet, else ISO 9660,
as Linux reads the disc), with its path from the root ("/DOCS/A.TXT"), its
size in bytes and the sectors its data lies on (embedded data: the sector of
its entry), each counted from the start of the session it lies in; on a disc
of several sessions each run says which ("(session 1) 33-130"). A symbolic
link shows as "PATH -> TARGET". A folder that cannot be listed is named on
standard error and the exit status is 1, as it is for a disc without a file
system ("no file system on this disc").

  --session N   list the files of session N (default: the last one)
  --json        print {"session", "files": [{"path", "type": "file", "size",
                "session", "extents": [{"session", "first", "last"}, ...]},
                {"path", "type": "symlink", "target"}, ...],
                "file_system_errors": ["/FOLDER: why", ...]}
)";

constexpr char kWhoHas[] =
    R"help(Usage: lumeter-cli whohas [DRIVE] SECTOR [--session N]

Prints what holds a sector (SECTOR counts from the start of the session):
each file with the byte of the file at which the sector starts, and each
structure of every file system of the disc, named with its tree (system
area, volume descriptors, path tables, directories, Rock Ridge continuation
areas, boot catalog and images, UDF descriptors, bitmaps, streams, tables and
file entries), a track no file system holds ("Audio track 2, 01:23:45",
"Data track 1 (no file system)"); "free" when nothing does. A sector past
the session's end is refused.

  --session N   count SECTOR from the start of session N (default: the last one)
)help";

constexpr char kReport[] =
    R"(Usage: lumeter-cli report [DRIVE] [--scan surface|files|both]
                          (--html FILE | --json FILE)

Writes a report of the drive and its disc, as the program's Save Report does:
the Device Features and Media pages' rows and, with --scan, the scan run
first (its progress and log shown as scan shows them): its summary, damaged
files, log and surface map.

  --scan PASSES   run a surface scan, a files test or both first
  --html FILE     one self-contained HTML file, to read, print or share
  --json FILE     {"drive", "medium", "scan", "history"}: the pages' rows as
                  info and media --json print them, the scan's summary as
                  scan --json, the disc's history as history --json
  --no-history    keep no record of the scan, and leave the disc's history
                  out of the report

The report holds the disc's kept scans (a table, and a chart of its problem
and error sectors over time). The exit status is scan's when a scan ran,
else 0.
)";

constexpr char kHistory[] =
    R"(Usage: lumeter-cli history [DRIVE] [--json]
       lumeter-cli history --all [--json]
       lumeter-cli history --forget ID

Every scan (surface scan, files test) is kept in the scan history, in
$XDG_DATA_HOME/Corvane/Lumeter/history.sqlite (~/.local/share/... when
XDG_DATA_HOME is not set), as a scan of the disc it read: the same disc in
any drive, and an image of it, is one disc. A disc is known by its volume
label, its creation time, its last session's size and a hash of its first
volume descriptors.

Without --all, lists the kept scans of the disc in the drive, oldest first:
the scan's id, date, kind, drive, good, problem and error sectors, and
damaged files.

  --all         every disc in the history, with its latest scan
  --forget ID   forget the scan with this id (a disc goes with its last scan)
  --json        history: {"disc": {...}, "scans": [{"id", "time", "kind",
                "drive", "good_sectors", "problem_sectors", "error_sectors",
                "damaged_files", ... "problem_ranges", "error_ranges",
                "damaged", "speed_curve"}]}; with --all: {"discs": [{...,
                "scans", "latest_scan"}]}; times in UTC
)";

constexpr char kCopy[] =
    R"(Usage: lumeter-cli copy [DRIVE] IMAGE [--mapfile MAP] [--session last|all]
         [--sectors-per-read N] [--retries N] [--speed max|N]
         [--retry-speed max|N] [--no-trim] [--no-scrape] [--json]

Copies what the disc still holds to IMAGE in passes, keeping a GNU ddrescue
mapfile (IMAGE.map, NAME.cue.map for a BIN/CUE copy, unless --mapfile names
one) of which sectors it has:
  1. copy: reads of N sectors over what was not tried yet; after a failed
     read it skips ahead, further while reads keep failing, and reads what
     it skipped afterwards, backward;
  2. trim: the edges of each failed block, a sector at a time, until a
     sector fails;
  3. scrape: the rest of the failed blocks, a sector at a time;
  4. retry: more passes over the bad sectors, alternating direction.
The image is an ISO image of 2048-byte sectors for a disc of data Mode 1
tracks or a DVD or BD (IMAGE.iso), each sector at its own address; a CD with
audio or Mode 2 tracks, or every session of a CD, is copied whole (2352 bytes
a sector, audio bit for bit) to a BIN file with a cue sheet: name the IMAGE
NAME.cue (or NAME.bin). Sectors not copied are left as holes (zeros); the
mapfile says which. The mapfile is saved at most every 5 s and whenever the
copy ends, after the image's data is flushed to the disc. Opened as a drive
(--image IMAGE) with its mapfile beside it, the copy reads the sectors it
lacks as failed, so that a scan of it finds what a scan of the disc found.

Run again with the same IMAGE to continue a copy: only what is not finished
is read. An existing IMAGE is continued only with its mapfile, and a mapfile
of another disc (of another size) is refused; GNU ddrescue can continue the
copy of an ISO image from the mapfile, and this command one of ddrescue's.
Ctrl-C (or SIGTERM, SIGHUP) stops after the read in progress and writes the
mapfile; a full disc or a failed write stops the copy with one line naming
the file. While it copies, one live line shows the bytes rescued, the bad
areas, the pass, the rate, the time since the last good read and the time
left; at the end, a summary: the sectors in each state, the files still
incomplete with their missing sectors, the mapfile.

  --mapfile MAP          the mapfile (default IMAGE.map, or NAME.cue.map)
  --session last|all     the last session (default) or every session
  --sectors-per-read N   sectors a read in the copy pass, 1 to 1024 (default 32)
  --retries N            retry passes over the bad sectors, 0 to 100 (default 1)
  --speed max|N          read at N times the base speed (default: the fastest)
  --retry-speed max|N    the retry passes' read speed (default: as --speed)
  --no-trim              scrape the failed blocks without trimming them first
  --no-scrape            leave the failed blocks' insides unread
  --json                 print the summary as JSON: "rescued_sectors",
                         "bad_sectors" (read and not copied),
                         "not_tried_sectors", "incomplete_files" ([{"path",
                         "bad_sectors", "ranges"}]), "mapfile", and details

Exit status: 0 when the copy is whole, 1 when sectors are missing (or it was
stopped), 2 for bad arguments, a drive that cannot be read, or an image or
mapfile that cannot be written.
)";

// The option every command but help and version takes.
constexpr char kImageOption[] =
    R"(  --image FILE   open the disc image FILE as a drive after the others (an
                 ISO 9660 or UDF image, or a cue sheet); repeatable, before
                 or after the command; the first is the drive when no DRIVE
                 is given
)";

constexpr char kExtract[] =
    R"(Usage: lumeter-cli extract [DRIVE] FOLDER [--session N] [--overwrite] [--json]

Copies every file and folder of a session (the last one unless --session
names another) into FOLDER, from the tree the files test reads. Each file's
sectors are read with the scan's attempts; a sector that cannot be read is
written as zeros, and the file is listed with its missing bytes and their
sectors. A name that cannot be a local name ('/', control characters, an
invalid encoding, too long) is made safe; two names that become the same are
both kept. Files, folders and symbolic links get their modification times
from the disc; a link is made as a link with its target as recorded, never
followed. Nothing is written outside FOLDER, and a file or link there already
is left as it is unless --overwrite is given. What was done is written to
FOLDER/extract-report.json. The exit status is 1 when any file is incomplete
or was not written, or a link could not be made.

  --session N   extract session N (default: the last one)
  --overwrite   replace files and links that are in FOLDER already
  --json        print the report as JSON rather than as text
)";

constexpr char kVersion[] =
    R"(Usage: lumeter-cli -v | --version

Prints the program's name and version.
)";

const char* CommandHelp(Verb verb) {
  switch (verb) {
    case Verb::Devices:
      return kDevices;
    case Verb::Info:
      return kInfo;
    case Verb::Media:
      return kMedia;
    case Verb::Scan:
      return kScan;
    case Verb::Dump:
      return kDump;
    case Verb::Save:
      return kSave;
    case Verb::Files:
      return kFiles;
    case Verb::WhoHas:
      return kWhoHas;
    case Verb::Report:
      return kReport;
    case Verb::Copy:
      return kCopy;
    case Verb::Compare:
      return kCompare;
    case Verb::History:
      return kHistory;
    case Verb::Extract:
      return kExtract;
    case Verb::Version:
      return kVersion;
    case Verb::None:
    case Verb::Help:
      break;
  }
  return kOverview;
}

}  // namespace

std::string HelpText(Verb verb) {
  if (verb == Verb::Version || verb == Verb::Help || verb == Verb::None) return CommandHelp(verb);
  return CommandHelp(verb) + std::string("\n") + kImageOption;
}
