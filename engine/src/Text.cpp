#include "Text.h"

#include <cstdint>

namespace wrenlo {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out.push_back(static_cast<char16_t>(code));
    return;
  }
  code -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

// UTF-8 to UTF-16, malformed sequences as U+FFFD; whether there were none.
bool DecodeUtf8(std::string_view text, std::u16string& out) {
  bool wellFormed = true;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead < 0x80) {
      length = 1;
      code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      code = lead & 0x1F;
      least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      code = lead & 0x0F;
      least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      code = lead & 0x07;
      least = 0x10000;
    }
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<std::uint8_t>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = code << 6 | (next & 0x3F);
    }
    valid = valid && code >= least && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    if (!valid) {
      out.push_back(static_cast<char16_t>(kReplacement));
      wellFormed = false;
      ++i;
      continue;
    }
    AppendUtf16(out, code);
    i += length;
  }
  return wellFormed;
}

}  // namespace

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  DecodeUtf8(text, out);
  return out;
}

std::u16string FromUtf8OrLatin1(Bytes bytes) {
  std::u16string out;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return DecodeUtf8(text, out) ? out : FromLatin1(bytes);
}

std::u16string FromLatin1(Bytes bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (const std::uint8_t byte : bytes) out.push_back(byte);
  return out;
}

std::u16string FromUcs2Be(Bytes bytes) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) out.push_back(Be16(bytes, i));
  return out;
}

std::u16string TrimPadding(std::u16string text) {
  while (!text.empty() && (text.back() == u' ' || text.back() == 0)) text.pop_back();
  return text;
}

}  // namespace wrenlo
