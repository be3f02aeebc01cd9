#include "core/scan/ReadSpeeds.h"

#include <cmath>
#include <span>

namespace {

enum class Kind { Cd, Dvd, Bd };

Kind KindOf(std::u16string_view mediumType) {
  if (mediumType.substr(0, 2) == u"CD") return Kind::Cd;
  if (mediumType.substr(0, 2) == u"BD") return Kind::Bd;
  return Kind::Dvd;
}

double BaseKB(Kind kind) {
  switch (kind) {
    case Kind::Cd:
      return 176.4;
    case Kind::Bd:
      return 4496;
    case Kind::Dvd:
      break;
  }
  return 1385;
}

}  // namespace

std::int32_t SpeedKB(int x, std::u16string_view mediumType) {
  return static_cast<std::int32_t>(std::lround(x * BaseKB(KindOf(mediumType))));
}

std::vector<int> OfferedSpeeds(std::int32_t maxKB, std::u16string_view mediumType) {
  static constexpr int kCdSteps[] = {1, 2, 4, 8, 10, 12, 16, 20, 24, 32, 40, 48, 52};
  static constexpr int kDvdSteps[] = {1, 2, 4, 6, 8, 12, 16, 18, 20, 24};
  static constexpr int kBdSteps[] = {1, 2, 4, 6, 8, 10, 12, 14, 16};
  const Kind kind = KindOf(mediumType);
  const auto steps = kind == Kind::Cd   ? std::span<const int>(kCdSteps)
                     : kind == Kind::Bd ? std::span<const int>(kBdSteps)
                                        : std::span<const int>(kDvdSteps);
  std::vector<int> offered;
  // A drive's fastest is often a little under its nominal multiple (7056
  // KB/s for a 40x CD drive is 40.0x, 10560 for 8x DVD is 7.6x).
  for (const int x : steps)
    if (x * BaseKB(kind) <= maxKB * 1.05) offered.push_back(x);
  return offered;
}
