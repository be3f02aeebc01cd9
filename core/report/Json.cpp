#include "core/report/Json.h"

#include <cstdio>

#include "core/report/Utf8.h"

void AppendJsonString(std::string& out, std::string_view utf8) {
  out.push_back('"');
  std::size_t at = 0;
  while (at < utf8.size()) {
    const std::size_t start = at;
    char32_t code = 0;
    if (!NextCharacter(utf8, at, code)) {
      out += "\\uFFFD";
    } else if (code == '"') {
      out += "\\\"";
    } else if (code == '\\') {
      out += "\\\\";
    } else if (code == '\n') {
      out += "\\n";
    } else if (code == '\r') {
      out += "\\r";
    } else if (code == '\t') {
      out += "\\t";
    } else if (IsEscapedCharacter(code)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(code));
      out += escape;
    } else {
      out.append(utf8.substr(start, at - start));
    }
  }
  out.push_back('"');
}

void AppendJsonString(std::string& out, std::u16string_view text) {
  AppendJsonString(out, ToUtf8(text));
}
