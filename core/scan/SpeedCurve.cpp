#include "core/scan/SpeedCurve.h"

#include <algorithm>
#include <cstdio>

void SpeedCurve::Start(std::int32_t sectorCount, double baseSpeed) {
  sectors = std::max(sectorCount, 0);
  base = baseSpeed;
  groupSize = std::max<std::int32_t>(1, (sectors + kMaxGroups - 1) / kMaxGroups);
  groups.assign(static_cast<std::size_t>((sectors + groupSize - 1) / groupSize), Group{});
}

void SpeedCurve::Add(std::int32_t sector, std::uint64_t microseconds, SectorState state) {
  if (sector < 0 || sector >= sectors) return;
  Group& group = groups[static_cast<std::size_t>(sector / groupSize)];
  group.bytes += state == SectorState::Error ? 0 : 2048;
  group.problem = group.problem || state == SectorState::Problem;
  group.error = group.error || state == SectorState::Error;
  group.microseconds += microseconds;
  group.read = true;
}

void SpeedCurve::SetGroup(std::int32_t group, double bytesPerSecond, bool problem, bool error) {
  if (group < 0 || group >= Groups()) return;
  Group& g = groups[static_cast<std::size_t>(group)];
  g.read = bytesPerSecond >= 0;
  g.bytes = g.read ? static_cast<std::uint64_t>(bytesPerSecond) : 0;
  g.microseconds = g.read ? 1000000 : 0;
  g.problem = problem;
  g.error = error;
}

double SpeedCurve::BytesPerSecond(std::int32_t group) const {
  if (group < 0 || group >= Groups()) return -1;
  const Group& g = groups[static_cast<std::size_t>(group)];
  if (!g.read) return -1;
  // A read faster than the clock's microsecond counts as taking one.
  return static_cast<double>(g.bytes) * 1e6 /
         static_cast<double>(std::max<std::uint64_t>(g.microseconds, 1));
}

double SpeedCurveAxisTop(const SpeedCurve& curve) {
  double fastest = 0;
  for (std::int32_t group = 0; group < curve.Groups(); ++group)
    fastest = std::max(fastest, curve.BytesPerSecond(group));
  return fastest * 5 / 4;
}

double BaseSpeed(std::u16string_view mediumType) {
  if (mediumType.substr(0, 2) == u"CD") return 75.0 * 2048;
  if (mediumType.substr(0, 2) == u"BD") return 4496000.0;
  return 1385000.0;
}

std::string SpeedCurveCsv(const SpeedCurve& curve) {
  const double base = curve.Base();
  std::string out = "first_sector,last_sector,position_gb,speed_mb_s,speed_x\n";
  for (std::int32_t group = 0; group < curve.Groups(); ++group) {
    const double speed = curve.BytesPerSecond(group);
    if (speed < 0) continue;
    const std::int64_t first = std::int64_t{group} * curve.GroupSize();
    const std::int64_t last =
        std::min<std::int64_t>(first + curve.GroupSize(), curve.SectorCount()) - 1;
    char line[128];
    std::snprintf(line, sizeof line, "%lld,%lld,%.3f,%.3f,%.2f\n", static_cast<long long>(first),
                  static_cast<long long>(last), static_cast<double>(first) * 2048 / 1e9,
                  speed / 1e6, speed / base);
    out += line;
  }
  return out;
}
