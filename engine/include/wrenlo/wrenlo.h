// The wrenlo disc engine: the only code that touches optical drives and disc
// images. Every operation returns a 32-bit result, 0 for success. Device -1
// names the current device, the drive last chosen with SetReadDevice and
// SetBurnDevice. Records are caller-owned, byte-packed and little-endian;
// their byte offsets are part of the contract and checked below.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__GNUC__)
#define WRENLO_API __attribute__((visibility("default")))
#else
#define WRENLO_API
#endif

namespace wrenlo {

static_assert(std::endian::native == std::endian::little,
              "engine records are little-endian and read in place");

// The device argument that names the current device.
inline constexpr std::int32_t kCurrentDevice = -1;
// Size of one sector as the program reads it.
inline constexpr std::int32_t kSectorSize = 2048;
// Most entries GetDevices reports: one per drive letter.
inline constexpr std::int32_t kMaxDevices = 26;

// Opaque engine handle (capabilities, disk sessions, directories); 0 = none.
using Handle = std::uint32_t;

// A NUL-terminated UTF-16 text in a fixed buffer of N code units, stored as
// bytes so that it may sit at any offset of a packed record.
template <std::size_t N>
struct WideText {
  unsigned char bytes[2 * N];

  static constexpr std::size_t kUnits = N;

  // The text up to its first NUL (or all N units when there is none).
  std::u16string str() const {
    std::u16string out;
    for (std::size_t i = 0; i < N; ++i) {
      const char16_t unit = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      if (unit == 0) break;
      out.push_back(unit);
    }
    return out;
  }
  // Stores text, cut to N - 1 units, NUL-terminated; the rest of the buffer
  // is left as it was.
  void set(std::u16string_view text) {
    const std::size_t n = text.size() < N ? text.size() : N - 1;
    for (std::size_t i = 0; i < n; ++i) {
      bytes[2 * i] = static_cast<unsigned char>(text[i] & 0xFF);
      bytes[2 * i + 1] = static_cast<unsigned char>(text[i] >> 8);
    }
    bytes[2 * n] = 0;
    bytes[2 * n + 1] = 0;
  }
  char16_t unit(std::size_t i) const {
    return static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
};

// A 15-byte volume date: byte 0 unused by the program, bytes 1 to 6 years
// since 1900, month, day, hour, minute, second; bytes 7 to 14 the engine's.
using DateBlock = unsigned char[15];

#pragma pack(push, 1)

// One element of the array GetDevices fills. The text is the drive's display
// text; its first unit is the drive letter, or '#' for an entry that cannot be
// used (the rest of the text then says why).
struct DeviceListEntry {
  WideText<50> text;
};

struct DeviceInformationEx {
  unsigned char reserved0[520];
  WideText<260> firmwareRevision;
  std::int32_t regionCode;       // DVD region of the drive; 0 = none set
  std::int32_t userChangesLeft;  // remaining user changes of the region
  unsigned char reserved1[1564];
  std::int32_t bufferSizeKB;
  WideText<806> serialNumber;  // empty when the drive reports none
};

struct MediumInformation {
  WideText<25> typeName;
  std::int32_t reserved50;
  double reserved54;
  double reserved62;
  double reserved70;
  std::int32_t firstSession;
  std::int32_t lastSession;
  std::int32_t firstTrack;
  std::int32_t lastTrack;
  std::int32_t reserved94;
  std::int16_t reserved98;
  std::int16_t reserved100;
  WideText<55> reserved102;
  unsigned char reserved212;
};

struct SessionInfo {
  std::int32_t sectorCount;  // length of the session in 2048-byte sectors
  std::uint8_t reserved4;
  std::int32_t startSector;  // address of the session's first sector
  std::int32_t firstTrack;   // number of the session's first track
  std::int32_t reserved13;
  unsigned char reserved17[28];
};

struct IsoVolumeInfo {
  WideText<128> volumeLabel;
  std::int32_t reserved256[5];
  WideText<36> reserved276;
  WideText<128> application;
  WideText<36> reserved604;
  WideText<36> reserved676;
  WideText<128> reserved748;
  WideText<128> publisher;
  WideText<128> reserved1260;
  WideText<31> reserved1516;
  std::uint8_t reserved1578;
  std::int32_t reserved1579;
  std::int32_t reserved1583;
  DateBlock creationTime;
  DateBlock modificationTime;
  DateBlock expirationTime;
  DateBlock effectiveTime;
  unsigned char reserved1647[2117];
};

// Bits of DirectoryEntry::attributes: a directory; a symbolic link (Rock
// Ridge), which has no data of its own.
inline constexpr std::uint8_t kAttributeDirectory = 0x10;
inline constexpr std::uint8_t kAttributeLink = 0x40;

struct DirectoryEntry {
  WideText<793> name;  // the entry's name, without any path
  std::uint8_t attributes;
  // 1 when the next two fields hold the entry's modification time, 0 when
  // the file system records none (or an impossible one).
  std::uint8_t modifiedKnown;
  std::int64_t modifiedSeconds;      // since 1970-01-01 00:00:00 UTC, negative before
  std::int32_t modifiedNanoseconds;  // 0 to 999,999,999
  unsigned char reserved1600[1080];
};

// TrackInformation::contentFlags bits.
inline constexpr std::uint8_t kContentIso9660 = 0x01;
inline constexpr std::uint8_t kContentJoliet = 0x02;
inline constexpr std::uint8_t kContentUdf = 0x04;
inline constexpr std::uint8_t kContentBootable = 0x08;

struct TrackInformation {
  std::int16_t number;        // the track's number
  std::int16_t session;       // the number of the session it lies in
  std::int32_t startSector;   // the address of its first sector (index 01)
  std::int32_t sectorCount;   // its length in sectors
  std::uint8_t mode;          // 1 = data mode 1, 2 = data mode 2, else audio
  std::uint8_t contentFlags;  // kContent* bits
  unsigned char reserved14[18];
};

struct UdfVolumeInfo {
  WideText<128> volumeLabel;
  WideText<128> reserved256;
  std::int32_t revision;  // for example 0x0201 for UDF 2.01
  unsigned char reserved516[4];
  std::int32_t reserved520[12];
  std::int32_t fileCount;
  std::int32_t directoryCount;
  unsigned char reserved576[1088];
};

// LayoutRecord::kind values: a file; a file-system structure; a symbolic
// link (no sectors; its target); an audio track ("Audio track 2"); the
// lead-out, lead-in and pregap between two sessions ("lead-out"); a data
// track that no file system holds ("Data track 1 (no file system)").
inline constexpr std::int32_t kLayoutFile = 0;
inline constexpr std::int32_t kLayoutStructure = 1;
inline constexpr std::int32_t kLayoutLink = 2;
inline constexpr std::int32_t kLayoutAudioTrack = 3;
inline constexpr std::int32_t kLayoutLeadOut = 4;
inline constexpr std::int32_t kLayoutDataTrack = 5;
// LayoutRecord::flags: the record belongs to the tree the files test reads
// (UDF, else ISO 9660 with Rock Ridge, else Joliet, else ISO 9660) of the
// session listed, or of the last session in a medium's listing. Other files
// are those only another tree or an earlier session lists.
inline constexpr std::uint32_t kLayoutFilesTestTree = 0x1;

// A run of device sectors (absolute addresses, as ReadSectors takes them).
// 64-bit so that a damaged file system's run past the medium is shown as it
// is recorded rather than wrapped.
struct SectorRun {
  std::uint64_t first;
  std::uint64_t count;
};

// One file or file-system structure of a session, as ListSessionLayout
// reports it. The texts and runs it points at are valid during the call only.
struct LayoutRecord {
  std::int32_t kind;  // kLayout*
  // 0, or why the entry could not be placed in full: a file whose entry or
  // extents do not read, a directory whose contents were left out.
  std::int32_t result;
  std::uint64_t size;  // a file's length in bytes; 0 for anything else
  // A file's or link's path as OpenDirectory takes it ("/Docs/2024/a.txt"),
  // followed by what tells it apart when it is not of the files test's tree
  // ("/HIDDEN.TXT (Joliet)", "/OLD.TXT (session 1)"); or the name of a
  // structure, of the tree it belongs to and, in a medium's listing, of an
  // earlier session ("Directory /Docs/2024 (Joliet, session 1)"); or of a
  // track.
  const char16_t* name;
  std::int32_t nameLength;  // UTF-16 units, no NUL counted (there is one)
  std::int32_t runCount;
  // Where its bytes lie, in order: a file's data (embedded data lies in its
  // entry's sector), a structure's or track's sectors.
  const SectorRun* runs;
  // A link's target as recorded ("../lib/a.so", "/etc/x"), NUL-terminated;
  // empty for anything else.
  const char16_t* target;
  std::int32_t targetLength;
  std::uint32_t flags;  // kLayoutFilesTestTree
  // Of a directory's structure, the directory's path ("/" for the root), so
  // that one that cannot be read can be named; empty for anything else.
  const char16_t* directory;
  std::int32_t directoryLength;
};

// ImageFileRecord::role values: what a file is to the image drive that reads
// it.
inline constexpr std::int32_t kImageFileImage = 0;     // a plain image of 2048-byte sectors
inline constexpr std::int32_t kImageFileCueSheet = 1;  // a cue sheet
inline constexpr std::int32_t kImageFileCueData = 2;   // a file a cue sheet names (a BIN file)
inline constexpr std::int32_t kImageFileFaults = 3;    // the faults file beside an image

// One file an image drive reads its medium from, as ListImageFiles reports
// it: the file the engine opened, known by its device and inode, which a
// name reached through any link or a hard link shares.
struct ImageFileRecord {
  std::int32_t role;     // kImageFile*
  std::uint64_t device;  // st_dev
  std::uint64_t inode;   // st_ino
  // The path it was opened by (UTF-8, NUL-terminated), valid during the call.
  const char* path;
};

// GNU ddrescue's mapfile as ParseMapfile reads it: its status line, and
// each block of the copy, a run of bytes in one state.
struct MapfileStatusLine {
  std::uint64_t position;  // the current position, in bytes
  std::int32_t pass;       // 1 when the line gives none
  char operation;          // the current operation ('?', '*', '/', '-', 'F', ...)
};

struct MapfileBlockRecord {
  std::uint64_t position;  // of its first byte
  std::uint64_t size;      // in bytes, never 0
  // '?' non-tried, '*' non-trimmed, '/' non-scraped, '-' bad, '+' finished
  char status;
};

#pragma pack(pop)

static_assert(sizeof(DeviceListEntry) == 100);

static_assert(offsetof(DeviceInformationEx, firmwareRevision) == 520);
static_assert(offsetof(DeviceInformationEx, regionCode) == 1040);
static_assert(offsetof(DeviceInformationEx, userChangesLeft) == 1044);
static_assert(offsetof(DeviceInformationEx, bufferSizeKB) == 2612);
static_assert(offsetof(DeviceInformationEx, serialNumber) == 2616);
static_assert(sizeof(DeviceInformationEx) == 4228);

static_assert(offsetof(MediumInformation, reserved50) == 50);
static_assert(offsetof(MediumInformation, reserved54) == 54);
static_assert(offsetof(MediumInformation, reserved62) == 62);
static_assert(offsetof(MediumInformation, reserved70) == 70);
static_assert(offsetof(MediumInformation, firstSession) == 78);
static_assert(offsetof(MediumInformation, lastSession) == 82);
static_assert(offsetof(MediumInformation, firstTrack) == 86);
static_assert(offsetof(MediumInformation, lastTrack) == 90);
static_assert(offsetof(MediumInformation, reserved94) == 94);
static_assert(offsetof(MediumInformation, reserved98) == 98);
static_assert(offsetof(MediumInformation, reserved100) == 100);
static_assert(offsetof(MediumInformation, reserved102) == 102);
static_assert(sizeof(MediumInformation) == 213);

static_assert(offsetof(SessionInfo, sectorCount) == 0);
static_assert(offsetof(SessionInfo, reserved4) == 4);
static_assert(offsetof(SessionInfo, startSector) == 5);
static_assert(offsetof(SessionInfo, firstTrack) == 9);
static_assert(offsetof(SessionInfo, reserved13) == 13);
static_assert(offsetof(SessionInfo, reserved17) == 17);
static_assert(sizeof(SessionInfo) == 45);

static_assert(offsetof(IsoVolumeInfo, volumeLabel) == 0);
static_assert(offsetof(IsoVolumeInfo, reserved256) == 256);
static_assert(offsetof(IsoVolumeInfo, reserved276) == 276);
static_assert(offsetof(IsoVolumeInfo, application) == 348);
static_assert(offsetof(IsoVolumeInfo, reserved604) == 604);
static_assert(offsetof(IsoVolumeInfo, reserved676) == 676);
static_assert(offsetof(IsoVolumeInfo, reserved748) == 748);
static_assert(offsetof(IsoVolumeInfo, publisher) == 1004);
static_assert(offsetof(IsoVolumeInfo, reserved1260) == 1260);
static_assert(offsetof(IsoVolumeInfo, reserved1516) == 1516);
static_assert(offsetof(IsoVolumeInfo, reserved1578) == 1578);
static_assert(offsetof(IsoVolumeInfo, reserved1579) == 1579);
static_assert(offsetof(IsoVolumeInfo, reserved1583) == 1583);
static_assert(offsetof(IsoVolumeInfo, creationTime) == 1587);
static_assert(offsetof(IsoVolumeInfo, modificationTime) == 1602);
static_assert(offsetof(IsoVolumeInfo, expirationTime) == 1617);
static_assert(offsetof(IsoVolumeInfo, effectiveTime) == 1632);
static_assert(offsetof(IsoVolumeInfo, reserved1647) == 1647);
static_assert(sizeof(IsoVolumeInfo) == 3764);

static_assert(offsetof(DirectoryEntry, attributes) == 1586);
static_assert(offsetof(DirectoryEntry, modifiedKnown) == 1587);
static_assert(offsetof(DirectoryEntry, modifiedSeconds) == 1588);
static_assert(offsetof(DirectoryEntry, modifiedNanoseconds) == 1596);
static_assert(offsetof(DirectoryEntry, reserved1600) == 1600);
static_assert(sizeof(DirectoryEntry) == 2680);

static_assert(offsetof(TrackInformation, session) == 2);
static_assert(offsetof(TrackInformation, startSector) == 4);
static_assert(offsetof(TrackInformation, sectorCount) == 8);
static_assert(offsetof(TrackInformation, mode) == 12);
static_assert(offsetof(TrackInformation, contentFlags) == 13);
static_assert(sizeof(TrackInformation) == 32);

static_assert(offsetof(UdfVolumeInfo, reserved256) == 256);
static_assert(offsetof(UdfVolumeInfo, revision) == 512);
static_assert(offsetof(UdfVolumeInfo, reserved516) == 516);
static_assert(offsetof(UdfVolumeInfo, reserved520) == 520);
static_assert(offsetof(UdfVolumeInfo, fileCount) == 568);
static_assert(offsetof(UdfVolumeInfo, directoryCount) == 572);
static_assert(offsetof(UdfVolumeInfo, reserved576) == 576);
static_assert(sizeof(UdfVolumeInfo) == 1664);

static_assert(sizeof(SectorRun) == 16);
static_assert(offsetof(LayoutRecord, result) == 4);
static_assert(offsetof(LayoutRecord, size) == 8);
static_assert(offsetof(LayoutRecord, name) == 16);
static_assert(offsetof(LayoutRecord, nameLength) == 16 + sizeof(void*));
static_assert(offsetof(LayoutRecord, runCount) == 20 + sizeof(void*));
static_assert(offsetof(LayoutRecord, runs) == 24 + sizeof(void*));
static_assert(offsetof(LayoutRecord, target) == 24 + 2 * sizeof(void*));
static_assert(offsetof(LayoutRecord, targetLength) == 24 + 3 * sizeof(void*));
static_assert(offsetof(LayoutRecord, flags) == 28 + 3 * sizeof(void*));
static_assert(offsetof(LayoutRecord, directory) == 32 + 3 * sizeof(void*));
static_assert(offsetof(LayoutRecord, directoryLength) == 32 + 4 * sizeof(void*));
static_assert(offsetof(ImageFileRecord, device) == 4);
static_assert(offsetof(ImageFileRecord, inode) == 12);
static_assert(offsetof(ImageFileRecord, path) == 20);
static_assert(sizeof(ImageFileRecord) == 20 + sizeof(void*));
static_assert(offsetof(MapfileStatusLine, pass) == 8);
static_assert(offsetof(MapfileStatusLine, operation) == 12);
static_assert(sizeof(MapfileStatusLine) == 13);
static_assert(offsetof(MapfileBlockRecord, size) == 8);
static_assert(offsetof(MapfileBlockRecord, status) == 16);
static_assert(sizeof(MapfileBlockRecord) == 17);

// The last argument of OpenDiskSession: which file system of a session to open.
enum FileSystemSelector : std::int32_t {
  // The engine's choice, the tree Linux reads: UDF, else ISO 9660 when it
  // carries Rock Ridge entries, else Joliet, else ISO 9660.
  kFileSystemAny = 0,
  kFileSystemIso9660 = 1,
  kFileSystemJoliet = 2,
  kFileSystemUdf = 4,
};
// Added to a selector: the session's directory listings give every entry's
// modification time. ISO 9660, Joliet and Rock Ridge record it in the
// directory and always give it; UDF keeps it in each entry's own file entry,
// so that without this a UDF listing reads no more than its directory and
// leaves the times unknown, and with it reads one sector more per entry.
inline constexpr std::int32_t kFileSystemWithTimes = 0x100;

// Capability codes for AnalyseDeviceCapability. Codes with one bit set name
// media the drive reads or writes; codes with 0xFFFF in the high half carry a
// small number for a further ability.
namespace cap {
constexpr std::uint64_t Code(std::uint32_t high, std::uint32_t low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}
inline constexpr std::uint64_t ReadsCdR = Code(0, 0x1);
inline constexpr std::uint64_t ReadsCdRw = Code(0, 0x2);
inline constexpr std::uint64_t ReadsDvdRom = Code(0, 0x4);
inline constexpr std::uint64_t ReadsDvdR = Code(0, 0x8);
inline constexpr std::uint64_t ReadsDvdRw = Code(0, 0x10);
inline constexpr std::uint64_t ReadsDvdRDualLayer = Code(0, 0x100);
inline constexpr std::uint64_t ReadsDvdPlusR = Code(0, 0x40);
inline constexpr std::uint64_t ReadsDvdPlusRw = Code(0, 0x80);
inline constexpr std::uint64_t ReadsDvdPlusRwDualLayer = Code(0x800, 0);
inline constexpr std::uint64_t ReadsDvdRam = Code(0, 0x20);
inline constexpr std::uint64_t ReadsBluRay = Code(0, 0x400);
inline constexpr std::uint64_t ReadsMultisession = Code(0x80, 0);
inline constexpr std::uint64_t ReadsMode2Form1 = Code(0xFFFF, 0x5);
inline constexpr std::uint64_t ReadsMode2Form2 = Code(0xFFFF, 0x6);
inline constexpr std::uint64_t ReadsFixedPacketMethod2 = Code(0xFFFF, 0x19);
inline constexpr std::uint64_t ReadsRwSubcodes = Code(0xFFFF, 0x9);
inline constexpr std::uint64_t CorrectRwSubcodes = Code(0xFFFF, 0xA);
inline constexpr std::uint64_t ReadsRwInLeadIn = Code(0xFFFF, 0x18);
inline constexpr std::uint64_t ReadsIsrc = Code(0xFFFF, 0xC);
inline constexpr std::uint64_t ReadsUpc = Code(0xFFFF, 0xD);
inline constexpr std::uint64_t ReadsBarcode = Code(0xFFFF, 0xE);
inline constexpr std::uint64_t ReadsCdText = Code(0xFFFF, 0x1A);

inline constexpr std::uint64_t WritesCdR = Code(0, 0x80000);
inline constexpr std::uint64_t WritesCdRw = Code(0, 0x100000);
// The engine has no code of its own for HD-BURN writing; it is asked with the
// CD-RW code and so repeats that answer.
inline constexpr std::uint64_t WritesHdBurn = WritesCdRw;
inline constexpr std::uint64_t WritesDvdR = Code(0, 0x200000);
inline constexpr std::uint64_t WritesDvdRw = Code(0, 0x400000);
inline constexpr std::uint64_t WritesDvdRDualLayer = Code(0, 0x4000000);
inline constexpr std::uint64_t WritesDvdPlusR = Code(0, 0x1000000);
inline constexpr std::uint64_t WritesDvdPlusRw = Code(0, 0x2000000);
inline constexpr std::uint64_t WritesDvdPlusRDualLayer = Code(0x2000, 0);
inline constexpr std::uint64_t WritesDvdRam = Code(0, 0x800000);
inline constexpr std::uint64_t WritesBdR = Code(0, 0x10000000);
inline constexpr std::uint64_t WritesBdRe = Code(0, 0x20000000);
inline constexpr std::uint64_t WritesHdDvdR = Code(0, 0x40000000);
inline constexpr std::uint64_t WritesHdDvdRw = Code(0, 0x80000000);
inline constexpr std::uint64_t SupportsSimulatedWrite = Code(0x10, 0);
inline constexpr std::uint64_t BufferUnderrunProtection = Code(0x20, 0);

inline constexpr std::uint64_t PlaysAudioCd = Code(0xFFFF, 0x1);
inline constexpr std::uint64_t Composite = Code(0xFFFF, 0x2);
inline constexpr std::uint64_t DigitalPort1 = Code(0xFFFF, 0x3);
inline constexpr std::uint64_t DigitalPort2 = Code(0xFFFF, 0x4);
inline constexpr std::uint64_t SupportsCddaCommand = Code(0xFFFF, 0x7);
inline constexpr std::uint64_t CddaAccurate = Code(0xFFFF, 0x8);
inline constexpr std::uint64_t SupportsC2Pointers = Code(0xFFFF, 0xB);
inline constexpr std::uint64_t SupportsLocking = Code(0xFFFF, 0xF);
// Every capability question, in the order the drive features page asks them
// (WritesHdBurn repeats WritesCdRw).
inline constexpr std::uint64_t kAll[] = {
    ReadsCdR,
    ReadsCdRw,
    ReadsDvdRom,
    ReadsDvdR,
    ReadsDvdRw,
    ReadsDvdRDualLayer,
    ReadsDvdPlusR,
    ReadsDvdPlusRw,
    ReadsDvdPlusRwDualLayer,
    ReadsDvdRam,
    ReadsBluRay,
    ReadsMultisession,
    ReadsMode2Form1,
    ReadsMode2Form2,
    ReadsFixedPacketMethod2,
    ReadsRwSubcodes,
    CorrectRwSubcodes,
    ReadsRwInLeadIn,
    ReadsIsrc,
    ReadsUpc,
    ReadsBarcode,
    ReadsCdText,
    WritesCdR,
    WritesCdRw,
    WritesHdBurn,
    WritesDvdR,
    WritesDvdRw,
    WritesDvdRDualLayer,
    WritesDvdPlusR,
    WritesDvdPlusRw,
    WritesDvdPlusRDualLayer,
    WritesDvdRam,
    WritesBdR,
    WritesBdRe,
    WritesHdDvdR,
    WritesHdDvdRw,
    SupportsSimulatedWrite,
    BufferUnderrunProtection,
    PlaysAudioCd,
    Composite,
    DigitalPort1,
    DigitalPort2,
    SupportsCddaCommand,
    CddaAccurate,
    SupportsC2Pointers,
    SupportsLocking,
};
static_assert(sizeof(kAll) / sizeof(kAll[0]) == 46);
}  // namespace cap

// --- Operations -----------------------------------------------------------

// Prepares the engine; called once before any other operation.
WRENLO_API std::int32_t Initialize();

// Fills up to kMaxDevices entries; *count receives the number filled (never
// more than kMaxDevices). flags must be 0.
WRENLO_API std::int32_t GetDevices(DeviceListEntry* entries, std::int32_t* count,
                                   std::int32_t flags);

// The whole of why the entry with this drive letter in GetDevices' list cannot
// be used, which the entry's text holds only the first 49 units of: the
// drive's vendor and model or the image's file name, ": " and the problem
// (for example "very long image name.cue: cue line 12: unknown track type
// MODE3/2352"); the empty text for a usable drive. *units gives the size of
// text in code units (text may be null when it is 0) and receives the size
// the whole text needs, its NUL included. 0 = the whole text is in text; a
// non-zero result when it was cut to fit (text then holds as much as fits,
// NUL-terminated) or when GetDevices listed no drive with this letter.
WRENLO_API std::int32_t GetDeviceUnusableReason(std::int32_t driveLetter, char16_t* text,
                                                std::int32_t* units);

// The whole name of the entry with this drive letter, usable or not, which
// the entry's text holds only the start of: the drive's vendor and model or
// the image's file name. Sizes and results as GetDeviceUnusableReason.
WRENLO_API std::int32_t GetDeviceName(std::int32_t driveLetter, char16_t* text,
                                      std::int32_t* units);

// Where the entry with this drive letter lives: the drive's device node
// ("/dev/sr0") or the image's path as it was named (its UTF-8 bytes read as
// UTF-8). Sizes and results as GetDeviceUnusableReason.
WRENLO_API std::int32_t GetDevicePath(std::int32_t driveLetter, char16_t* text,
                                      std::int32_t* units);

// Make the drive with this letter the current device.
WRENLO_API std::int32_t SetBurnDevice(std::int32_t driveLetter);
WRENLO_API std::int32_t SetReadDevice(std::int32_t driveLetter);

// Vendor (9 units), model (17) and revision (6), each NUL-terminated.
WRENLO_API std::int32_t GetDeviceInformation(std::int32_t device, char16_t* vendor, char16_t* model,
                                             char16_t* revision);
WRENLO_API std::int32_t GetDeviceInformationEx(std::int32_t device, DeviceInformationEx* info);

WRENLO_API std::int32_t GetDeviceCapabilitiesHandle(std::int32_t device, Handle* handle);
WRENLO_API std::int32_t ReleaseDeviceCapabilities(Handle handle);
// *answer becomes 1 when the drive has the ability, 0 when it has not.
WRENLO_API std::int32_t AnalyseDeviceCapability(Handle handle, std::uint64_t capability,
                                                std::uint8_t* answer);

// Maximum speeds in KB/s.
WRENLO_API std::int32_t GetMaxReadSpeed(std::int32_t device, std::int32_t* kbPerSecond);
// Asks the drive to read at kbPerSecond KB/s; 0 gives it back its own choice
// (its fastest). A virtual drive takes any speed and reads as before.
WRENLO_API std::int32_t SetReadSpeed(std::int32_t device, std::int32_t kbPerSecond);
WRENLO_API std::int32_t GetMaxBurnSpeed(std::int32_t device, std::int32_t* kbPerSecond);

// 0 = a medium is present and was read.
WRENLO_API std::int32_t GetMediumInformation(std::int32_t device, MediumInformation* info);
WRENLO_API std::int32_t GetSessionInformation(std::int32_t device, std::int32_t session,
                                              SessionInfo* info);
WRENLO_API std::int32_t GetTrackInformation(std::int32_t device, std::int32_t track,
                                            TrackInformation* info);
// Where a track lies: the session that holds it, its first sector (index 1)
// and its length in sectors, up to the next track of its session or the
// session's end (so a gap before the next track counts in this one).
WRENLO_API std::int32_t GetTrackExtent(std::int32_t device, std::int32_t track,
                                       std::int32_t* session, std::int32_t* firstSector,
                                       std::int32_t* sectorCount);

// ReadSectors' modes.
inline constexpr std::int32_t kReadUserData = 0;   // 2048 bytes a sector
inline constexpr std::int32_t kReadRawSector = 1;  // the whole 2352-byte CD sector
// Size of one whole CD sector, as kReadRawSector reads it.
inline constexpr std::int32_t kRawSectorSize = 2352;

// Reads count sectors from address into buffer (bufferSize bytes, at least
// count times the mode's sector size). 0 = every byte of the sectors is in
// the buffer.
// kReadUserData: 2048 bytes a sector. Of a sector that holds another amount
// of user data, the 2048 bytes are: the first 2048 bytes of a 2352-byte CD
// audio frame; the 2048 user bytes of a Mode 1 or a Mode 2 Form 1 sector; the
// first 2048 of the 2324 user bytes of a Mode 2 Form 2 sector. A raw sector
// whose sync, header or error detection code (EDC) does not match reads as a
// failed read, as on a drive.
// kReadRawSector: the whole 2352 bytes of CD sectors, bit for bit: a data
// sector with its sync, header, (sub-header,) user data, EDC and error
// correction code (ECC), an audio frame whole. A drive reads them with READ
// CD (audio frames with their C2 error pointers where the drive reports
// them: a frame they mark reads as a failed read); a BIN/CUE image gives its
// stored sectors (after the same checks as kReadUserData), MODE2/2336 sectors
// with their sync and header, MODE1/2048 sectors and a plain CD image's
// sectors built whole as a disc writer records Mode 1, gaps that no file holds
// as silence or sectors of zero data. kResultUnsupported for a DVD or BD.
WRENLO_API std::int32_t ReadSectors(std::int32_t device, std::int32_t address, std::int32_t count,
                                    std::int32_t mode, std::uint8_t* buffer,
                                    std::int32_t bufferSize);

// Opens one file system of the session that holds track.
WRENLO_API std::int32_t OpenDiskSession(std::int32_t device, std::int32_t track, Handle* session,
                                        std::int32_t fileSystem);
WRENLO_API std::int32_t CloseDiskSession(Handle session);
WRENLO_API std::int32_t GetISOVolumeInformation(Handle session, IsoVolumeInfo* info);
WRENLO_API std::int32_t GetUDFVolumeInformation(Handle session, UdfVolumeInfo* info);

// Paths name each directory from the root after a '/' ("/Docs/2024"); "" and
// "/" are the root. A name holds any character but '/' and NUL ('\', '?',
// '*' and ':' included). ReadDirectory gives 0 and one entry for index 0, 1,
// 2, ... up to the first non-zero result, never the directory itself or its
// parent.
WRENLO_API std::int32_t OpenDirectory(Handle session, const char16_t* path, Handle* directory);
WRENLO_API std::int32_t ReadDirectory(Handle directory, std::int32_t index, DirectoryEntry* entry);
WRENLO_API std::int32_t CloseDirectory(Handle directory);

// 0 = every sector of the file reads back without error.
WRENLO_API std::int32_t VerifyFile(Handle session, const char16_t* path);
// The number of sectors a VerifyFile of the file reads (those of its data),
// into *sectors; 0 for a file whose data lies in its entry or that is empty.
WRENLO_API std::int32_t GetFileSectors(Handle session, const char16_t* path,
                                       std::uint64_t* sectors);

// Where a file's data lies: its runs of sectors in file order (as the
// session's layout gives them) and its length in bytes. *count gives the room
// of runs (runs may be null when it is 0) and receives the number of runs.
// 0 = every run is in runs; kResultTooLarge when they were cut to fit.
WRENLO_API std::int32_t GetFileRuns(Handle session, const char16_t* path, SectorRun* runs,
                                    std::int32_t* count, std::uint64_t* size);

// Receives a file's bytes in order, in pieces, as ReadFile reads them; a
// non-zero return ends the read, which then returns that value.
using FileDataCallback = std::int32_t (*)(void* context, const std::uint8_t* data,
                                          std::int32_t size);

// Reads every sector of the file as VerifyFile does and hands its bytes (its
// length, without the last sector's padding; holes as zeros) to callback, in
// order. 0 = every byte was read and taken.
WRENLO_API std::int32_t ReadFile(Handle session, const char16_t* path, FileDataCallback callback,
                                 void* context);

// The target of the symbolic link at path (Rock Ridge), as recorded, in
// UTF-16. *size gives the room of target in code units (target may be null
// when it is 0) and receives the target's length; no NUL is added.
// 0 = the whole target is in target; kResultNotFound when path is not a
// symbolic link; kResultTooLarge when the target was cut to fit.
WRENLO_API std::int32_t GetLinkTarget(Handle session, const char16_t* path, char16_t* target,
                                      std::int32_t* size);

// The value of the extended attribute name (as xorriso records them with
// Rock Ridge, e.g. "isofs.cx") of the file or directory at path ("" = the
// root) of the session's ISO 9660 tree. *size gives the room of value in
// bytes (value may be null when it is 0) and receives the value's length.
// 0 = the whole value is in value; kResultNotFound when the entry has no
// such attribute; another non-zero result when the value was cut to fit or
// the tree (Joliet, UDF) cannot carry attributes.
WRENLO_API std::int32_t GetFileAttribute(Handle session, const char16_t* path, const char* name,
                                         std::uint8_t* value, std::int32_t* size);

// Results that callers tell apart from other failures.
// A read or a medium operation on a drive that holds no readable medium or
// whose tray is open, so that a medium taken out is told from a sector that
// cannot be read.
inline constexpr std::int32_t kResultNoMedium = 4;
// A null pointer, a bad size or count, a text that is not what was asked.
inline constexpr std::int32_t kResultInvalidArgument = 1;
inline constexpr std::int32_t kResultNoFileSystem = 12;    // no file system of that kind
inline constexpr std::int32_t kResultNotFound = 14;        // no such file, or no such attribute
inline constexpr std::int32_t kResultEndOfDirectory = 17;  // ReadDirectory past the last entry
// A text or value cut to fit the room given; a structure beyond the engine's
// limits.
inline constexpr std::int32_t kResultTooLarge = 18;
// A read mode or operation the drive or medium does not have (whole sectors
// of a DVD).
inline constexpr std::int32_t kResultUnsupported = 20;
// A read of a virtual drive whose image file has changed since it was opened
// (cut short, grown or replaced): nothing of it reads any more, until the
// image is opened again.
inline constexpr std::int32_t kResultImageChanged = 22;

// What a result of the operations means, in a few words ("medium error"),
// for messages; never null.
WRENLO_API const char* ResultName(std::int32_t result);

// Receives one record of ListSessionLayout; a non-zero return ends the
// listing, which then returns that value.
using LayoutCallback = std::int32_t (*)(void* context, const LayoutRecord* record);

// Lists where everything of the session lies: its system area and each
// volume descriptor, the El Torito catalog and boot images, then the file
// system the session was opened on, in one walk of its tree (each directory
// followed by its contents, pre-order: its files, links and structures), then
// the session's other trees (UDF, ISO 9660, Joliet). Every tree's structures
// are listed (path tables, directories, Rock Ridge continuation areas; for
// UDF also anchors, descriptor sequences, integrity sequence, file set
// descriptor, space bitmaps and tables, system stream directory and its
// streams, metadata files, VAT, sparing tables and each file's entry). A file
// that several trees list is listed once, as the opened tree names it; one
// that only another tree lists, under that tree's name for it. A directory
// that cannot be read is reported with its result and the walk goes on; 0 =
// the walk reached its end.
WRENLO_API std::int32_t ListSessionLayout(Handle session, LayoutCallback callback, void* context);

// Lists where everything on the medium in device lies: every session, the
// last one first, laid out as ListSessionLayout lays out the tree the engine
// chooses (kFileSystemAny); in earlier sessions only the files that no later
// session lists. Audio tracks, and data tracks other than the one a session's
// file system starts in, as tracks ("Data track 1 (no file system)" in a
// session without one); the sectors between two sessions as the lead-out.
// 0 = every session was walked to its end; the last session's result of
// opening its file system when it has none (kResultNoFileSystem) or it
// cannot be read.
WRENLO_API std::int32_t ListMediumLayout(std::int32_t device, LayoutCallback callback,
                                         void* context);
// Receives one record of ListImageFiles; a non-zero return ends the listing,
// which then returns that value.
using ImageFileCallback = std::int32_t (*)(void* context, const ImageFileRecord* record);

// Lists every file the image drives read their media from: of each image
// drive that is listed, or closed while a reader still holds it, its image or
// cue sheet, the sheet's files and its faults file, as they were when the
// image was opened. A program checks its outputs against them, so that it
// never writes over a disc image it reads. Lists what is open now, without
// looking for drives or opening WRENLO_IMAGES; 0 = the listing reached its
// end.
WRENLO_API std::int32_t ListImageFiles(ImageFileCallback callback, void* context);

// The largest mapfile the engine reads (64 MiB): far more than a line for
// each block of any disc's copy takes.
inline constexpr std::size_t kMaxMapfileBytes = std::size_t{64} << 20;

// Receives one block of ParseMapfile; a non-zero return ends the reading,
// which then returns that value.
using MapfileBlockCallback = std::int32_t (*)(void* context, const MapfileBlockRecord* block);

// Reads the length bytes of text (any bytes) as a GNU ddrescue mapfile:
// *statusLine receives its status line, and callback each block in order
// (blocks of no size are left out). Positions and sizes are "0x" and
// hexadecimal digits or decimal; blocks come in order and do not overlap.
// 0 = the whole text was read. kResultInvalidArgument when it is no mapfile:
// problem (problemSize bytes, may be null when that is 0) receives why, one
// line NUL-terminated and cut to fit ("line 4: bad status 'x'").
WRENLO_API std::int32_t ParseMapfile(const char* text, std::uint64_t length,
                                     MapfileStatusLine* statusLine, MapfileBlockCallback callback,
                                     void* context, char* problem, std::int32_t problemSize);
// An image drive whose image (or cue sheet) has a GNU ddrescue mapfile
// beside it, "IMAGE.map" or "SHEET.cue.map", as a rescue copy leaves it, is
// a copy of a disc: every sector of it whose bytes the mapfile does not all
// mark finished ('+') was never read from the disc, and reads of it fail as
// the faults file's "always" makes them (a faults file beside it applies
// too). A mapfile that does not fit its image (of another size, malformed,
// beside a cue sheet of several files) makes the image unusable, saying why.
// The mapfile is read when the image is opened, and is not among the files
// ListImageFiles lists: the copy that writes it may go on replacing it.
// *missing receives how many sectors such a copy lacks (0 for a whole copy),
// -1 for any other drive.
WRENLO_API std::int32_t GetMissingSectors(std::int32_t device, std::int64_t* missing);

// Open and close the tray.
WRENLO_API std::int32_t EjectDevice(std::int32_t device);
WRENLO_API std::int32_t CloseDevice(std::int32_t device);

// Opens the disc image at path (UTF-8; a name ending in ".cue" is a cue
// sheet) as one more virtual drive while the program runs, listed after the
// other drives with the first letter from D that no listed drive has (a
// closed image's letter is given again).
// *driveLetter receives its letter. 0 = the drive can be used; a non-zero
// result when it cannot, and it is then listed as a '#' entry, as an unusable
// WRENLO_IMAGES entry is, whose reason GetDeviceUnusableReason gives, until
// CloseImageDrive. When no letter is left, *driveLetter is 0 and nothing is
// listed. Safe while another thread reads from another drive.
WRENLO_API std::int32_t OpenImageDrive(const char* path, std::int32_t* driveLetter);

// Takes the virtual drive with this letter, usable or not, out of the list;
// its letter is free for the next image. Non-zero when no image drive has this letter
// (a real drive cannot be closed). The current device stays current until
// another is chosen, and handles opened on the drive stay valid, so a reader
// of it is never cut off; the image file is closed when the last of them goes.
WRENLO_API std::int32_t CloseImageDrive(std::int32_t driveLetter);

// Whether the drive with this letter holds a medium, asked without reading
// the medium or waiting for the drive to spin up (a real drive's media event
// status), for noticing discs put in and taken out: *present becomes 1 with a
// medium in and the tray closed, else 0; *changes counts the new media and
// removals the drive has reported to these questions, so that a disc swapped
// between two of them shows too.
WRENLO_API std::int32_t GetMediumPresence(std::int32_t driveLetter, std::int32_t* present,
                                          std::uint32_t* changes);

// A number that changes when the machine's optical drives do (one plugged in
// or taken out), read from the system's list of devices without sending any
// drive a command.
WRENLO_API std::int32_t GetDriveSetStamp(std::uint32_t* stamp);

}  // namespace wrenlo
