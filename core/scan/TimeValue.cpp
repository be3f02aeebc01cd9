#include "core/scan/TimeValue.h"

#include <chrono>
#include <ctime>

TimeValue TimeValue::Now() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return {std::chrono::duration_cast<std::chrono::seconds>(now).count()};
}

std::u16string TimeValue::Format(const char* pattern) const {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr) return {};
  char text[128];
  const std::size_t length = std::strftime(text, sizeof text, pattern, &local);
  // The fields are digits and the pattern's own ASCII separators.
  return std::u16string(text, text + length);
}
