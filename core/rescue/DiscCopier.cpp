#include "core/rescue/DiscCopier.h"

#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <chrono>

#include "core/rescue/ImageFile.h"
#include "core/rescue/MapfileStore.h"

namespace {

// A failed read makes the copy pass skip ahead by the read size, then twice
// as far after each further failure, up to a sixty-fourth of the copy.
std::uint64_t GrownSkip(std::uint64_t skip, std::uint64_t readSize, std::uint64_t total) {
  const std::uint64_t most = std::max(readSize, total / 64);
  return skip == 0 ? readSize : std::min(skip * 2, most);
}

// After a read that succeeds the skip shrinks back.
std::uint64_t ShrunkSkip(std::uint64_t skip) { return skip / 2; }

bool IsTried(BlockStatus status) {
  return status == BlockStatus::NonTrimmed || status == BlockStatus::NonScraped ||
         status == BlockStatus::Bad;
}

std::u16string Number(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// Results that no other read of the drive can change: the drive, the read
// mode or the image file under a virtual drive is unusable, rather than a
// sector.
bool EndsTheCopy(std::int32_t result) {
  switch (result) {
    case 1:   // invalid argument
    case 3:   // no device
    case 19:  // permission denied
    case wrenlo::kResultUnsupported:
    case 21:  // unusable
    case wrenlo::kResultImageChanged:
      return true;
    default:
      return false;
  }
}

}  // namespace

char MapfileOperation(CopyPass pass) {
  switch (pass) {
    case CopyPass::Copy:
      return '?';
    case CopyPass::Trim:
      return '*';
    case CopyPass::Scrape:
      return '/';
    case CopyPass::Retry:
      return '-';
  }
  return '?';
}

CopyCounts CountsOf(const RescueMap& map, const CopyPlan& plan) {
  CopyCounts counts;
  for (const CopyExtent& extent : plan.extents) {
    const std::uint64_t first = extent.imageSector;
    const std::uint64_t end = first + static_cast<std::uint64_t>(extent.count);
    counts.total += end - first;
    counts.finished += map.Count(BlockStatus::Finished, first, end);
    counts.nonTried += map.Count(BlockStatus::NonTried, first, end);
    counts.nonTrimmed += map.Count(BlockStatus::NonTrimmed, first, end);
    counts.nonScraped += map.Count(BlockStatus::NonScraped, first, end);
    counts.bad += map.Count(BlockStatus::Bad, first, end);
    bool inArea = false;
    for (const RescueMap::Block& block : map.Blocks()) {
      if (block.End() <= first || block.first >= end) continue;
      const bool tried = IsTried(block.status);
      if (tried && !inArea) ++counts.badAreas;
      inArea = tried;
    }
  }
  return counts;
}

DiscCopier::Clock DiscCopier::SteadyClock() {
  return [] {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  };
}

DiscCopier::DiscCopier(const CopyPlan& plan, CopySource& source, ImageFile& image, RescueMap& map,
                       MapfileStore& mapfile, const CopyOptions& options, ICopyListener& listener,
                       Clock clock)
    : plan_(plan),
      source_(source),
      image_(image),
      map_(map),
      mapfile_(mapfile),
      options_(options),
      listener_(listener),
      clock_(std::move(clock)) {}

CopyEnd DiscCopier::Run(const std::function<bool()>& stop) {
  stop_ = stop;
  end_ = CopyEnd::Finished;
  ending_ = false;
  const bool speedSet = options_.speed > 0;
  if (speedSet && !source_.SetSpeed(options_.speed))
    listener_.OnLog(LogKind::Info, u"The drive did not take the read speed " +
                                       Number(static_cast<std::uint64_t>(options_.speed)) + u"x");
  bool going = CopyPassSweep(false) && CopyPassSweep(true);
  if (going) {
    // What both sweeps skipped lies between failed reads: it joins them.
    ForEachExtent(false, [&](std::uint64_t first, std::uint64_t end) {
      for (auto block = map_.FirstWith(BlockStatus::NonTried, first, end); block;
           block = map_.FirstWith(BlockStatus::NonTried, block->End(), end))
        Mark(block->first, block->count, BlockStatus::NonTrimmed);
      return true;
    });
  }
  going = going && (!options_.trim || TrimPass());
  if (going && options_.scrape) {
    StartPass(CopyPass::Scrape);
    going = (options_.trim || SinglePass(BlockStatus::NonTrimmed, false)) &&
            SinglePass(BlockStatus::NonScraped, false);
  }
  const bool retrySpeedSet = options_.retrySpeed > 0 && options_.retries > 0;
  for (int retry = 1; going && retry <= options_.retries; ++retry) {
    if (retry == 1 && retrySpeedSet && !source_.SetSpeed(options_.retrySpeed))
      listener_.OnLog(LogKind::Info, u"The drive did not take the read speed " +
                                         Number(static_cast<std::uint64_t>(options_.retrySpeed)) +
                                         u"x");
    StartPass(CopyPass::Retry, retry);
    going = SinglePass(BlockStatus::Bad, retry % 2 == 1);
  }
  if (speedSet || retrySpeedSet) source_.SetSpeed(0);
  // The map at the end, whatever ended the copy; a failed save keeps the
  // mapfile of the last save, which the image holds.
  if (!SaveMap() && end_ != CopyEnd::Failed) end_ = CopyEnd::Failed;
  return end_;
}

void DiscCopier::StartPass(CopyPass pass, int retry) {
  pass_ = pass;
  passNumber_ = pass == CopyPass::Retry ? retry : 1;
  listener_.OnPassStarted(pass, retry);
}

template <typename Visit>
bool DiscCopier::ForEachExtent(bool backward, Visit visit) {
  const std::size_t n = plan_.extents.size();
  for (std::size_t i = 0; i < n; ++i) {
    const CopyExtent& extent = plan_.extents[backward ? n - 1 - i : i];
    if (!visit(extent.imageSector, extent.imageSector + static_cast<std::uint64_t>(extent.count)))
      return false;
  }
  return true;
}

bool DiscCopier::CopyPassSweep(bool backward) {
  if (!backward) StartPass(CopyPass::Copy);
  passNumber_ = backward ? 2 : 1;
  const std::uint64_t readSize = static_cast<std::uint64_t>(options_.sectorsPerRead);
  const std::uint64_t total = plan_.Sectors();
  std::uint64_t skip = 0;
  return ForEachExtent(backward, [&](std::uint64_t first, std::uint64_t end) {
    if (!backward) {
      std::uint64_t at = first;
      while (const auto block = map_.FirstWith(BlockStatus::NonTried, at, end)) {
        at = block->first;
        while (at < block->End()) {
          if (Stopping()) return false;
          const std::uint64_t n = std::min(readSize, block->End() - at);
          const ReadOutcome outcome = ReadSectors(at, n);
          if (outcome == ReadOutcome::Stop) return false;
          at += n;
          if (outcome == ReadOutcome::Read) {
            skip = ShrunkSkip(skip);
            continue;
          }
          Mark(at - n, n, BlockStatus::NonTrimmed);
          skip = GrownSkip(skip, readSize, total);
          at = std::min(at + skip, block->End());
        }
      }
      return true;
    }
    std::uint64_t at = end;
    while (const auto block = map_.LastWith(BlockStatus::NonTried, first, at)) {
      at = block->End();
      while (at > block->first) {
        if (Stopping()) return false;
        const std::uint64_t n = std::min(readSize, at - block->first);
        const ReadOutcome outcome = ReadSectors(at - n, n);
        if (outcome == ReadOutcome::Stop) return false;
        at -= n;
        if (outcome == ReadOutcome::Read) {
          skip = ShrunkSkip(skip);
          continue;
        }
        Mark(at, n, BlockStatus::NonTrimmed);
        skip = GrownSkip(skip, readSize, total);
        at = at - block->first > skip ? at - skip : block->first;
      }
    }
    return true;
  });
}

bool DiscCopier::TrimPass() {
  StartPass(CopyPass::Trim);
  return ForEachExtent(false, [&](std::uint64_t first, std::uint64_t end) {
    std::uint64_t at = first;
    while (const auto block = map_.FirstWith(BlockStatus::NonTrimmed, at, end)) {
      std::uint64_t low = block->first;
      std::uint64_t high = block->End();
      // From the start until a sector fails, then from the end likewise.
      for (bool fromStart : {true, false}) {
        while (low < high) {
          if (Stopping()) return false;
          const std::uint64_t sector = fromStart ? low : high - 1;
          const ReadOutcome outcome = ReadSectors(sector, 1);
          if (outcome == ReadOutcome::Stop) return false;
          (fromStart ? low : high) = fromStart ? low + 1 : high - 1;
          if (outcome == ReadOutcome::Failed) {
            Mark(sector, 1, BlockStatus::Bad);
            break;
          }
        }
      }
      if (low < high) Mark(low, high - low, BlockStatus::NonScraped);
      at = block->End();
    }
    return true;
  });
}

bool DiscCopier::SinglePass(BlockStatus from, bool backward) {
  return ForEachExtent(backward, [&](std::uint64_t first, std::uint64_t end) {
    std::uint64_t at = backward ? end : first;
    while (const auto block =
               backward ? map_.LastWith(from, first, at) : map_.FirstWith(from, at, end)) {
      for (std::uint64_t i = 0; i < block->count; ++i) {
        if (Stopping()) return false;
        const std::uint64_t sector = backward ? block->End() - 1 - i : block->first + i;
        const ReadOutcome outcome = ReadSectors(sector, 1);
        if (outcome == ReadOutcome::Stop) return false;
        if (outcome == ReadOutcome::Failed && from != BlockStatus::Bad)
          Mark(sector, 1, BlockStatus::Bad);
      }
      at = backward ? block->first : block->End();
    }
    return true;
  });
}

DiscCopier::ReadOutcome DiscCopier::ReadSectors(std::uint64_t sector, std::uint64_t count) {
  const auto extent =
      std::find_if(plan_.extents.begin(), plan_.extents.end(), [sector](const CopyExtent& e) {
        return sector >= e.imageSector &&
               sector - e.imageSector < static_cast<std::uint64_t>(e.count);
      });
  const std::int64_t address =
      extent->address + static_cast<std::int64_t>(sector - extent->imageSector);
  const std::size_t bytes = static_cast<std::size_t>(count) * plan_.sectorBytes;
  if (buffer_.size() < bytes) buffer_.resize(bytes);
  position_ = sector;
  const std::int32_t result =
      source_.Read(address, static_cast<std::int32_t>(count), buffer_.data());
  ++reads_;
  if (result == 0) {
    std::string error;
    if (!image_.Write(sector * plan_.sectorBytes, buffer_.data(), bytes, error)) {
      Fail(error);
      return ReadOutcome::Stop;
    }
    Mark(sector, count, BlockStatus::Finished);
    listener_.OnRead(address, static_cast<std::int64_t>(count), true);
    return ReadOutcome::Read;
  }
  if (result == wrenlo::kResultNoMedium) {
    end_ = CopyEnd::MediumRemoved;
    ending_ = true;
    listener_.OnLog(LogKind::Info,
                    u"Medium removed at sector " + Number(static_cast<std::uint64_t>(address)));
    return ReadOutcome::Stop;
  }
  if (EndsTheCopy(result)) {
    const char* name = wrenlo::ResultName(result);
    Fail(std::string("the drive cannot be read: ") + name);
    return ReadOutcome::Stop;
  }
  ++failedReads_;
  listener_.OnRead(address, static_cast<std::int64_t>(count), false);
  return ReadOutcome::Failed;
}

void DiscCopier::Mark(std::uint64_t sector, std::uint64_t count, BlockStatus status) {
  map_.Set(sector, count, status);
  SectorState state = SectorState::Error;
  if (status == BlockStatus::Finished)
    state = pass_ == CopyPass::Copy ? SectorState::Good : SectorState::Problem;
  else if (status == BlockStatus::NonTried)
    state = SectorState::NotChecked;
  // The image sectors of one extent are its addresses in order.
  for (const CopyExtent& extent : plan_.extents) {
    if (sector < extent.imageSector ||
        sector - extent.imageSector >= static_cast<std::uint64_t>(extent.count))
      continue;
    listener_.OnSectors(extent.address + static_cast<std::int64_t>(sector - extent.imageSector),
                        static_cast<std::int64_t>(count), state);
    return;
  }
}

bool DiscCopier::Stopping() {
  if (ending_) return true;
  if (!SaveMapIfDue()) return true;
  if (stop_ && stop_()) {
    end_ = CopyEnd::Stopped;
    ending_ = true;
  }
  return ending_;
}

bool DiscCopier::SaveMapIfDue() {
  std::string error;
  const MapfileStatus status{position_ * plan_.sectorBytes, MapfileOperation(pass_), passNumber_};
  if (mapfile_.SaveIfDue(map_, status, image_, clock_(), error)) return true;
  Fail(error);
  return false;
}

bool DiscCopier::SaveMap() {
  std::string error;
  MapfileStatus status{position_ * plan_.sectorBytes, MapfileOperation(pass_), passNumber_};
  if (end_ == CopyEnd::Finished) status = {plan_.imageSectors * plan_.sectorBytes, '+', 1};
  if (mapfile_.Save(map_, status, image_, clock_(), error)) return true;
  if (error_.empty()) error_ = error;
  return false;
}

void DiscCopier::Fail(std::string error) {
  if (error_.empty()) error_ = std::move(error);
  end_ = CopyEnd::Failed;
  ending_ = true;
}
