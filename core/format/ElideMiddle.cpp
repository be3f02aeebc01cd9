#include "core/format/ElideMiddle.h"

namespace {

constexpr char16_t kEllipsis = u'\u2026';

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::u16string ElideMiddle(std::u16string_view text, std::size_t maxUnits) {
  if (text.size() <= maxUnits) return std::u16string(text);
  if (maxUnits == 0) return {};
  const std::size_t kept = maxUnits - 1;
  std::size_t head = kept / 2;
  std::size_t tail = kept - head;
  if (head > 0 && IsHighSurrogate(text[head - 1])) --head;
  if (tail > 0 && IsLowSurrogate(text[text.size() - tail])) --tail;
  std::u16string out(text.substr(0, head));
  out += kEllipsis;
  out += text.substr(text.size() - tail);
  return out;
}
