#include "core/extract/ExtractReport.h"

#include "core/report/Json.h"

namespace {

template <typename Range>
void AppendRanges(std::string& out, const std::vector<Range>& ranges) {
  out += '[';
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    if (i > 0) out += ", ";
    out += "{\"first\": " + std::to_string(ranges[i].first) +
           ", \"last\": " + std::to_string(ranges[i].last) + "}";
  }
  out += ']';
}

// A file's paths; its length only where it is known (an incomplete file's).
void AppendEntry(std::string& out, const ExtractedEntry& entry, bool withSize = false) {
  out += "\"path\": ";
  AppendJsonString(out, entry.discPath);
  out += ", \"local\": ";
  AppendJsonString(out, std::string_view(entry.localPath));
  if (withSize) out += ", \"size\": " + std::to_string(entry.size);
}

template <typename Item, typename Fields>
void AppendList(std::string& out, const char* name, const std::vector<Item>& items, Fields fields) {
  out += "  \"";
  out += name;
  out += "\": [";
  for (std::size_t i = 0; i < items.size(); ++i) {
    out += i > 0 ? ",\n    {" : "\n    {";
    fields(items[i]);
    out += '}';
  }
  out += items.empty() ? "]" : "\n  ]";
}

}  // namespace

std::string ExtractReportJson(const ExtractReport& report) {
  std::string out = "{\n";
  out += "  \"complete\": " + std::string(report.Complete() ? "true" : "false") + ",\n";
  out += "  \"cancelled\": " + std::string(report.cancelled ? "true" : "false") + ",\n";
  out += "  \"stopped\": ";
  if (report.stopped.empty())
    out += "null";
  else
    AppendJsonString(out, std::string_view(report.stopped));
  out += ",\n";
  out += "  \"session\": " + std::to_string(report.session) + ",\n";
  out += "  \"files\": " + std::to_string(report.files) + ",\n";
  out += "  \"folders\": " + std::to_string(report.folders) + ",\n";
  out += "  \"links\": " + std::to_string(report.links) + ",\n";
  out += "  \"bytes\": " + std::to_string(report.bytes) + ",\n";
  AppendList(out, "incomplete", report.incomplete, [&](const IncompleteFile& file) {
    AppendEntry(out, file.entry, true);
    out += ", \"missing_bytes\": ";
    AppendRanges(out, file.gaps.bytes);
    out += ", \"sectors\": ";
    AppendRanges(out, file.gaps.sectors);
  });
  out += ",\n";
  AppendList(out, "renamed", report.renamed, [&](const RenamedEntry& renamed) {
    AppendEntry(out, renamed.entry);
    out += ", \"reason\": ";
    AppendJsonString(out, std::string_view(renamed.reason));
  });
  out += ",\n";
  AppendList(out, "not_replaced", report.kept,
             [&](const ExtractedEntry& entry) { AppendEntry(out, entry); });
  out += ",\n";
  AppendList(out, "links_not_made", report.unmadeLinks, [&](const UnmadeLink& link) {
    AppendEntry(out, link.entry);
    out += ", \"target\": ";
    AppendJsonString(out, link.target);
  });
  out += ",\n";
  AppendList(out, "folders_not_listed", report.unlisted, [&](const UnlistedFolder& folder) {
    out += "\"path\": ";
    AppendJsonString(out, folder.discPath);
    out += ", \"reason\": ";
    AppendJsonString(out, std::string_view(folder.reason));
  });
  out += "\n}\n";
  return out;
}
