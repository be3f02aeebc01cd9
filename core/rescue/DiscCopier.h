// Copies a disc to an image in passes, each only over what the passes before
// it left, and keeps the map of what it has (RescueMap) as GNU ddrescue does:
//  1. copy: reads of several sectors over the sectors not tried yet, forward;
//     after a failed read it skips ahead, further while reads keep failing
//     and less again after successes, and leaves what it skipped for a
//     second sweep, backward, that skips the same way; a failed read's
//     sectors are non-trimmed, and what both sweeps skipped joins them.
//  2. trim: each non-trimmed run one sector at a time from its start, until
//     a sector fails (bad), then from its end likewise; the rest is
//     non-scraped.
//  3. scrape: the non-scraped sectors (and without trimming, the
//     non-trimmed) one at a time: finished or bad.
//  4. retry: up to a number of passes over the bad sectors, the first
//     backward, then alternately, at a read speed of their own if asked.
// Each read's data goes to its place in the image; the mapfile is saved
// (the image flushed first) at most every five seconds and at every end. A
// stop asked for ends the copy after the read in progress.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/rescue/CopyPlan.h"
#include "core/rescue/CopySource.h"
#include "core/rescue/RescueMap.h"
#include "core/scan/ISectorScannerCallback.h"

class ImageFile;
class MapfileStore;

struct CopyOptions {
  static constexpr int kMaxSectorsPerRead = 1024;
  static constexpr int kMaxRetries = 100;

  int sectorsPerRead = 32;  // 1 to kMaxSectorsPerRead, in the copy pass
  int retries = 1;          // 0 to kMaxRetries passes over the bad sectors
  bool trim = true;
  bool scrape = true;
  int speed = 0;       // times the base speed; 0: the drive's fastest
  int retrySpeed = 0;  // for the retry passes; 0: as speed

  bool IsValid() const {
    return sectorsPerRead >= 1 && sectorsPerRead <= kMaxSectorsPerRead && retries >= 0 &&
           retries <= kMaxRetries && speed >= 0 && retrySpeed >= 0;
  }
};

enum class CopyPass { Copy, Trim, Scrape, Retry };

// ddrescue's name of the operation in progress, for its mapfile: '?'
// copying, '*' trimming, '/' scraping, '-' retrying.
char MapfileOperation(CopyPass pass);

// How many of the copy's sectors are in each state, and the bad areas: runs
// of sectors not finished after a read of them failed.
struct CopyCounts {
  std::uint64_t total = 0;
  std::uint64_t finished = 0;
  std::uint64_t nonTried = 0;
  std::uint64_t nonTrimmed = 0;
  std::uint64_t nonScraped = 0;
  std::uint64_t bad = 0;
  std::uint64_t badAreas = 0;

  std::uint64_t Missing() const { return total - finished; }
  // Sectors read but not copied: bad, and not trimmed or scraped yet.
  std::uint64_t Unrescued() const { return nonTrimmed + nonScraped + bad; }
};

// The counts of map over the sectors plan copies.
CopyCounts CountsOf(const RescueMap& map, const CopyPlan& plan);

// What a copy reports as it goes, on the copy's thread.
class ICopyListener {
 public:
  // A pass begins; retry counts the retry passes from 1.
  virtual void OnPassStarted(CopyPass pass, int retry) = 0;
  // The sectors [address, address + count) now have this class, as the
  // surface map shows a copy: Good copied in the copy pass, Problem copied
  // by a later pass, Error read and not copied, NotChecked not read yet.
  virtual void OnSectors(std::int64_t address, std::int64_t count, SectorState state) = 0;
  // A read of [address, address + count) has ended, well or not.
  virtual void OnRead(std::int64_t address, std::int64_t count, bool succeeded) = 0;
  virtual void OnLog(LogKind kind, const std::u16string& text) = 0;

 protected:
  ~ICopyListener() = default;
};

enum class CopyEnd {
  Finished,       // every pass ran
  Stopped,        // a stop was asked for
  MediumRemoved,  // the drive found no medium
  Failed,         // the image, the mapfile or the drive failed: Error() says why
};

class DiscCopier {
 public:
  // Microseconds of a steady clock, for the mapfile's pace.
  using Clock = std::function<std::uint64_t()>;
  static Clock SteadyClock();

  // map holds the image's sectors' states (a continued copy's from its
  // mapfile); the copier changes it as it goes. Everything given must outlive
  // the copier.
  DiscCopier(const CopyPlan& plan, CopySource& source, ImageFile& image, RescueMap& map,
             MapfileStore& mapfile, const CopyOptions& options, ICopyListener& listener,
             Clock clock = SteadyClock());

  // Runs the passes; stop is asked before each read.
  CopyEnd Run(const std::function<bool()>& stop);

  // Why the copy failed: one line naming the file or drive.
  const std::string& Error() const { return error_; }
  CopyPass Pass() const { return pass_; }
  std::uint64_t Reads() const { return reads_; }
  std::uint64_t FailedReads() const { return failedReads_; }
  CopyCounts Counts() const { return CountsOf(map_, plan_); }

 private:
  enum class ReadOutcome { Read, Failed, Stop };

  void StartPass(CopyPass pass, int retry = 0);
  // Reads count image sectors from sector (all in one extent) and writes
  // them; on success they become finished.
  ReadOutcome ReadSectors(std::uint64_t sector, std::uint64_t count);
  // Marks [sector, sector + count) with status and reports its class.
  void Mark(std::uint64_t sector, std::uint64_t count, BlockStatus status);
  // The image sectors [first, end) of each extent, in order or backward.
  template <typename Visit>
  bool ForEachExtent(bool backward, Visit visit);
  bool CopyPassSweep(bool backward);
  bool TrimPass();
  bool SinglePass(BlockStatus from, bool backward);
  bool SaveMapIfDue();
  bool SaveMap();
  bool Stopping();
  void Fail(std::string error);

  const CopyPlan& plan_;
  CopySource& source_;
  ImageFile& image_;
  RescueMap& map_;
  MapfileStore& mapfile_;
  CopyOptions options_;
  ICopyListener& listener_;
  Clock clock_;
  std::function<bool()> stop_;

  CopyPass pass_ = CopyPass::Copy;
  int passNumber_ = 1;
  std::uint64_t position_ = 0;  // image sector of the last read
  std::uint64_t reads_ = 0;
  std::uint64_t failedReads_ = 0;
  CopyEnd end_ = CopyEnd::Finished;
  bool ending_ = false;
  std::string error_;
  std::vector<std::uint8_t> buffer_;
};
