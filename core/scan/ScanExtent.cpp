#include "core/scan/ScanExtent.h"

#include <algorithm>

#include "core/disc/DeviceContext.h"

namespace {

std::u16string Number(std::int64_t number) {
  const std::string digits = std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::int32_t ScanExtent::NextInSpan(std::int32_t sector) const {
  for (const Span& span : spans) {
    if (sector <= span.last) return std::max(sector, span.first);
  }
  return count;
}

wrenlo::SessionInfo ScanExtent::AsSessionInfo() const {
  wrenlo::SessionInfo info = DeviceContext::DefaultSessionInfo();
  info.startSector = tableStart;
  info.sectorCount = count;
  info.firstTrack = layoutTrack;
  return info;
}

std::u16string ScanExtent::StartLineText(std::int32_t lastSession) const {
  if (!fromDiscStart) return {};
  const std::u16string counted = u", sectors counted from the disc's start";
  if (session == kWholeDisc)
    return u", whole disc (sessions 1 to " + Number(lastSession) + u")" + counted;
  return u", session " + Number(session) + u" of " + Number(lastSession) + counted;
}

ScanExtent ExtentOf(const DeviceContext& context, std::int32_t session) {
  ScanExtent extent;
  extent.session = session;
  if (!context.hasMedium) return extent;
  const wrenlo::SessionInfo last = context.GetSessionInfo(kLastSession);
  if (session == kLastSession) {
    // Copies of the packed record's fields, which may lie unaligned.
    const std::int32_t lastStart = last.startSector;
    const std::int32_t lastCount = last.sectorCount;
    // A medium without a record of its last session has the default
    // record's count of -1; it is scanned as empty.
    extent.tableStart = std::max(lastStart, 0);
    extent.count = std::max(lastCount, 0);
    extent.layoutTrack = last.firstTrack;
    if (extent.count > 0) extent.spans.push_back({0, extent.count - 1});
    return extent;
  }
  extent.fromDiscStart = true;
  extent.layoutTrack = last.firstTrack;
  for (const auto& [number, info] : context.Sessions()) {
    if (session != kWholeDisc && number != session) continue;
    // Copies of the packed record's fields.
    const std::int32_t sectors = info.sectorCount;
    const std::int32_t first = info.startSector;
    const std::int32_t start = std::max(first, 0);
    if (sectors <= 0) continue;
    extent.spans.push_back({start, start + sectors - 1});
    extent.count = std::max(extent.count, start + sectors);
    if (session != kWholeDisc) extent.layoutTrack = info.firstTrack;
  }
  std::sort(extent.spans.begin(), extent.spans.end(),
            [](const ScanExtent::Span& a, const ScanExtent::Span& b) { return a.first < b.first; });
  return extent;
}
