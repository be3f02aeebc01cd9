// The scanner's copy to an image: the copy job run on the worker, its
// reports turned into a surface scan's (the table of sector classes, the
// progress, the log), forwarded to the receiver's thread.
#include <algorithm>
#include <array>

#include "core/disc/DeviceContext.h"
#include "core/product/ProductInfo.h"
#include "core/report/CopySummary.h"
#include "core/report/Utf8.h"
#include "core/rescue/CopyJob.h"
#include "core/rescue/IncompleteFiles.h"
#include "core/scan/SectorScanner.h"

namespace {

// Reports go to the receiver at most this often while the copy reads; the
// table itself is up to date for the map at any time.
constexpr std::uint64_t kReportIntervalMicroseconds = 30000;

std::u16string Text(const std::string& utf8) { return FromUtf8(utf8); }

std::u16string Number(std::int64_t n) { return Text(std::to_string(n)); }

}  // namespace

class SectorScanner::CopyReports final : public ICopyListener {
 public:
  CopyReports(SectorScanner& owner, const CopyJob& copy) : scanner(owner), job(copy) {
    for (const std::uint8_t state : scanner.surfaceState.sectors) ++classes[state & 3];
  }

  void OnPassStarted(CopyPass pass, int retry) override {
    passName = Text(CopyPassName(pass, retry, job.Options().retries));
    scanner.Log(LogKind::Info, Text(CopyPassStartText(pass, retry, job.Options())));
    Report();
  }

  void OnSectors(std::int64_t address, std::int64_t count, SectorState state) override {
    const std::int64_t first = address - job.Plan().TableStart();
    const std::uint64_t now = scanner.clocks.microseconds();
    {
      std::lock_guard lock(scanner.stateLock);
      std::vector<std::uint8_t>& table = scanner.surfaceState.sectors;
      for (std::int64_t i = first; i < first + count; ++i) {
        std::uint8_t& entry = table[static_cast<std::size_t>(i)];
        --classes[entry & 3];
        entry = static_cast<std::uint8_t>(state);
        ++classes[entry & 3];
      }
      // The curve takes what the copy gained, at the pace of its reads.
      if (state == SectorState::Good || state == SectorState::Problem)
        scanner.speedCurve.Add(
            static_cast<std::int32_t>(first),
            (now - lastRead) / static_cast<std::uint64_t>(std::max<std::int64_t>(count, 1)), state);
      ++scanner.stateChanges;
      scanner.lastChangedSector = count == 1 ? static_cast<std::int32_t>(first) : -1;
    }
    if (state == SectorState::Good || state == SectorState::Problem)
      gained += static_cast<std::uint64_t>(count) * job.Plan().sectorBytes;
  }

  void OnRead(std::int64_t address, std::int64_t, bool) override {
    position = address - job.Plan().TableStart();
    const std::uint64_t now = scanner.clocks.microseconds();
    scanner.readRate.Add(now, gained);
    const std::uint32_t elapsed = static_cast<std::uint32_t>((now - lastRead) / 1000);
    scanner.progress.speed = static_cast<std::int32_t>(
        std::min<std::uint64_t>(gained * 1000 / (elapsed == 0 ? 1 : elapsed), INT32_MAX));
    gained = 0;
    lastRead = now;
    if (now - lastReport >= kReportIntervalMicroseconds) Report();
  }

  void OnLog(LogKind kind, const std::u16string& text) override { scanner.Log(kind, text); }

  // The counts and text of now, to the receiver.
  void Report() {
    SetText();
    ProgressCtx_t& progress = scanner.progress;
    progress.current = static_cast<std::int32_t>(classes[1] + classes[2] + classes[3]);
    progress.problems = static_cast<std::int32_t>(classes[2]);
    progress.errors = static_cast<std::int32_t>(classes[3]);
    progress.recentSpeed = scanner.readRate.BytesPerSecond();
    lastReport = scanner.clocks.microseconds();
    scanner.OnProgress(progress);
    scanner.OnSurfaceState(scanner.surfaceState);
  }

 private:
  // "Copy to Image: scraping, sector 1200 of 3000": the sector the last read
  // began at.
  void SetText() {
    if (passName.empty()) {
      scanner.progress.text = u"Copy to Image.";
      return;
    }
    scanner.progress.text = u"Copy to Image: " + passName + u", sector " + Number(position) +
                            u" of " +
                            Number(static_cast<std::int64_t>(scanner.surfaceState.sectors.size()));
  }

  SectorScanner& scanner;
  const CopyJob& job;
  // Sectors of the table in each class, by SectorState code.
  std::array<std::int64_t, 4> classes{};
  std::u16string passName;
  std::int64_t position = 0;  // in the table
  std::uint64_t gained = 0;   // bytes copied since the last read ended
  std::uint64_t lastRead = scanner.clocks.microseconds();
  std::uint64_t lastReport = 0;
};

void SectorScanner::RunCopy() {
  pass = ScanPass::CopyToImage;
  const std::uint64_t passStart = clocks.microseconds();
  readRate.Start(passStart);
  OnScanStarted();
  CopyJob& job = *copyJob;
  const CopyPlan& plan = job.Plan();
  {
    std::lock_guard lock(stateLock);
    surfaceState.sectors = CopyTable(job.Map(), plan);
    speedCurve.Start(static_cast<std::int32_t>(surfaceState.sectors.size()),
                     BaseSpeed(deviceContext->medium.typeName.str()));
    ++stateChanges;
    lastChangedSector = -1;
  }
  progress = ProgressCtx_t{};
  progress.total = static_cast<std::int32_t>(std::min<std::uint64_t>(plan.Sectors(), INT32_MAX));
  CopyReports reports(*this, job);
  reports.Report();

  std::u16string start = u"Copy to image started: " + Text(job.Targets().image);
  if (job.Resumes()) start += u", continued from " + Text(job.Targets().mapfile);
  Log(LogKind::Info, start);
  const std::string comment = std::string(kProductName) + " " + kProductVersion +
                              ": copy of drive " + static_cast<char>(deviceContext->driveLetter) +
                              ":";
  const CopyEnd end = job.Run(
      reports, [this] { return StopRequested(); }, comment);
  copyEnd = static_cast<int>(end);
  reports.Report();
  if (end == CopyEnd::Failed) Log(LogKind::Error, u"Copy to image failed: " + Text(job.Error()));
  if (end == CopyEnd::MediumRemoved) {
    mediumRemoved = true;
    Stop();
  }
  passMicroseconds = clocks.microseconds() - passStart;
  OnScanFinished();
  pass = ScanPass::None;
}
