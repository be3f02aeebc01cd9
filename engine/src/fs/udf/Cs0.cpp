#include "Cs0.h"

namespace wrenlo::udf {

bool DecodeCs0(std::span<const std::uint8_t> bytes, std::u16string& out) {
  out.clear();
  if (bytes.empty()) return true;
  const std::uint8_t compression = bytes[0];
  const auto characters = bytes.subspan(1);
  if (compression == 8 || compression == 254) {
    out.assign(characters.begin(), characters.end());
    return true;
  }
  if (compression == 16 || compression == 255) {
    if (characters.size() % 2 != 0) return false;
    out.reserve(characters.size() / 2);
    for (std::size_t i = 0; i < characters.size(); i += 2)
      out.push_back(static_cast<char16_t>((characters[i] << 8) | characters[i + 1]));
    return true;
  }
  return false;
}

std::u16string DecodeDString(std::span<const std::uint8_t> field) {
  std::u16string text;
  if (field.empty()) return text;
  const std::size_t used = field.back();
  if (used >= field.size() || !DecodeCs0(field.first(used), text)) return {};
  // A dstring's characters may be followed by NUL padding inside its count.
  const auto end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  return text;
}

}  // namespace wrenlo::udf
