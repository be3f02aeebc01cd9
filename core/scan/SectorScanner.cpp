#include "core/scan/SectorScanner.h"

#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <chrono>

#include "core/disc/DeviceContext.h"

namespace {

void AppendNumber(std::u16string& text, std::int64_t number) {
  char16_t digits[24];
  char16_t* end = digits + std::size(digits);
  char16_t* first = end;
  const bool negative = number < 0;
  std::uint64_t rest = negative ? 0 - static_cast<std::uint64_t>(number) : number;
  do {
    *--first = static_cast<char16_t>(u'0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (negative) *--first = u'-';
  text.append(first, end);
}

std::uint64_t SteadyMicroseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

// The millisecond tick count of a time in microseconds, wrapping at 2^32.
std::uint32_t TickCount(std::uint64_t microseconds) {
  return static_cast<std::uint32_t>(microseconds / 1000);
}

constexpr std::uint64_t kSectorBytes = 2048;

}  // namespace

SectorScanner::Clocks SectorScanner::SystemClocks() { return {SteadyMicroseconds, TimeValue::Now}; }

SectorScanner::SectorScanner(std::unique_ptr<ScannerBridge> bridge,
                             ISectorScannerCallback* receiver, Clocks clockSources)
    : target(receiver), window(std::move(bridge)), clocks(std::move(clockSources)) {}

SectorScanner::~SectorScanner() {
  window->Close();
  Stop();
  if (thread.joinable()) thread.join();
}

// --- Forwarding --------------------------------------------------------------

void SectorScanner::OnScanStarted() {
  ISectorScannerCallback* receiver = target;
  Forward([receiver] { receiver->OnScanStarted(); });
}

void SectorScanner::OnScanFinished() {
  ISectorScannerCallback* receiver = target;
  Forward([receiver] { receiver->OnScanFinished(); });
}

void SectorScanner::OnProgress(const ProgressCtx_t& record) {
  ISectorScannerCallback* receiver = target;
  Forward([receiver, &record] { receiver->OnProgress(record); });
}

void SectorScanner::OnSurfaceState(const SurfaceState_t& state) {
  ISectorScannerCallback* receiver = target;
  Forward([receiver, &state] { receiver->OnSurfaceState(state); });
}

void SectorScanner::OnLogEntry(int kind, const TimeValue& time, const std::u16string& text) {
  ISectorScannerCallback* receiver = target;
  Forward([receiver, kind, &time, &text] { receiver->OnLogEntry(kind, time, text); });
}

// --- Control -------------------------------------------------------------------

bool SectorScanner::IsRunning() const { return running.load(std::memory_order_acquire); }

bool SectorScanner::Start(bool surface, bool files, const DeviceContext* context) {
  if (context == nullptr || IsRunning()) return false;
  if (thread.joinable()) {
    if (!lastReportDone.load(std::memory_order_acquire)) return false;
    thread.join();
  }
  surfaceScan = surface;
  filesTest = files;
  deviceContext = context;
  stopEvent.store(false, std::memory_order_release);
  lastReportDone.store(false, std::memory_order_release);
  running.store(true, std::memory_order_release);
  thread = std::thread(&SectorScanner::ThreadMain, this);
  return true;
}

void SectorScanner::Stop() {
  if (running.exchange(false, std::memory_order_acq_rel))
    stopEvent.store(true, std::memory_order_release);
}

void SectorScanner::Wait() {
  if (!thread.joinable()) return;
  window->ServeUntil([this] { return lastReportDone.load(std::memory_order_acquire); });
  thread.join();
}

void SectorScanner::StopAndWait() {
  Stop();
  Wait();
}

bool SectorScanner::StopRequested() const { return stopEvent.load(std::memory_order_acquire); }

// --- The worker --------------------------------------------------------------------

void SectorScanner::ThreadMain() {
  mediumRemoved = false;
  OnScanStarted();
  if (surfaceScan) RunSurfaceScan();
  if (filesTest && !mediumRemoved) RunFilesTest();
  running.store(false, std::memory_order_release);
  // The run's last report. Once the receiver has returned from it, the worker
  // only ends, so a Start or Wait on the receiver's thread may join it at once.
  ISectorScannerCallback* receiver = target;
  Forward([this, receiver] {
    receiver->OnScanFinished();
    lastReportDone.store(true, std::memory_order_release);
  });
  lastReportDone.store(true, std::memory_order_release);  // also when it was dropped
}

void SectorScanner::RunSurfaceScan() {
  pass = ScanPass::SurfaceScan;
  const std::uint64_t passStart = clocks.microseconds();
  readRate.Start(passStart);
  OnScanStarted();
  std::int32_t count = 0;
  // A medium without a record of its last session has the default record's
  // count of -1; it is scanned as empty.
  if (deviceContext->hasMedium)
    count = std::max<std::int32_t>(deviceContext->GetSessionInfo(-1).sectorCount, 0);

  progress.text = u"Surface Scan.";
  progress.current = progress.errors = progress.problems = progress.speed = 0;
  progress.recentSpeed = 0;
  progress.total = count;
  {
    std::lock_guard lock(stateLock);
    surfaceState.sectors.assign(static_cast<std::size_t>(count),
                                static_cast<std::uint8_t>(SectorState::NotChecked));
    ++stateChanges;
    lastChangedSector = -1;
  }
  OnProgress(progress);
  OnSurfaceState(surfaceState);

  std::u16string startLine = u"Surface scan started, start sector = 0, end sector = ";
  AppendNumber(startLine, std::int64_t{count} - 1);
  Log(LogKind::Info, startLine);

  if (count > 0) {
    SetSectorProgress(0, count);
    OnProgress(progress);
  }
  // The reports of each sector go to the receiver as one call, in order, one
  // at a time, as if each were waited for. While the receiver runs a
  // sector's call, the worker already reads the next sector, which no
  // report shows before that call has ended: a stop or the last sector that
  // the call finds leaves that read unused, so the receiver sees the same
  // reports and the same table as with a wait after each call, and a drive's
  // pace is not slowed by the time the receiver takes.
  AfterRead afterRead{this, count, {}};
  bool underWay = false;
  for (std::int32_t sector = 0; sector < count; ++sector) {
    SectorRead read = ReadWithRetries(sector, underWay);
    if (underWay) {
      FinishAfterRead(afterRead);
      underWay = false;
      if (afterRead.stop) break;
      // The stop came after the call had looked: read it whole, as ever.
      if (read.abandoned) read = ReadWithRetries(sector, false);
    }
    if (read.state == SectorState::NotChecked) {
      // Not read: the sector does not count among those checked.
      --progress.current;
      std::u16string where = u"sector ";
      AppendNumber(where, sector);
      EndAtMediumRemoval(where);
      break;
    }
    afterRead.read = read;
    afterRead.ran = afterRead.stop = false;
    if (window->Begin(ScannerCall(afterRead))) {
      afterRead.RunIfDropped();
      if (afterRead.stop) break;
    } else {
      underWay = true;
    }
  }
  if (underWay) FinishAfterRead(afterRead);
  passMicroseconds = clocks.microseconds() - passStart;
  OnScanFinished();
  pass = ScanPass::None;
}

void SectorScanner::SetSectorProgress(std::int32_t sector, std::int32_t count) {
  progress.text.assign(u"Surface Scan. Sector ");
  AppendNumber(progress.text, sector);
  progress.text.append(u" from ");
  AppendNumber(progress.text, count);
  ++progress.current;
}

void SectorScanner::RecordSector(std::int32_t sector, SectorState state, std::uint64_t start,
                                 std::uint64_t end, bool report) {
  const std::uint32_t elapsed = TickCount(end) - TickCount(start);
  progress.speed = static_cast<std::int32_t>(2048000u / (elapsed == 0 ? 1 : elapsed));
  readRate.Add(end, state == SectorState::Error ? 0 : kSectorBytes);
  progress.recentSpeed = readRate.BytesPerSecond();
  if (state == SectorState::Problem) {
    if (report) ReportLog(LogKind::Problem, u"Sector problem");
    ++progress.problems;
  } else if (state == SectorState::Error) {
    if (report) ReportLog(LogKind::Error, u"Sector error");
    ++progress.errors;
  }
  if (report) target->OnProgress(progress);
  {
    std::lock_guard lock(stateLock);
    surfaceState.sectors[static_cast<std::size_t>(sector)] = static_cast<std::uint8_t>(state);
    ++stateChanges;
    lastChangedSector = sector;
  }
  if (report) target->OnSurfaceState(surfaceState);
}

void SectorScanner::AfterRead::operator()() const {
  ran = true;
  Run(true);
}

void SectorScanner::AfterRead::Run(bool report) const {
  scanner->RecordSector(read.sector, read.state, read.start, read.end, report);
  stop = scanner->StopRequested();
  if (stop || read.sector + 1 == count) return;
  scanner->SetSectorProgress(read.sector + 1, count);
  if (report) scanner->target->OnProgress(scanner->progress);
}

void SectorScanner::AfterRead::RunIfDropped() const {
  if (!ran) Run(false);
}

void SectorScanner::FinishAfterRead(const AfterRead& afterRead) {
  window->Finish();
  afterRead.RunIfDropped();
}

SectorScanner::SectorRead SectorScanner::ReadWithRetries(std::int32_t sector, bool abandonOnStop) {
  SectorRead read;
  read.sector = sector;
  read.start = clocks.microseconds();
  read.state = SectorState::Error;
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    if (abandonOnStop && StopRequested()) {
      read.abandoned = true;
      break;
    }
    const std::int32_t result = deviceContext->ReadSector(readBuffer, sector, -1);
    if (result == 0) {
      read.state = attempt == 0 ? SectorState::Good : SectorState::Problem;
      break;
    }
    if (result == wrenlo::kResultNoMedium) {
      read.state = SectorState::NotChecked;
      break;
    }
  }
  read.end = clocks.microseconds();
  return read;
}

void SectorScanner::EndAtMediumRemoval(const std::u16string& where) {
  mediumRemoved = true;
  Log(LogKind::Info, u"Medium removed at " + where);
  OnProgress(progress);
  Stop();
}

void SectorScanner::RunFilesTest() {
  pass = ScanPass::FilesTest;
  const std::uint64_t passStart = clocks.microseconds();
  OnScanStarted();
  std::vector<std::u16string> files;
  std::vector<std::u16string> unlisted;
  deviceContext->CollectFiles(files, &unlisted);

  progress.total = static_cast<std::int32_t>(files.size());
  progress.current = progress.errors = progress.problems = progress.speed = 0;
  progress.recentSpeed = 0;
  progress.text.clear();
  OnProgress(progress);
  // A file system the disc announces but that cannot be listed leaves files
  // untested: an error of the test, though of no one file.
  for (const std::u16string& what : unlisted) Log(LogKind::Error, kFileSystemError + what);

  for (const std::u16string& path : files) {
    TestFile(path);
    if (StopRequested()) break;
  }
  passMicroseconds = clocks.microseconds() - passStart;
  OnScanFinished();
  pass = ScanPass::None;
}

void SectorScanner::TestFile(const std::u16string& path) {
  progress.text = path;
  OnProgress(progress);

  const wrenlo::SessionInfo last = deviceContext->GetSessionInfo(-1);
  wrenlo::Handle session = 0;
  const std::int32_t opened = wrenlo::OpenDiskSession(wrenlo::kCurrentDevice, last.firstTrack,
                                                      &session, wrenlo::kFileSystemAny);
  const std::int32_t result = wrenlo::VerifyFile(session, path.c_str());
  wrenlo::CloseDiskSession(session);

  if (opened == wrenlo::kResultNoMedium || result == wrenlo::kResultNoMedium) {
    EndAtMediumRemoval(u"file " + path);  // the file was not checked
    return;
  }
  if (result != 0) {
    ++progress.errors;
    Log(LogKind::Error, u"File error: " + path);
  }
  ++progress.current;
  OnProgress(progress);
}

void SectorScanner::Log(LogKind kind, const std::u16string& text) {
  const TimeValue time = clocks.now();
  OnLogEntry(static_cast<int>(kind), time, text);
}

void SectorScanner::ReportLog(LogKind kind, const std::u16string& text) {
  target->OnLogEntry(static_cast<int>(kind), clocks.now(), text);
}
