#include "core/scan/SectorScanner.h"

#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <chrono>

#include "core/disc/DeviceContext.h"
#include "core/scan/ReadSpeeds.h"

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

// A read result after which nothing more of the medium reads: it was taken
// out (or the tray opened), or the image file under a virtual drive changed.
bool MediumGone(std::int32_t result) {
  return result == wrenlo::kResultNoMedium || result == wrenlo::kResultImageChanged;
}

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

void SectorScanner::OnLogEntry(int kind, const TimeValue& time, const std::u16string& text,
                               std::int64_t sector) {
  ISectorScannerCallback* receiver = target;
  Forward(
      [receiver, kind, &time, &text, sector] { receiver->OnLogEntry(kind, time, text, sector); });
}

// --- Control -------------------------------------------------------------------

bool SectorScanner::IsRunning() const { return running.load(std::memory_order_acquire); }

bool SectorScanner::Start(bool surface, bool files, const DeviceContext* context) {
  if (!options.IsValid()) return false;
  return StartWorker(surface, files, nullptr, context);
}

bool SectorScanner::StartCopy(const DeviceContext* context, std::shared_ptr<CopyJob> job) {
  return job != nullptr && StartWorker(false, false, std::move(job), context);
}

bool SectorScanner::StartWorker(bool surface, bool files, std::shared_ptr<CopyJob> job,
                                const DeviceContext* context) {
  if (context == nullptr || IsRunning()) return false;
  if (thread.joinable()) {
    if (!lastReportDone.load(std::memory_order_acquire)) return false;
    thread.join();
  }
  surfaceScan = surface;
  filesTest = files;
  copyToImage = job != nullptr;
  copyJob = std::move(job);
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
  if (copyToImage) RunCopy();
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
  extent = ExtentOf(*deviceContext, options.session);
  OnScanStarted();
  const std::int32_t count = extent.count;
  // The range scanned, first to last, in the table's numbering; empty when
  // first is past the end. It starts no earlier than the sessions scanned.
  const std::int32_t first = std::min(std::max(options.firstSector, extent.NextInSpan(0)), count);
  const std::int32_t last =
      options.lastSector < 0 || options.lastSector >= count ? count - 1 : options.lastSector;

  progress.text = u"Surface Scan.";
  progress.current = progress.errors = progress.problems = progress.speed = 0;
  progress.skipped = progress.recentSpeed = 0;
  {
    std::lock_guard lock(stateLock);
    surfaceState.sectors.assign(static_cast<std::size_t>(count),
                                static_cast<std::uint8_t>(SectorState::NotChecked));
    speedCurve.Start(count, BaseSpeed(deviceContext->medium.typeName.str()));
    // A retry keeps what the earlier scan found Good.
    if (options.retry) {
      const std::size_t kept = std::min(options.previous.size(), surfaceState.sectors.size());
      for (std::size_t i = 0; i < kept; ++i)
        if (options.previous[i] == static_cast<std::uint8_t>(SectorState::Good))
          surfaceState.sectors[i] = options.previous[i];
    }
    ++stateChanges;
    lastChangedSector = -1;
  }
  progress.total = 0;
  for (std::int32_t sector = NextToRead(first, last); sector <= last;
       sector = NextToRead(sector + 1, last))
    ++progress.total;
  OnProgress(progress);
  OnSurfaceState(surfaceState);

  // A speed chosen holds for the scan and is given back to the drive after.
  const bool speedSet = options.speed > 0 && count > 0;
  if (speedSet &&
      wrenlo::SetReadSpeed(wrenlo::kCurrentDevice,
                           SpeedKB(options.speed, deviceContext->medium.typeName.str())) != 0) {
    std::u16string refused = u"The drive did not take the read speed ";
    AppendNumber(refused, options.speed);
    Log(LogKind::Info, refused + u"x");
  }

  std::u16string startLine = u"Surface scan started, start sector = ";
  AppendNumber(startLine, first);
  startLine.append(u", end sector = ");
  AppendNumber(startLine, last);
  startLine += extent.StartLineText(deviceContext->medium.lastSession);
  if (options.retry) {
    startLine += u", retrying ";
    AppendNumber(startLine, progress.total);
    startLine += progress.total == 1 ? u" sector" : u" sectors";
  }
  Log(LogKind::Info, startLine);

  std::int32_t sector = NextToRead(first, last);
  firstUnread = sector <= last ? sector : -1;
  if (sector <= last) {
    SetSectorProgress(sector, count);
    OnProgress(progress);
  }
  // The reports of each sector go to the receiver as one call, in order.
  // The worker does not wait for them: it reads on while the receiver runs
  // the calls, up to ScannerBridge::kCallsInFlight of them ahead, so that a
  // drive's pace is not slowed by the time the receiver takes. What a call
  // reports (counts, table, progress) is only written when the call runs,
  // and a call that finds a stop drops the calls after it with their reads;
  // so the receiver sees the same reports and the same table as with a wait
  // after each call. The worker looks at each call once it is done, in
  // order: a call dropped unrun (the receiver gone) leaves the worker to do
  // its bookkeeping, and one that found the stop ends the scan.
  const std::size_t ringSize = ScannerBridge::kCallsInFlight + 1;
  std::vector<AfterRead> afterReads(ringSize, AfterRead{this, count, last, {}, 0, 0});
  std::vector<ScannerCall> afterReadCalls;
  afterReadCalls.reserve(ringSize);
  for (const AfterRead& afterRead : afterReads) afterReadCalls.emplace_back(afterRead);
  std::uint64_t begun = 0;
  std::uint64_t looked = 0;  // the calls looked at, oldest first
  stopFoundByCall = false;
  // Looks at the calls begun before upTo; true when one of them ends the scan.
  const auto lookAtCalls = [&](std::uint64_t upTo) {
    for (; looked < upTo; ++looked) {
      const AfterRead& afterRead = afterReads[looked % ringSize];
      afterRead.RunIfDropped();
      if (afterRead.stop) return true;
    }
    return false;
  };
  // Waits for every call begun and looks at them.
  const auto settle = [&] {
    if (looked == begun) return false;
    window->Finish();
    return lookAtCalls(begun);
  };
  bool stop = false;
  while (sector <= last && !stop) {
    // A stop asked for while calls are in flight: the first of them to run
    // after it ends the scan. If all ran before it, the scan reads on.
    if (StopRequested() && settle()) break;
    // One read of up to sectorsPerRead sectors that the scan reads in a row.
    std::int32_t inRead = 1;
    while (inRead < options.sectorsPerRead && sector + inRead <= last &&
           NextToRead(sector + inRead, last) == sector + inRead)
      ++inRead;
    const std::uint64_t readStart = clocks.microseconds();
    std::int32_t readResult = -1;
    if (inRead > 1)
      readResult = deviceContext->ReadSectorsAt(readBuffer, extent.tableStart + sector, inRead);
    const std::uint64_t readEnd = clocks.microseconds();

    std::int32_t next = sector + inRead;
    for (std::int32_t i = 0; i < inRead; ++i) {
      const std::int32_t current = sector + i;
      SectorRead read;
      if (readResult == 0 || MediumGone(readResult)) {
        read.sector = current;
        read.state = readResult == 0 ? SectorState::Good : SectorState::NotChecked;
        read.goneResult = readResult;
        read.start = readStart;
        read.end = readEnd;
        read.sectorsRead = inRead;
      } else {
        // Read alone, or again after its read of several failed.
        read = ReadWithRetries(current, looked < begun);
      }
      if (read.abandoned) {
        stop = settle();
        if (stop) break;
        // The stop came after the calls had looked: read it whole, as ever.
        read = ReadWithRetries(current, false);
      }
      if (read.state == SectorState::NotChecked) {
        stop = true;
        if (settle()) break;
        // Not read: the sector does not count among those checked.
        --progress.current;
        std::u16string where = u"sector ";
        AppendNumber(where, current);
        EndAtMediumGone(read.goneResult, where, current);
        break;
      }
      // After an error, the next skipAfterError sectors are passed over.
      std::int32_t skipEnd = current + 1;
      if (read.state == SectorState::Error && options.skipAfterError > 0) {
        skipEnd = static_cast<std::int32_t>(
            std::min<std::int64_t>(std::int64_t{current} + 1 + options.skipAfterError, last + 1));
        next = skipEnd;
      }
      // The slot's earlier call is done (Begin waited for it); looked at
      // before the slot is reused.
      stop = begun - looked == ringSize && lookAtCalls(looked + 1);
      if (stop) break;
      AfterRead& afterRead = afterReads[begun % ringSize];
      afterRead.read = read;
      afterRead.skipEnd = skipEnd;
      afterRead.following = NextToRead(skipEnd, last);
      afterRead.ran = afterRead.stop = false;
      // Done at once: run, or dropped with every call before it.
      stop = window->Begin(afterReadCalls[begun++ % ringSize]) && settle();
      if (stop) break;
      if (skipEnd > current + 1) break;
    }
    sector = NextToRead(next, last);
  }
  settle();
  if (speedSet) wrenlo::SetReadSpeed(wrenlo::kCurrentDevice, 0);
  passMicroseconds = clocks.microseconds() - passStart;
  OnScanFinished();
  pass = ScanPass::None;
}

std::int32_t SectorScanner::NextToRead(std::int32_t sector, std::int32_t last) const {
  const std::vector<std::uint8_t>& previous = options.previous;
  for (;;) {
    sector = extent.NextInSpan(sector);  // past the gaps between sessions
    if (sector > last || !options.retry || static_cast<std::size_t>(sector) >= previous.size() ||
        previous[static_cast<std::size_t>(sector)] != static_cast<std::uint8_t>(SectorState::Good))
      return sector;
    ++sector;
  }
}

void SectorScanner::SkipSectors(std::int32_t from, std::int32_t to, std::int32_t last,
                                bool report) {
  // The skipped sectors the scan would have read count as passed, so the
  // progress still reaches its total.
  for (std::int32_t sector = NextToRead(from, last); sector <= to;
       sector = NextToRead(sector + 1, last)) {
    ++progress.current;
    ++progress.skipped;
  }
  if (!report) return;
  std::u16string text = u"Skipped sectors ";
  AppendNumber(text, from);
  text.append(u" to ");
  AppendNumber(text, to);
  text.append(u" after an error");
  ReportLog(LogKind::Info, text);
  target->OnProgress(progress);
}

void SectorScanner::SetSectorProgress(std::int32_t sector, std::int32_t count) {
  progress.text.assign(u"Surface Scan. Sector ");
  AppendNumber(progress.text, sector);
  progress.text.append(u" from ");
  AppendNumber(progress.text, count);
  ++progress.current;
}

void SectorScanner::RecordSector(std::int32_t sector, SectorState state, std::uint64_t start,
                                 std::uint64_t end, std::int32_t sectorsRead, bool report) {
  const std::uint32_t elapsed = TickCount(end) - TickCount(start);
  progress.speed = static_cast<std::int32_t>(2048000u * static_cast<std::uint32_t>(sectorsRead) /
                                             (elapsed == 0 ? 1 : elapsed));
  readRate.Add(end, state == SectorState::Error ? 0 : kSectorBytes);
  progress.recentSpeed = readRate.BytesPerSecond();
  if (state == SectorState::Problem) {
    if (report) ReportLog(LogKind::Problem, u"Sector problem", sector);
    ++progress.problems;
  } else if (state == SectorState::Error) {
    if (report) ReportLog(LogKind::Error, u"Sector error", sector);
    ++progress.errors;
  }
  if (report) target->OnProgress(progress);
  {
    std::lock_guard lock(stateLock);
    surfaceState.sectors[static_cast<std::size_t>(sector)] = static_cast<std::uint8_t>(state);
    speedCurve.Add(sector, (end - start) / static_cast<std::uint64_t>(sectorsRead), state);
    ++stateChanges;
    lastChangedSector = sector;
  }
  if (report) target->OnSurfaceState(surfaceState);
}

void SectorScanner::AfterRead::operator()() const {
  // After a call that found the stop, the rest are dropped with their reads.
  if (scanner->stopFoundByCall) return;
  ran = true;
  Run(true);
  scanner->stopFoundByCall = stop;
}

void SectorScanner::AfterRead::Run(bool report) const {
  scanner->RecordSector(read.sector, read.state, read.start, read.end, read.sectorsRead, report);
  if (skipEnd > read.sector + 1) scanner->SkipSectors(read.sector + 1, skipEnd - 1, last, report);
  scanner->firstUnread = following <= last ? following : -1;
  stop = scanner->StopRequested();
  if (stop || following > last) return;
  scanner->SetSectorProgress(following, count);
  if (report) scanner->target->OnProgress(scanner->progress);
}

void SectorScanner::AfterRead::RunIfDropped() const {
  if (!ran) Run(false);
}

SectorScanner::SectorRead SectorScanner::ReadWithRetries(std::int32_t sector, bool abandonOnStop) {
  SectorRead read;
  read.sector = sector;
  read.start = clocks.microseconds();
  read.state = SectorState::Error;
  for (int attempt = 0; attempt < options.attempts; ++attempt) {
    if (abandonOnStop && StopRequested()) {
      read.abandoned = true;
      break;
    }
    const std::int32_t result =
        deviceContext->ReadSectorsAt(readBuffer, extent.tableStart + sector, 1);
    if (result == 0) {
      read.state = attempt == 0 ? SectorState::Good : SectorState::Problem;
      break;
    }
    if (MediumGone(result)) {
      read.state = SectorState::NotChecked;
      read.goneResult = result;
      break;
    }
  }
  read.end = clocks.microseconds();
  return read;
}

void SectorScanner::EndAtMediumGone(std::int32_t result, const std::u16string& where,
                                    std::int64_t sector) {
  mediumRemoved = true;
  Log(LogKind::Info,
      (result == wrenlo::kResultImageChanged ? u"The image file changed at "
                                             : u"Medium removed at ") +
          where,
      sector);
  OnProgress(progress);
  Stop();
}

void SectorScanner::RunFilesTest() {
  pass = ScanPass::FilesTest;
  const std::uint64_t passStart = clocks.microseconds();
  readRate.Start(passStart);
  OnScanStarted();
  std::vector<std::u16string> files;
  std::vector<std::u16string> unlisted;
  deviceContext->CollectFiles(files, &unlisted);

  progress.total = static_cast<std::int32_t>(files.size());
  progress.current = progress.errors = progress.problems = progress.speed = 0;
  progress.skipped = progress.recentSpeed = 0;
  progress.text.clear();
  OnProgress(progress);
  // A file system the disc announces but that cannot be listed leaves files
  // untested: an error of the test, though of no one file.
  for (const std::u16string& what : unlisted) Log(LogKind::Error, kFileSystemError + what);
  unlistedFolders = static_cast<std::int64_t>(unlisted.size());

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
  // The file's sectors, for the speed: what the verification reads back.
  std::uint64_t sectors = 0;
  if (wrenlo::GetFileSectors(session, path.c_str(), &sectors) != 0) sectors = 0;
  const std::int32_t result = wrenlo::VerifyFile(session, path.c_str());
  wrenlo::CloseDiskSession(session);
  readRate.Add(clocks.microseconds(), result == 0 ? sectors * kSectorBytes : 0);
  progress.recentSpeed = readRate.BytesPerSecond();

  if (MediumGone(opened) || MediumGone(result)) {
    // The file was not checked.
    EndAtMediumGone(MediumGone(opened) ? opened : result, u"file " + path, kNoSector);
    return;
  }
  if (result != 0) {
    ++progress.errors;
    Log(LogKind::Error, u"File error: " + path);
  }
  ++progress.current;
  OnProgress(progress);
}

void SectorScanner::Log(LogKind kind, const std::u16string& text, std::int64_t sector) {
  const TimeValue time = clocks.now();
  OnLogEntry(static_cast<int>(kind), time, text, sector);
}

void SectorScanner::ReportLog(LogKind kind, const std::u16string& text, std::int64_t sector) {
  target->OnLogEntry(static_cast<int>(kind), clocks.now(), text, sector);
}
