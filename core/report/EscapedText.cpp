#include "core/report/EscapedText.h"

#include <cstdio>

#include "core/report/Utf8.h"

namespace {

// The characters written as "\uXXXX" in both styles: the control characters
// without a short escape, those that set the direction of text, and the line
// and paragraph separators.
bool IsEscapedCharacter(char32_t code) {
  return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C || code == 0x200E ||
         code == 0x200F || (code >= 0x2028 && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

// Decodes the UTF-8 character at utf8[at] and moves at past it; a byte that
// does not begin a valid UTF-8 sequence (a stray continuation byte, an
// overlong form, a surrogate, beyond U+10FFFF, a cut-off sequence) gives
// false and moves at past that one byte.
bool NextCharacter(std::string_view utf8, std::size_t& at, char32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    code = lead;
    ++at;
    return true;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    least = 0x10000;
  }
  bool valid = length != 0 && at + length <= utf8.size();
  for (std::size_t i = 1; valid && i < length; ++i) {
    valid = (byte(at + i) & 0xC0) == 0x80;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  valid = valid && code >= least && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
  at += valid ? length : 1;
  return valid;
}

void AppendHex(std::string& out, const char* format, unsigned value) {
  char escape[12];
  std::snprintf(escape, sizeof escape, format, value);
  out += escape;
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view utf8, EscapeStyle style) {
  const bool json = style == EscapeStyle::Json;
  std::size_t at = 0;
  while (at < utf8.size()) {
    const std::size_t start = at;
    char32_t code = 0;
    if (!NextCharacter(utf8, at, code)) {
      if (json)
        out += "\\uFFFD";
      else
        AppendHex(out, "\\x%02X", static_cast<unsigned char>(utf8[start]));
    } else if (code == '\n') {
      out += "\\n";
    } else if (code == '\r') {
      out += "\\r";
    } else if (code == '\t') {
      out += "\\t";
    } else if (code == 0x1B && !json) {
      out += "\\e";
    } else if (IsEscapedCharacter(code)) {
      AppendHex(out, "\\u%04X", static_cast<unsigned>(code));
    } else if (json && (code == '"' || code == '\\')) {
      out += '\\';
      out += static_cast<char>(code);
    } else {
      out.append(utf8.substr(start, at - start));
    }
  }
}

std::string WithControlsEscaped(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  AppendEscaped(out, utf8, EscapeStyle::Text);
  return out;
}

std::string WithControlsEscaped(std::u16string_view text) {
  return WithControlsEscaped(ToUtf8(text));
}
