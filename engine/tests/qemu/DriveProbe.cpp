// The drive probe: run inside a throw-away QEMU guest, it reports what the
// engine's drive backend finds on every /dev/srN, one fact per line (each
// line starts with "@probe " so the harness can tell it from kernel
// messages), then scans, ejects and times reads as asked.
//
//   drive_probe [--scan-max SECTORS] [--eject] [--bench READS] [--as-user UID]
//   drive_probe --dump    the raw replies of every command, for the tests
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "LinuxDrives.h"
#include "MmcCommands.h"
#include "Sense.h"
#include "SgIoDevice.h"

namespace {

using wrenlo::Backend;
using wrenlo::MediumLayout;

constexpr int kAttempts = 5;  // reads of one sector before it counts as bad

struct Options {
  std::uint32_t scanMax = 0;
  bool eject = false;
  bool dump = false;
  int benchReads = 0;
  int asUser = -1;
};

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

template <typename... Args>
void Say(int drive, const char* format, Args... args) {
  std::printf("@probe drive %d ", drive);
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

void ReportDrive(int index, Backend& drive) {
  const wrenlo::DriveIdentity id = drive.Identity();
  Say(index,
      "identity "
      "vendor=%s|model=%s|revision=%s|firmware=%s|serial=%s|region=%d|changes=%d|buffer=%d",
      Narrow(id.vendor).c_str(), Narrow(id.model).c_str(), Narrow(id.revision).c_str(),
      Narrow(id.firmwareRevision).c_str(), Narrow(id.serialNumber).c_str(), id.regionCode,
      id.userChangesLeft, id.bufferSizeKB);
  Say(index, "speeds read=%d write=%d", drive.MaxReadSpeedKB(), drive.MaxWriteSpeedKB());
  std::string answers;
  for (std::uint64_t code : kQuestions) answers += drive.HasCapability(code) ? '1' : '0';
  Say(index, "capabilities %s", answers.c_str());
}

// Reports the medium; gives its sector count (0 without a medium).
std::uint32_t ReportMedium(int index, Backend& drive) {
  MediumLayout layout;
  const wrenlo::Result result = drive.Medium(layout);
  if (result != wrenlo::kOk) {
    Say(index, "medium result=%d", static_cast<int>(result));
    return 0;
  }
  const std::uint32_t sectors = drive.SectorCount();
  Say(index, "medium result=0 type=%s sessions=%zu tracks=%zu sectors=%u",
      Narrow(layout.typeName).c_str(), layout.sessions.size(), layout.tracks.size(), sectors);
  for (const auto& s : layout.sessions)
    Say(index, "session %d start=%u count=%u tracks=%d-%d", s.number, s.start, s.sectorCount,
        s.firstTrack, s.lastTrack);
  for (const auto& t : layout.tracks)
    Say(index, "track %d session=%d start=%u count=%u mode=%d", t.number, t.session, t.start,
        t.sectorCount, t.mode);
  return sectors;
}

// Reads every sector, up to kAttempts times each; reports the sectors that
// never read and a checksum (FNV-1a) of all sector contents, bad ones as
// zeros.
void Scan(int index, Backend& drive, std::uint32_t sectors) {
  std::vector<std::uint8_t> buffer(2048);
  std::uint64_t hash = 1469598103934665603ull;
  std::string bad;
  std::uint32_t retried = 0;
  for (std::uint32_t sector = 0; sector < sectors; ++sector) {
    wrenlo::Result result = wrenlo::kMediumError;
    int attempt = 0;
    for (; attempt < kAttempts && result != wrenlo::kOk; ++attempt)
      result = drive.Read(sector, 1, buffer.data());
    if (attempt > 1) ++retried;
    if (result != wrenlo::kOk) {
      std::fill(buffer.begin(), buffer.end(), 0);
      bad += (bad.empty() ? "" : ",") + std::to_string(sector) + ":" + std::to_string(result);
    }
    for (std::uint8_t byte : buffer) hash = (hash ^ byte) * 1099511628211ull;
  }
  Say(index, "scan sectors=%u retried=%u bad=%s checksum=%016llx", sectors, retried,
      bad.empty() ? "-" : bad.c_str(), static_cast<unsigned long long>(hash));
}

void EjectAndClose(int index, Backend& drive) {
  MediumLayout layout;
  const int ejected = drive.Eject();
  const int afterEject = drive.Medium(layout);
  const int closed = drive.CloseTray();
  const int afterClose = drive.Medium(layout);
  Say(index, "eject result=%d medium=%d close=%d medium=%d", ejected, afterEject, closed,
      afterClose);
}

// A plain SG_IO READ(10) of one sector, as the reference for read rates.
bool RawRead(int fd, std::uint32_t sector, std::uint8_t* out) {
  std::uint8_t cdb[10] = {0x28,
                          0,
                          static_cast<std::uint8_t>(sector >> 24),
                          static_cast<std::uint8_t>(sector >> 16),
                          static_cast<std::uint8_t>(sector >> 8),
                          static_cast<std::uint8_t>(sector),
                          0,
                          0,
                          1,
                          0};
  std::uint8_t sense[32];
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.dxfer_direction = SG_DXFER_FROM_DEV;
  header.cmd_len = sizeof cdb;
  header.mx_sb_len = sizeof sense;
  header.dxfer_len = 2048;
  header.dxferp = out;
  header.cmdp = cdb;
  header.sbp = sense;
  header.timeout = 20000;
  return ioctl(fd, SG_IO, &header) == 0 && header.status == 0 && header.host_status == 0;
}

void Bench(int index, Backend& drive, const std::string& node, std::uint32_t sectors, int reads) {
  std::vector<std::uint8_t> buffer(2048);
  const int fd = open(node.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return;
  const std::uint32_t span = std::min<std::uint32_t>(sectors, 64);  // stays in QEMU's cache
  using Clock = std::chrono::steady_clock;
  double engineRate = 0, rawRate = 0;
  for (int round = 0; round < 2; ++round) {  // alternate, keep the better of two
    auto start = Clock::now();
    for (int i = 0; i < reads; ++i)
      drive.Read(static_cast<std::uint32_t>(i) % span, 1, buffer.data());
    engineRate =
        std::max(engineRate, reads / std::chrono::duration<double>(Clock::now() - start).count());
    start = Clock::now();
    for (int i = 0; i < reads; ++i)
      RawRead(fd, static_cast<std::uint32_t>(i) % span, buffer.data());
    rawRate =
        std::max(rawRate, reads / std::chrono::duration<double>(Clock::now() - start).count());
  }
  close(fd);
  Say(index, "bench engine=%.0f raw=%.0f ratio=%.3f", engineRate, rawRate, engineRate / rawRate);
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
  auto drives = wrenlo::FindLinuxDrives();
  std::printf("@probe drives %zu\n", drives.size());
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const int index = static_cast<int>(i);
    Say(index, "name %s", Narrow(drives[i].name).c_str());
    if (!drives[i].backend) {
      Say(index, "problem %s", Narrow(drives[i].problem).c_str());
      continue;
    }
    Backend& drive = *drives[i].backend;
    ReportDrive(index, drive);
    const std::uint32_t sectors = ReportMedium(index, drive);
    if (sectors > 0 && sectors <= options.scanMax) Scan(index, drive, sectors);
    if (sectors > 0 && options.benchReads > 0 && i < nodes.size())
      Bench(index, drive, nodes[i], sectors, options.benchReads);
    if (sectors > 0 && options.eject) EjectAndClose(index, drive);
  }
  std::printf("@probe done\n");
  return 0;
}
