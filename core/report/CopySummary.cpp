#include "core/report/CopySummary.h"

#include <cstdio>

#include "core/report/EscapedText.h"
#include "core/report/Json.h"
#include "core/report/ScanSummary.h"
#include "core/report/Utf8.h"

namespace {

// "241.1 MB": bytes in decimal megabytes.
std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

void AppendField(std::string& out, const char* name, std::uint64_t value) {
  out += std::string(",\n \"") + name + "\": " + std::to_string(value);
}

}  // namespace

std::string CopyPassName(CopyPass pass, int retry, int retries) {
  switch (pass) {
    case CopyPass::Copy:
      return "copying";
    case CopyPass::Trim:
      return "trimming";
    case CopyPass::Scrape:
      return "scraping";
    case CopyPass::Retry:
      return "retrying (pass " + std::to_string(retry) + " of " + std::to_string(retries) + ")";
  }
  return {};
}

std::string CopyPassStartText(CopyPass pass, int retry, const CopyOptions& options) {
  switch (pass) {
    case CopyPass::Copy:
      return "Copying the sectors not tried yet, " + std::to_string(options.sectorsPerRead) +
             " a read";
    case CopyPass::Trim:
      return "Trimming the failed blocks' edges, a sector at a time";
    case CopyPass::Scrape:
      return "Scraping the rest of the failed blocks, a sector at a time";
    case CopyPass::Retry:
      return "Retrying the bad sectors, pass " + std::to_string(retry) + " of " +
             std::to_string(options.retries);
  }
  return {};
}

std::string CopySummaryText(const CopyResult& result) {
  const CopyCounts& r = result.counts;
  std::string out = "Image: " + WithControlsEscaped(result.image) + "\n";
  if (!result.cue.empty()) out += "Cue sheet: " + WithControlsEscaped(result.cue) + "\n";
  out += "Rescued: " + std::to_string(r.finished) + " of " + std::to_string(r.total) +
         " sectors (" + Megabytes(r.finished * result.sectorBytes) + ")\n";
  out += "Bad: " + std::to_string(r.bad) + " sectors";
  if (r.nonTrimmed + r.nonScraped != 0)
    out += ", not trimmed " + std::to_string(r.nonTrimmed) + ", not scraped " +
           std::to_string(r.nonScraped);
  out += ", in " + std::to_string(r.badAreas) + (r.badAreas == 1 ? " area\n" : " areas\n");
  out += "Not tried: " + std::to_string(r.nonTried) + " sectors\n";
  out += "Failed reads: " + std::to_string(result.failedReads) + "\n";
  if (result.filesKnown) {
    out += "Incomplete files: " +
           (result.incompleteFiles.empty() ? std::string("none")
                                           : std::to_string(result.incompleteFiles.size())) +
           "\n";
    for (const DamagedEntry& file : result.incompleteFiles)
      out += "  " + WithControlsEscaped(ToUtf8(file.name)) + ": " +
             std::to_string(file.errorSectors) + " missing, sectors " +
             SectorRangesText(file.ranges) + "\n";
  }
  return out + "Mapfile: " + WithControlsEscaped(result.mapfile) + "\n";
}

std::string CopySummaryJson(const CopyResult& result) {
  const CopyCounts& r = result.counts;
  std::string out = "{\"finished\": ";
  out += result.finished ? "true" : "false";
  out += ",\n \"image\": ";
  AppendJsonString(out, result.image);
  if (!result.cue.empty()) {
    out += ",\n \"cue_sheet\": ";
    AppendJsonString(out, result.cue);
  }
  AppendField(out, "sector_bytes", result.sectorBytes);
  AppendField(out, "sectors", r.total);
  AppendField(out, "rescued_sectors", r.finished);
  AppendField(out, "bad_sectors", r.Unrescued());
  AppendField(out, "not_tried_sectors", r.nonTried);
  AppendField(out, "non_trimmed_sectors", r.nonTrimmed);
  AppendField(out, "non_scraped_sectors", r.nonScraped);
  AppendField(out, "bad_areas", r.badAreas);
  AppendField(out, "failed_reads", result.failedReads);
  out += ",\n \"incomplete_files\": ";
  if (!result.filesKnown) {
    out += "null";
  } else {
    out += "[";
    for (std::size_t i = 0; i < result.incompleteFiles.size(); ++i) {
      const DamagedEntry& file = result.incompleteFiles[i];
      out += i == 0 ? "\n  {\"path\": " : ",\n  {\"path\": ";
      AppendJsonString(out, file.name);
      out += ", \"bad_sectors\": " + std::to_string(file.errorSectors) +
             ", \"ranges\": " + SectorRangesJson(file.ranges) + "}";
    }
    out += "]";
  }
  out += ",\n \"mapfile\": ";
  AppendJsonString(out, result.mapfile);
  return out + "}\n";
}
