#include "core/scan/ScanRecord.h"

void SectorCounts::Add(std::uint8_t state) {
  switch (static_cast<SectorState>(state)) {
    case SectorState::Good:
      ++good;
      break;
    case SectorState::Problem:
      ++problem;
      break;
    case SectorState::Error:
      ++error;
      break;
    default:
      ++notChecked;
      break;
  }
}

SectorCounts ScanRecord::Counts() const {
  SectorCounts counts;
  for (const std::uint8_t state : sectors) counts.Add(state);
  return counts;
}

void ScanRecord::EndPass(ScanPass pass, const ProgressCtx_t& passProgress,
                         std::uint64_t microseconds) {
  if (pass == ScanPass::None) return;
  PassRecord& ended = pass == ScanPass::FilesTest ? filesPass : surfacePass;
  ended.ran = true;
  ended.progress = passProgress;
  ended.microseconds = microseconds;
}

ScanRecord& ScanHistory::Begin(std::uint16_t driveLetter, bool surfaceScan, bool filesTest,
                               TimeValue start) {
  ScanRecord& record = records[driveLetter];
  record = ScanRecord{};
  record.number = ++begun;
  record.driveLetter = driveLetter;
  record.surfaceScan = surfaceScan;
  record.filesTest = filesTest;
  record.start = start;
  record.end = start;
  return record;
}

const ScanRecord* ScanHistory::Last(std::uint16_t driveLetter) const {
  const auto found = records.find(driveLetter);
  return found == records.end() ? nullptr : &found->second;
}

const ScanRecord* ScanHistory::Newest() const {
  const ScanRecord* newest = nullptr;
  for (const auto& [letter, record] : records)
    if (newest == nullptr || record.number > newest->number) newest = &record;
  return newest;
}

ScanRecord* ScanHistory::Last(std::uint16_t driveLetter) {
  const auto found = records.find(driveLetter);
  return found == records.end() ? nullptr : &found->second;
}
