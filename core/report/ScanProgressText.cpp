#include "core/report/ScanProgressText.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace {

// bytes per second of the single speed of a CD drive, the unit of "1x"
constexpr std::int32_t kSingleSpeed = 150 * 1024;

void AppendFixed(std::u16string& out, double value) {
  char digits[64];
  const auto [end, error] =
      std::to_chars(std::begin(digits), std::end(digits), value, std::chars_format::fixed, 1);
  if (error == std::errc()) out.append(digits, end);
}

void AppendInteger(std::u16string& out, std::int64_t value) {
  char digits[24];
  const auto [end, error] = std::to_chars(std::begin(digits), std::end(digits), value);
  if (error == std::errc()) out.append(digits, end);
}

}  // namespace

int ProgressPosition(const ProgressCtx_t& progress) {
  if (progress.total == 0) return 0;
  return static_cast<int>(std::int64_t{progress.current} * 100 / progress.total);
}

ScanShares SharesOf(const ProgressCtx_t& progress) {
  ScanShares shares;
  if (progress.current == 0) return shares;
  shares.problem = progress.problems * 100.0 / progress.current;
  shares.error = progress.errors * 100.0 / progress.current;
  // When every read was bad the difference can fall a rounding error below
  // zero, which would read "-0.0%".
  shares.good = std::max(0.0, 100.0 - shares.problem - shares.error);
  return shares;
}

std::u16string PercentText(double share) {
  std::u16string text;
  AppendFixed(text, share);
  text += u'%';
  return text;
}

std::u16string SpeedText(std::int32_t bytesPerSecond) {
  std::u16string text;
  AppendInteger(text, bytesPerSecond / kSingleSpeed);
  text += u"x (";
  AppendFixed(text, bytesPerSecond / 1024.0);
  text += u" kbps)";
  return text;
}
