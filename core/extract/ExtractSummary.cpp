#include "core/extract/ExtractSummary.h"

#include "core/report/CountedText.h"
#include "core/report/EscapedText.h"
#include "core/report/ScanSummary.h"

std::string ExtractSummaryText(const ExtractReport& report) {
  const auto count = [](std::uint64_t n) { return static_cast<std::int64_t>(n); };
  std::string out = Counted(count(report.files), "file", "files") + " in " +
                    Counted(count(report.folders), "folder", "folders") + ", ";
  if (report.links > 0) out += Counted(count(report.links), "link", "links") + ", ";
  out += Counted(count(report.bytes), "byte", "bytes") + " written\n";
  for (const IncompleteFile& file : report.incomplete) {
    out += "incomplete: " + WithControlsEscaped(file.entry.discPath) + " (";
    for (std::size_t i = 0; i < file.gaps.bytes.size(); ++i) {
      if (i > 0) out += ", ";
      out += "bytes " + std::to_string(file.gaps.bytes[i].first) + "-" +
             std::to_string(file.gaps.bytes[i].last);
    }
    out += "; sectors " + SectorRangesText(file.gaps.sectors) + ")\n";
  }
  for (const RenamedEntry& renamed : report.renamed)
    out += "renamed: " + WithControlsEscaped(renamed.entry.discPath) + " -> " +
           WithControlsEscaped(renamed.entry.localPath) + " (" + renamed.reason + ")\n";
  for (const ExtractedEntry& kept : report.kept)
    out += "not replaced: " + WithControlsEscaped(kept.localPath) + "\n";
  for (const UnmadeLink& link : report.unmadeLinks)
    out += "link not made: " + WithControlsEscaped(link.entry.discPath) + " -> " +
           WithControlsEscaped(link.target) + "\n";
  for (const UnlistedFolder& folder : report.unlisted)
    out +=
        "folder not listed, nothing below it extracted: " + WithControlsEscaped(folder.discPath) +
        " (" + folder.reason + ")\n";
  if (report.cancelled) out += "stopped before the end\n";
  return out;
}

std::string ExtractManifestPath(const std::string& folder) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  return path + kExtractManifestName;
}

bool WriteExtractManifest(const std::string& folder, const ExtractReport& report,
                          std::string& error, OutputFile::Writer writer) {
  OutputFile manifest(writer);
  return manifest.Open(ExtractManifestPath(folder), error) &&
         manifest.Commit(ExtractReportJson(report), error);
}
