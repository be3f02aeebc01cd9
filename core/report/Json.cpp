#include "core/report/Json.h"

#include <cstdio>

#include "core/report/Utf8.h"

namespace {

// Appends the escape of a control character; false for any other character.
bool AppendControlEscape(std::string& out, char c) {
  switch (c) {
    case '\n':
      out += "\\n";
      return true;
    case '\r':
      out += "\\r";
      return true;
    case '\t':
      out += "\\t";
      return true;
    default:
      if (static_cast<unsigned char>(c) >= 0x20) return false;
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
      out += escape;
      return true;
  }
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view utf8) {
  out.push_back('"');
  for (const char c : utf8) {
    if (c == '"')
      out += "\\\"";
    else if (c == '\\')
      out += "\\\\";
    else if (!AppendControlEscape(out, c))
      out.push_back(c);
  }
  out.push_back('"');
}

void AppendJsonString(std::string& out, std::u16string_view text) {
  AppendJsonString(out, ToUtf8(text));
}

std::string WithControlsEscaped(std::string_view utf8) {
  std::string out;
  for (const char c : utf8)
    if (!AppendControlEscape(out, c)) out.push_back(c);
  return out;
}
