#include "core/scan/ReadRate.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint64_t kMarkSpacing = ReadRate::kWindow / 64;

}  // namespace

void ReadRate::Start(std::uint64_t now) {
  marks.clear();
  marks.push_back({now, 0});
}

void ReadRate::Add(std::uint64_t now, std::uint64_t bytes) {
  if (marks.empty()) marks.push_back({now, 0});
  const Mark latest{now, marks.back().bytes + bytes};
  // The newest mark moves forward while it is close to the one before it.
  if (marks.size() >= 2 && now - marks[marks.size() - 2].time < kMarkSpacing)
    marks.back() = latest;
  else
    marks.push_back(latest);
  // Keep one mark at or before the window's start as the measure's base.
  while (marks.size() >= 2 && now - marks[1].time >= kWindow) marks.pop_front();
}

std::int32_t ReadRate::BytesPerSecond() const {
  if (marks.size() < 2) return 0;
  const Mark& base = marks.front();
  const Mark& latest = marks.back();
  if (latest.time <= base.time) return 0;
  const double rate = static_cast<double>(latest.bytes - base.bytes) * 1e6 /
                      static_cast<double>(latest.time - base.time);
  return static_cast<std::int32_t>(
      std::min(rate, static_cast<double>(std::numeric_limits<std::int32_t>::max())));
}
