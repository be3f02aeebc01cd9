#include "cli/Json.h"

#include <cstdio>

#include "cli/Utf8.h"

void AppendJsonString(std::string& out, std::string_view utf8) {
  out.push_back('"');
  for (const char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
          out += escape;
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
}

void AppendJsonString(std::string& out, std::u16string_view text) {
  AppendJsonString(out, ToUtf8(text));
}
