// The sector scanner: checks the medium of a device context on a worker
// thread of its own, with a surface scan that reads and classes every sector
// of the last session and a files test that has the engine verify every file
// of it. It reports through its own ISectorScannerCallback operations, which
// forward each report through a bridge to the receiver's thread; between two
// sector reads of a surface scan it hands over its bookkeeping and the
// reports that go with it as one call instead, in the same order.
//
// ScanOptions choose how the surface scan reads: several sectors per read,
// the attempts per sector, sectors skipped after an error, a range of the
// session, and a retry of only what an earlier scan did not find Good. The
// reports stay one per sector whatever the read size.
//
// A read that finds no medium (taken out, or the tray opened), or finds that
// the image file under a virtual drive changed (cut short or replaced), ends
// the run as Stop does: the sector stays NotChecked, one entry names what
// happened where ("Medium removed at sector 51", "The image file changed at
// sector 51"), and no later sector or file is tried.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/scan/ISectorScannerCallback.h"
#include "core/scan/ReadRate.h"
#include "core/scan/ScanExtent.h"
#include "core/scan/ScanOptions.h"
#include "core/scan/ScanTable.h"
#include "core/scan/ScannerBridge.h"
#include "core/scan/SpeedCurve.h"
#include "core/scan/TimeValue.h"

class CopyJob;
class DeviceContext;

// The pass a scanner's worker is in.
enum class ScanPass { None, SurfaceScan, FilesTest, CopyToImage };

class SectorScanner : public ISectorScannerCallback, public ScanTable {
 public:
  // The clocks a scan reads; tests put their own in place.
  struct Clocks {
    // Microseconds of a steady clock from an arbitrary start. Its
    // milliseconds, taken as an unsigned 32-bit count, are the tick count.
    std::function<std::uint64_t()> microseconds;
    // The wall-clock time of a log entry.
    std::function<TimeValue()> now;
  };
  static Clocks SystemClocks();

  // The start of the files test's log entry (kind Error) for what it could
  // not list: "File system error: /DOCS: medium error".
  static constexpr char16_t kFileSystemError[] = u"File system error: ";

  // window carries the reports to target, which the scanner does not own.
  SectorScanner(std::unique_ptr<ScannerBridge> window, ISectorScannerCallback* target,
                Clocks clocks = SystemClocks());
  // Drops every report still to come (the receiver may be on its way out),
  // stops a running worker and waits for it to end. Never call it from inside
  // one of this scanner's reports.
  virtual ~SectorScanner();
  SectorScanner(const SectorScanner&) = delete;
  SectorScanner& operator=(const SectorScanner&) = delete;

  // The forwarding operations: each runs the same operation of target on the
  // receiver's thread, through window, and returns when it has run there.
  void OnScanStarted() override;
  void OnScanFinished() override;
  void OnProgress(const ProgressCtx_t& progress) override;
  void OnSurfaceState(const SurfaceState_t& state) override;
  void OnLogEntry(int kind, const TimeValue& time, const std::u16string& text,
                  std::int64_t sector) override;

  // True from Start until Stop or until the worker has run its passes.
  bool IsRunning() const;
  // Starts a worker running the chosen passes on context, which must stay
  // valid until the worker has ended (Wait). Does nothing and returns false
  // without a context, with options that are not valid, while a run goes on, and while a stopped
  // worker has not yet made its last report; once it has, Start first waits the moment the worker
  // takes to end. Called on the owner's thread, which for a window bridge is the window's.
  bool Start(bool surfaceScan, bool filesTest, const DeviceContext* context);
  // Starts a worker that copies context's disc as job says (prepared on the
  // same context), reporting as a surface scan does: the table holds each
  // sector's class as the copy goes (Good copied at the first read, Problem
  // copied by a later pass, Error read and not copied, NotChecked not read
  // yet), numbered from job's table start; progress counts the sectors read,
  // and its text names the pass. Returns false as Start does.
  bool StartCopy(const DeviceContext* context, std::shared_ptr<CopyJob> job);
  // Asks the worker to stop after the sector or file in progress; returns at
  // once.
  void Stop();
  // Waits until the worker has ended, running the reports it still makes on
  // this thread meanwhile, so that a window's thread never blocks against a
  // pending report. Called on the owner's thread, never from inside a report.
  void Wait();
  void StopAndWait();

  // How the surface scan reads; set before Start, read by the worker.
  ScanOptions options;
  // Written by Start and StartCopy and read by the receiver; the job is the
  // worker's while it runs.
  bool surfaceScan = false;
  bool filesTest = false;
  bool copyToImage = false;
  std::shared_ptr<CopyJob> copyJob;
  // How the copy ended, set before its pass's OnScanFinished.
  int copyEnd = 0;
  const DeviceContext* deviceContext = nullptr;
  // Written by the worker. A receiver reads it, and the table (ScanTable),
  // during a report; any other reader of the table (the surface map's
  // painting) holds stateLock around each read of an entry or of its size.
  ProgressCtx_t progress;
  // The pass in progress, set before its OnScanStarted and back to None after
  // its OnScanFinished; so a receiver's OnScanFinished with a pass set ends
  // that pass, and with None the run.
  ScanPass pass = ScanPass::None;
  // How long the pass took, set before its OnScanFinished.
  std::uint64_t passMicroseconds = 0;
  // The surface scan's next sector to read, numbered as the table; -1 when
  // none is left. At the pass's end, where a stopped scan stopped.
  std::int32_t firstUnread = -1;
  // Where the surface scan's table lies on the medium (options.session),
  // set before its OnScanStarted.
  ScanExtent extent;
  // The folders the files test could not list (each logged as an error),
  // set before its OnScanFinished.
  std::int64_t unlistedFolders = 0;

 private:
  class CopyReports;

  bool StartWorker(bool surface, bool files, std::shared_ptr<CopyJob> job,
                   const DeviceContext* context);
  void ThreadMain();
  void RunSurfaceScan();
  // The copy to an image, as one pass (SectorScannerCopy.cpp).
  void RunCopy();
  void SetSectorProgress(std::int32_t sector, std::int32_t count);
  // The first sector from sector on, up to last, that the scan reads (not
  // kept from an earlier scan); last + 1 when there is none.
  std::int32_t NextToRead(std::int32_t sector, std::int32_t last) const;
  // Passes over sectors from to to after an error: counts those the scan
  // would have read as done and, with report, logs the skip.
  void SkipSectors(std::int32_t from, std::int32_t to, std::int32_t last, bool report);
  // The bookkeeping of one sector's read (start and end in microseconds of
  // the read of sectorsRead sectors that gave its class): speeds, counters,
  // table; with report, also its reports, made to the receiver directly (on
  // the receiver's thread).
  void RecordSector(std::int32_t sector, SectorState state, std::uint64_t start, std::uint64_t end,
                    std::int32_t sectorsRead, bool report);

  // One sector's read: its class (NotChecked when the medium is gone), when
  // the read that gave it began and ended, in microseconds, and how many
  // sectors that read took.
  struct SectorRead {
    std::int32_t sector = 0;
    SectorState state = SectorState::NotChecked;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::int32_t sectorsRead = 1;
    // Given up before an attempt because a stop was asked for.
    bool abandoned = false;
    // For NotChecked: the result that found the medium gone.
    std::int32_t goneResult = 0;
  };
  // Everything from one sector's read to the next read, its reports among
  // it, as one call to the receiver's thread: the bookkeeping, the sectors
  // skipped after an error, and the progress of the following sector unless
  // the scan stops or none is left to read.
  struct AfterRead {
    SectorScanner* scanner = nullptr;
    std::int32_t count = 0;
    std::int32_t last = 0;  // the range's last sector
    SectorRead read;
    std::int32_t skipEnd = 0;    // one past the sectors skipped after read
    std::int32_t following = 0;  // the next sector to read; past last for none
    // Set by the call: whether it ran (a dropped one leaves the worker to do
    // the bookkeeping without reports), and whether the scan stops.
    mutable bool ran = false;
    mutable bool stop = false;
    void operator()() const;
    void Run(bool report) const;
    // Once the call is done: the work of a dropped one, without reports.
    void RunIfDropped() const;
  };
  // Reads sector with up to options.attempts attempts. With abandonOnStop, a
  // stop asked for before an attempt ends the read there, abandoned.
  SectorRead ReadWithRetries(std::int32_t sector, bool abandonOnStop);
  void RunFilesTest();
  void TestFile(const std::u16string& path);
  // Ends the run after a read found no medium, or the image file changed
  // (result), with one entry saying which and where ("sector 51", with that
  // sector, or "file A.TXT").
  void EndAtMediumGone(std::int32_t result, const std::u16string& where, std::int64_t sector);
  void Log(LogKind kind, const std::u16string& text, std::int64_t sector = kNoSector);
  void ReportLog(LogKind kind, const std::u16string& text, std::int64_t sector = kNoSector);
  bool StopRequested() const;

  template <typename Bound>
  void Forward(const Bound& bound) {
    window->Send(ScannerCall(bound));
  }

  ISectorScannerCallback* target;
  std::unique_ptr<ScannerBridge> window;
  Clocks clocks;
  // The worker, joined exactly once: by the next Start, by Wait or by the
  // destructor.
  std::thread thread;
  // The run's mark: set by Start, cleared by Stop or when the passes are done.
  std::atomic<bool> running{false};
  // Polled after each sector and each file; set by Stop, reset by Start.
  std::atomic<bool> stopEvent{false};
  // The worker's last report has been handled or dropped; from then on it
  // only ends, so joining it cannot wait on the receiver's thread.
  std::atomic<bool> lastReportDone{true};
  // The sectors of one read, reused by every read.
  std::vector<std::uint8_t> readBuffer;
  // The surface scan's read rate, shown as progress.recentSpeed.
  ReadRate readRate;
  // The current run ended because the medium was gone.
  bool mediumRemoved = false;
  // A surface scan's call has found the stop; the receiver's, reset by the
  // worker before the scan's first call.
  bool stopFoundByCall = false;
};
