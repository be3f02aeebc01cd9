// The drive probe: it reports what the engine's public operations say of
// every drive in its list, one fact per line (each line starts with "@probe "
// so that the harness can tell it from kernel messages), then scans, copies
// (to an image in /), ejects and times reads as asked. Inside a throw-away QEMU guest the drives
// are QEMU's emulated ones; on the host, with WRENLO_IMAGES naming the same images, they are the
// engine's virtual drives.
//
//   drive_probe [--scan-max SECTORS] [--eject] [--bench READS] [--as-user UID]
//   drive_probe --dump    the raw replies of every command, for the tests
//   drive_probe --watch SECONDS   the media watcher on the first drive: says
//       "@probe watching D", then each change it reports, until a medium has
//       gone and come back or SECONDS have passed
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "MmcCommands.h"
#include "Sense.h"
#include "SgIoDevice.h"
#include "core/disc/DeviceContext.h"
#include "core/disc/MediaWatcher.h"
#include "core/rescue/CopyJob.h"
#include "core/scan/ISectorScannerCallback.h"
#include "core/scan/SectorScanner.h"

namespace {

constexpr int kAttempts = 5;  // reads of one sector before it counts as bad

struct Options {
  std::uint32_t scanMax = 0;
  bool eject = false;
  bool dump = false;
  int benchReads = 0;
  int asUser = -1;
  int watchSeconds = 0;
};

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

// One fact: "@probe drive D key: value".
template <typename... Args>
void Say(int letter, const char* key, const char* format, Args... args) {
  std::printf("@probe drive %c %s: ", static_cast<char>(letter), key);
  std::printf(format, args...);
  std::printf("\n");
  std::fflush(stdout);
}

// The 46 capability questions in the features page's order.
const std::uint64_t kQuestions[] = {
    wrenlo::cap::ReadsCdR,
    wrenlo::cap::ReadsCdRw,
    wrenlo::cap::ReadsDvdRom,
    wrenlo::cap::ReadsDvdR,
    wrenlo::cap::ReadsDvdRw,
    wrenlo::cap::ReadsDvdRDualLayer,
    wrenlo::cap::ReadsDvdPlusR,
    wrenlo::cap::ReadsDvdPlusRw,
    wrenlo::cap::ReadsDvdPlusRwDualLayer,
    wrenlo::cap::ReadsDvdRam,
    wrenlo::cap::ReadsBluRay,
    wrenlo::cap::ReadsMultisession,
    wrenlo::cap::ReadsMode2Form1,
    wrenlo::cap::ReadsMode2Form2,
    wrenlo::cap::ReadsFixedPacketMethod2,
    wrenlo::cap::ReadsRwSubcodes,
    wrenlo::cap::CorrectRwSubcodes,
    wrenlo::cap::ReadsRwInLeadIn,
    wrenlo::cap::ReadsIsrc,
    wrenlo::cap::ReadsUpc,
    wrenlo::cap::ReadsBarcode,
    wrenlo::cap::ReadsCdText,
    wrenlo::cap::WritesCdR,
    wrenlo::cap::WritesCdRw,
    wrenlo::cap::WritesHdBurn,
    wrenlo::cap::WritesDvdR,
    wrenlo::cap::WritesDvdRw,
    wrenlo::cap::WritesDvdRDualLayer,
    wrenlo::cap::WritesDvdPlusR,
    wrenlo::cap::WritesDvdPlusRw,
    wrenlo::cap::WritesDvdPlusRDualLayer,
    wrenlo::cap::WritesDvdRam,
    wrenlo::cap::WritesBdR,
    wrenlo::cap::WritesBdRe,
    wrenlo::cap::WritesHdDvdR,
    wrenlo::cap::WritesHdDvdRw,
    wrenlo::cap::SupportsSimulatedWrite,
    wrenlo::cap::BufferUnderrunProtection,
    wrenlo::cap::PlaysAudioCd,
    wrenlo::cap::Composite,
    wrenlo::cap::DigitalPort1,
    wrenlo::cap::DigitalPort2,
    wrenlo::cap::SupportsCddaCommand,
    wrenlo::cap::CddaAccurate,
    wrenlo::cap::SupportsC2Pointers,
    wrenlo::cap::SupportsLocking,
};

// Every call below goes through the engine's public operations, as the
// program's pages make them; the drive is named by its letter.
void ReportDrive(int letter) {
  char16_t vendor[9], model[17], revision[6];
  wrenlo::DeviceInformationEx ex{};
  const int basic = wrenlo::GetDeviceInformation(letter, vendor, model, revision);
  const int extended = wrenlo::GetDeviceInformationEx(letter, &ex);
  if (basic != 0 || extended != 0) {
    Say(letter, "identity", "result=%d,%d", basic, extended);
  } else {
    Say(letter, "identity",
        "vendor=%s|model=%s|revision=%s|firmware=%s|serial=%s|region=%d|changes=%d|buffer=%d",
        Narrow(vendor).c_str(), Narrow(model).c_str(), Narrow(revision).c_str(),
        Narrow(ex.firmwareRevision.str()).c_str(), Narrow(ex.serialNumber.str()).c_str(),
        std::int32_t{ex.regionCode}, std::int32_t{ex.userChangesLeft},
        std::int32_t{ex.bufferSizeKB});
  }
  std::int32_t readSpeed = -1, writeSpeed = -1;
  const int readResult = wrenlo::GetMaxReadSpeed(letter, &readSpeed);
  const int writeResult = wrenlo::GetMaxBurnSpeed(letter, &writeSpeed);
  Say(letter, "speeds", "read=%d write=%d results=%d,%d", readSpeed, writeSpeed, readResult,
      writeResult);
  wrenlo::Handle handle = 0;
  if (const int result = wrenlo::GetDeviceCapabilitiesHandle(letter, &handle); result != 0) {
    Say(letter, "capabilities", "result=%d", result);
    return;
  }
  std::string answers;
  for (std::uint64_t code : kQuestions) {
    std::uint8_t answer = 0;
    const int result = wrenlo::AnalyseDeviceCapability(handle, code, &answer);
    answers += result != 0 ? '?' : answer ? '1' : '0';
  }
  wrenlo::ReleaseDeviceCapabilities(handle);
  Say(letter, "capabilities", "%s", answers.c_str());
}

// A volume date as "YYYY-MM-DD hh:mm:ss" from its bytes 1 to 6.
std::string DateText(const wrenlo::DateBlock& date) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", 1900 + date[1], date[2],
                date[3], date[4], date[5], date[6]);
  return text;
}

// Every entry below path, depth first in the engine's order, "/" after a
// directory's name; stops at kMaxEntries so that a looping tree cannot hang.
constexpr int kMaxEntries = 10000;

void Walk(wrenlo::Handle session, const std::u16string& path, std::vector<std::string>& out) {
  wrenlo::Handle directory = 0;
  if (const int result = wrenlo::OpenDirectory(session, path.c_str(), &directory); result != 0) {
    out.push_back(Narrow(path) + " result=" + std::to_string(result));
    return;
  }
  std::vector<std::u16string> children;
  auto entry = std::make_unique<wrenlo::DirectoryEntry>();
  for (int index = 0; static_cast<int>(out.size()) < kMaxEntries; ++index) {
    if (wrenlo::ReadDirectory(directory, index, entry.get()) != 0) break;
    const std::u16string name = path + u"/" + entry->name.str();
    const bool isDirectory = (entry->attributes & wrenlo::kAttributeDirectory) != 0;
    out.push_back(Narrow(name) + (isDirectory ? "/" : ""));
    if (isDirectory) children.push_back(name);
  }
  wrenlo::CloseDirectory(directory);
  for (const std::u16string& child : children)
    if (static_cast<int>(out.size()) < kMaxEntries) Walk(session, child, out);
}

// The facts of one file system of the session that holds track, and its
// file list, under the key "<kind> <session>".
void ReportFileSystem(int letter, int sessionNumber, int track, std::int32_t selector,
                      const char* kind) {
  char key[48];
  std::snprintf(key, sizeof key, "%s %d", kind, sessionNumber);
  wrenlo::Handle session = 0;
  if (const int result = wrenlo::OpenDiskSession(letter, track, &session, selector); result != 0) {
    Say(letter, key, "result=%d", result);
    return;
  }
  if (selector == wrenlo::kFileSystemUdf) {
    auto info = std::make_unique<wrenlo::UdfVolumeInfo>();
    const int result = wrenlo::GetUDFVolumeInformation(session, info.get());
    Say(letter, key, "result=%d label=%s revision=%04x files=%d directories=%d", result,
        Narrow(info->volumeLabel.str()).c_str(), std::int32_t{info->revision},
        std::int32_t{info->fileCount}, std::int32_t{info->directoryCount});
  } else {
    auto info = std::make_unique<wrenlo::IsoVolumeInfo>();
    const int result = wrenlo::GetISOVolumeInformation(session, info.get());
    Say(letter, key,
        "result=%d label=%s|application=%s|publisher=%s|created=%s|modified=%s|expires=%s|"
        "effective=%s",
        result, Narrow(info->volumeLabel.str()).c_str(), Narrow(info->application.str()).c_str(),
        Narrow(info->publisher.str()).c_str(), DateText(info->creationTime).c_str(),
        DateText(info->modificationTime).c_str(), DateText(info->expirationTime).c_str(),
        DateText(info->effectiveTime).c_str());
  }
  std::vector<std::string> entries;
  Walk(session, u"", entries);
  for (const std::string& entry : entries)
    Say(letter, (std::string(key) + " file").c_str(), "%s", entry.c_str());
  wrenlo::CloseDiskSession(session);
}

// Reports the medium, its sessions, tracks and file systems; gives the
// number of sectors up to the end of the last session (0 without a medium).
std::uint32_t ReportMedium(int letter) {
  wrenlo::MediumInformation medium{};
  if (const int result = wrenlo::GetMediumInformation(letter, &medium); result != 0) {
    Say(letter, "medium", "result=%d", result);
    return 0;
  }
  const int firstSession = medium.firstSession, lastSession = medium.lastSession;
  const int firstTrack = medium.firstTrack, lastTrack = medium.lastTrack;
  Say(letter, "medium", "result=0 type=%s sessions=%d-%d tracks=%d-%d",
      Narrow(medium.typeName.str()).c_str(), firstSession, lastSession, firstTrack, lastTrack);
  std::uint32_t end = 0;
  for (int number = firstSession; number <= lastSession && number - firstSession < 100; ++number) {
    wrenlo::SessionInfo session{};
    const int result = wrenlo::GetSessionInformation(letter, number, &session);
    const std::int32_t start = session.startSector, count = session.sectorCount;
    const int track = session.firstTrack;
    Say(letter, ("session " + std::to_string(number)).c_str(),
        "result=%d start=%d count=%d first-track=%d", result, start, count, track);
    if (result != 0) continue;
    end = std::max(end, static_cast<std::uint32_t>(start) + static_cast<std::uint32_t>(count));
    ReportFileSystem(letter, number, track, wrenlo::kFileSystemIso9660, "iso9660");
    ReportFileSystem(letter, number, track, wrenlo::kFileSystemJoliet, "joliet");
    ReportFileSystem(letter, number, track, wrenlo::kFileSystemUdf, "udf");
  }
  for (int number = firstTrack; number <= lastTrack && number - firstTrack < 100; ++number) {
    wrenlo::TrackInformation track{};
    const int result = wrenlo::GetTrackInformation(letter, number, &track);
    const int flags = track.contentFlags;
    Say(letter, ("track " + std::to_string(number)).c_str(),
        "result=%d mode=%d iso9660=%d joliet=%d udf=%d bootable=%d", result, int{track.mode},
        (flags & wrenlo::kContentIso9660) != 0, (flags & wrenlo::kContentJoliet) != 0,
        (flags & wrenlo::kContentUdf) != 0, (flags & wrenlo::kContentBootable) != 0);
  }
  Say(letter, "sectors", "%u", end);
  return end;
}

// Reads every sector of the current device, up to kAttempts times each;
// reports the sectors that never read and a checksum (FNV-1a) of all sector
// contents, bad ones as zeros.
void Scan(int letter, std::uint32_t sectors) {
  std::vector<std::uint8_t> buffer(wrenlo::kSectorSize);
  std::uint64_t hash = 1469598103934665603ull;
  std::string bad;
  std::uint32_t retried = 0;
  for (std::uint32_t sector = 0; sector < sectors; ++sector) {
    int result = -1;
    int attempt = 0;
    for (; attempt < kAttempts && result != 0; ++attempt)
      result = wrenlo::ReadSectors(wrenlo::kCurrentDevice, static_cast<std::int32_t>(sector), 1, 0,
                                   buffer.data(), wrenlo::kSectorSize);
    if (attempt > 1) ++retried;
    if (result != 0) {
      std::fill(buffer.begin(), buffer.end(), 0);
      bad += (bad.empty() ? "" : ",") + std::to_string(sector) + ":" + std::to_string(result);
    }
    for (std::uint8_t byte : buffer) hash = (hash ^ byte) * 1099511628211ull;
  }
  Say(letter, "scan", "sectors=%u retried=%u bad=%s checksum=%016llx", sectors, retried,
      bad.empty() ? "-" : bad.c_str(), static_cast<unsigned long long>(hash));
}

// The program's own scanner (a device context and the direct bridge) with
// options, run to its end; null when it did not start.
std::unique_ptr<SectorScanner> RunCoreScan(const DeviceContext& context,
                                           const ScanOptions& options) {
  struct Quiet final : ISectorScannerCallback {
    void OnScanStarted() override {}
    void OnScanFinished() override {}
    void OnProgress(const ProgressCtx_t&) override {}
    void OnSurfaceState(const SurfaceState_t&) override {}
    void OnLogEntry(int, const TimeValue&, const std::u16string&, std::int64_t) override {}
  };
  static Quiet receiver;
  auto scanner = std::make_unique<SectorScanner>(std::make_unique<DirectBridge>(), &receiver);
  scanner->options = options;
  if (!scanner->Start(true, false, &context)) return nullptr;
  scanner->Wait();
  return scanner;
}

// Scans the last session again through the program's own scanner, reading
// sectorsPerRead sectors at a time, and reports (as key) the sectors it
// classes Error and how many it classes Problem.
void CoreScan(int letter, int sectorsPerRead, const char* key) {
  const DeviceContext context(static_cast<std::uint16_t>(letter));
  ScanOptions options;
  options.sectorsPerRead = sectorsPerRead;
  const std::unique_ptr<SectorScanner> scanner = RunCoreScan(context, options);
  if (scanner == nullptr) {
    Say(letter, key, "not started");
    return;
  }
  std::string errors;
  int problems = 0;
  const auto& states = scanner->surfaceState.sectors;
  for (std::size_t sector = 0; sector < states.size(); ++sector) {
    if (states[sector] == static_cast<std::uint8_t>(SectorState::Problem)) ++problems;
    if (states[sector] == static_cast<std::uint8_t>(SectorState::Error))
      errors += (errors.empty() ? "" : ",") + std::to_string(sector);
  }
  Say(letter, key, "sectors=%zu errors=%s problems=%d", states.size(),
      errors.empty() ? "-" : errors.c_str(), problems);
}

// Copies the drive's disc to an image in the folder as the program's copy
// does (all passes, one retry), and reports how it ended, the sectors its
// mapfile marks bad and a checksum (FNV-1a) of the image it wrote, which
// holds zeros where it could not read.
void Copy(int letter) {
  const DeviceContext context(static_cast<std::uint16_t>(letter));
  CopyRequest request;
  request.image = "/probe-copy-" + std::string(1, static_cast<char>(letter)) + ".iso";
  std::filesystem::remove(request.image);
  std::filesystem::remove(request.image + ".map");
  CopyJob job;
  std::string error;
  if (!job.Prepare(context, request, error)) {
    Say(letter, "copy", "refused: %s", error.c_str());
    return;
  }
  struct Quiet final : ICopyListener {
    void OnPassStarted(CopyPass, int) override {}
    void OnSectors(std::int64_t, std::int64_t, SectorState) override {}
    void OnRead(std::int64_t, std::int64_t, bool) override {}
    void OnLog(LogKind, const std::u16string&) override {}
  } quiet;
  const CopyEnd end = job.Run(quiet, {}, "drive probe");
  std::string bad;
  for (const RescueMap::Block& block : job.Map().Blocks())
    for (std::uint64_t s = block.first; block.status != BlockStatus::Finished && s < block.End();
         ++s)
      bad += (bad.empty() ? "" : ",") + std::to_string(s);
  std::uint64_t hash = 1469598103934665603ull;
  std::FILE* image = std::fopen(request.image.c_str(), "rb");
  for (int byte; image != nullptr && (byte = std::fgetc(image)) != EOF;)
    hash = (hash ^ static_cast<std::uint8_t>(byte)) * 1099511628211ull;
  if (image != nullptr) std::fclose(image);
  Say(letter, "copy", "end=%d bad=%s checksum=%016llx", static_cast<int>(end),
      bad.empty() ? "-" : bad.c_str(), static_cast<unsigned long long>(hash));
  std::filesystem::remove(request.image);
  std::filesystem::remove(request.image + ".map");
}

// Sectors per second of the program's surface scan over the first sectors
// of the session, at 1, 16 and 32 sectors per read.
void ScanBench(int letter, std::uint32_t sectors) {
  const DeviceContext context(static_cast<std::uint16_t>(letter));
  const auto span = static_cast<std::int32_t>(std::min<std::uint32_t>(sectors, 4096));
  double rates[3] = {};
  const int sizes[3] = {1, 16, 32};
  for (int i = 0; i < 3; ++i) {
    ScanOptions options;
    options.sectorsPerRead = sizes[i];
    options.lastSector = span - 1;
    const auto start = std::chrono::steady_clock::now();
    if (RunCoreScan(context, options) == nullptr) return;
    rates[i] =
        span / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  Say(letter, "scanbench", "sectors=%d spr1=%.0f spr16=%.0f spr32=%.0f gain32=%.1f", span, rates[0],
      rates[1], rates[2], rates[2] / rates[0]);
}

void EjectAndClose(int letter) {
  wrenlo::MediumInformation medium{};
  const int ejected = wrenlo::EjectDevice(letter);
  const int afterEject = wrenlo::GetMediumInformation(letter, &medium);
  const int closed = wrenlo::CloseDevice(letter);
  const int afterClose = wrenlo::GetMediumInformation(letter, &medium);
  Say(letter, "eject", "result=%d medium=%d close=%d medium=%d", ejected, afterEject, closed,
      afterClose);
}

// A plain SG_IO READ(10) of count sectors, as the reference for read rates.
bool RawRead(int fd, std::uint32_t sector, std::uint8_t* out, std::uint8_t count = 1) {
  std::uint8_t cdb[10] = {0x28,
                          0,
                          static_cast<std::uint8_t>(sector >> 24),
                          static_cast<std::uint8_t>(sector >> 16),
                          static_cast<std::uint8_t>(sector >> 8),
                          static_cast<std::uint8_t>(sector),
                          0,
                          0,
                          count,
                          0};
  std::uint8_t sense[32];
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.dxfer_direction = SG_DXFER_FROM_DEV;
  header.cmd_len = sizeof cdb;
  header.mx_sb_len = sizeof sense;
  header.dxfer_len = 2048u * count;
  header.dxferp = out;
  header.cmdp = cdb;
  header.sbp = sense;
  header.timeout = 20000;
  return ioctl(fd, SG_IO, &header) == 0 && header.status == 0 && header.host_status == 0;
}

// Single-sector ReadSectors on the current device against plain SG_IO
// READ(10) commands to its node, alternating, the better of two rounds each.
void Bench(int letter, const std::string& node, std::uint32_t sectors, int reads) {
  std::vector<std::uint8_t> buffer(wrenlo::kSectorSize);
  const int fd = open(node.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return;
  const std::uint32_t span = std::min<std::uint32_t>(sectors, 64);  // stays in QEMU's cache
  using Clock = std::chrono::steady_clock;
  double engineRate = 0, rawRate = 0;
  for (int round = 0; round < 2; ++round) {
    auto start = Clock::now();
    for (int i = 0; i < reads; ++i)
      wrenlo::ReadSectors(wrenlo::kCurrentDevice, static_cast<std::int32_t>(i % span), 1, 0,
                          buffer.data(), wrenlo::kSectorSize);
    engineRate =
        std::max(engineRate, reads / std::chrono::duration<double>(Clock::now() - start).count());
    start = Clock::now();
    for (int i = 0; i < reads; ++i)
      RawRead(fd, static_cast<std::uint32_t>(i) % span, buffer.data());
    rawRate =
        std::max(rawRate, reads / std::chrono::duration<double>(Clock::now() - start).count());
  }
  // The same loop at 32 sectors a command, in sectors per second: what the
  // drive gives a scan that reads 32 at a time.
  std::vector<std::uint8_t> block(32 * wrenlo::kSectorSize);
  const std::uint32_t blocks =
      std::max<std::uint32_t>(1, std::min<std::uint32_t>(sectors, 4096) / 32);
  const auto start = Clock::now();
  for (int i = 0; i < reads / 8; ++i)
    RawRead(fd, (static_cast<std::uint32_t>(i) % blocks) * 32, block.data(), 32);
  const double raw32Rate =
      32.0 * (reads / 8) / std::chrono::duration<double>(Clock::now() - start).count();
  close(fd);
  Say(letter, "bench", "engine=%.0f raw=%.0f ratio=%.3f raw32=%.0f", engineRate, rawRate,
      engineRate / rawRate, raw32Rate);
}

// Prints one command's reply as hex, or its result and sense.
void DumpReply(const std::string& node, const char* command, const wrenlo::drive::Reply& reply) {
  std::printf("@probe dump %s %s result=%d", node.c_str(), command, static_cast<int>(reply.result));
  for (std::uint8_t byte : reply.bytes) std::printf(" %02x", byte);
  std::printf("\n");
}

void Dump(const std::string& node) {
  namespace d = wrenlo::drive;
  const int fd = open(node.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return;
  d::SgIoDevice device(node, fd);
  DumpReply(node, "inquiry", d::Inquiry(device));
  DumpReply(node, "vpd-00", d::InquiryVpd(device, 0x00));
  DumpReply(node, "vpd-80", d::InquiryVpd(device, 0x80));
  DumpReply(node, "configuration", d::GetConfiguration(device));
  DumpReply(node, "mode-sense-2a", d::ModeSense10(device, 0x2A));
  DumpReply(node, "report-key-rpc", d::ReportKeyRpcState(device));
  DumpReply(node, "event-status", d::GetMediaEventStatus(device));
  DumpReply(node, "disc-information", d::ReadDiscInformation(device));
  DumpReply(node, "toc", d::ReadToc(device));
  DumpReply(node, "full-toc", d::ReadFullToc(device));
  // Sector 16 whole, as a Mode 2 track's sectors are read.
  d::Reply sector;
  sector.bytes.resize(d::kCdSectorBytes);
  sector.result = d::ReadCd(device, 16, 1, d::kCdSectorAny, d::kCdFieldsWholeSector, sector.bytes);
  DumpReply(node, "read-cd-16", sector);
  DumpReply(node, "track-information-1", d::ReadTrackInformation(device, 1));
  DumpReply(node, "capacity", d::ReadCapacity(device));
  DumpReply(node, "performance", d::GetWriteSpeedPerformance(device));
  DumpReply(node, "buffer-capacity", d::ReadBufferCapacity(device));
}

// The device nodes in the order the engine lists drives.
std::vector<std::string> Nodes() {
  std::vector<std::pair<unsigned long, std::string>> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/class/block", error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("sr", 0) == 0 && name.size() > 2)
      found.emplace_back(std::stoul(name.substr(2)), name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> nodes;
  for (const auto& [number, name] : found) nodes.push_back("/dev/" + name);
  return nodes;
}

const char* ChangeName(DriveChange change) {
  switch (change) {
    case DriveChange::MediumArrived:
      return "arrived";
    case DriveChange::MediumRemoved:
      return "removed";
    case DriveChange::MediumChanged:
      return "changed";
    case DriveChange::DrivesChanged:
      return "drives";
  }
  return "?";
}

// Runs the media watcher on the drive until it has reported a removal and
// then an arrival, or seconds have passed.
void Watch(int letter, int seconds) {
  std::mutex mutex;
  std::condition_variable reported;
  bool removed = false, back = false;
  const MediaWatcher watcher(
      static_cast<std::uint16_t>(letter), [] { return false; },
      [&](const DriveEvent& event) {
        Say(letter, "watch", "%s", ChangeName(event.change));
        const std::lock_guard lock(mutex);
        if (event.change == DriveChange::MediumRemoved) removed = true;
        if (removed && event.change == DriveChange::MediumArrived) back = true;
        reported.notify_all();
      });
  std::printf("@probe watching %c\n", static_cast<char>(letter));
  std::fflush(stdout);
  std::unique_lock lock(mutex);
  reported.wait_for(lock, std::chrono::seconds(seconds), [&] { return back; });
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : "0";
    if (arg == "--eject") {
      options.eject = true;
    } else if (arg == "--dump") {
      options.dump = true;
    } else if (arg == "--scan-max") {
      options.scanMax = static_cast<std::uint32_t>(std::atol(value));
      ++i;
    } else if (arg == "--bench") {
      options.benchReads = std::atoi(value);
      ++i;
    } else if (arg == "--as-user") {
      options.asUser = std::atoi(value);
      ++i;
    } else if (arg == "--watch") {
      options.watchSeconds = std::atoi(value);
      ++i;
    }
  }
  if (options.asUser >= 0 && (setgid(options.asUser) != 0 || setuid(options.asUser) != 0)) {
    std::printf("@probe cannot change user\n");
    return 1;
  }

  const std::vector<std::string> nodes = Nodes();
  if (options.dump) {
    for (const std::string& node : nodes) Dump(node);
    std::printf("@probe done\n");
    return 0;
  }
  wrenlo::Initialize();
  std::vector<wrenlo::DeviceListEntry> entries(wrenlo::kMaxDevices);
  std::int32_t count = 0;
  if (const int result = wrenlo::GetDevices(entries.data(), &count, 0); result != 0) {
    std::printf("@probe devices result=%d\n", result);
    return 1;
  }
  if (options.watchSeconds > 0) {
    const std::u16string first = count > 0 ? entries[0].text.str() : u"";
    if (!first.empty() && first[0] != u'#') Watch(first[0], options.watchSeconds);
    std::printf("@probe done\n");
    return 0;
  }
  std::printf("@probe drives %d\n", count);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::u16string text = entries[static_cast<std::size_t>(i)].text.str();
    const bool usable = !text.empty() && text[0] != u'#';
    const int letter = text.size() > 1 ? (usable ? text[0] : text[1]) : '?';
    Say(letter, "entry", "%s", Narrow(text).c_str());
    if (!usable) continue;
    if (wrenlo::SetBurnDevice(letter) != 0 || wrenlo::SetReadDevice(letter) != 0) {
      Say(letter, "select", "failed");
      continue;
    }
    ReportDrive(letter);
    const std::uint32_t sectors = ReportMedium(letter);
    if (sectors > 0 && sectors <= options.scanMax) {
      Scan(letter, sectors);
      CoreScan(letter, 1, "corescan");
      CoreScan(letter, 32, "corescan32");
      Copy(letter);
    }
    // Real drives come first in the list, in the order of their nodes.
    if (sectors > 0 && options.benchReads > 0 && static_cast<std::size_t>(i) < nodes.size()) {
      Bench(letter, nodes[static_cast<std::size_t>(i)], sectors, options.benchReads);
      ScanBench(letter, sectors);
    }
    if (sectors > 0 && options.eject) EjectAndClose(letter);
  }
  std::printf("@probe done\n");
  return 0;
}
