#include "core/report/Json.h"

#include "core/report/Utf8.h"

void AppendJsonString(std::string& out, std::string_view utf8) {
  out.push_back('"');
  AppendEscaped(out, utf8, EscapeStyle::Json);
  out.push_back('"');
}

void AppendJsonString(std::string& out, std::u16string_view text) {
  AppendJsonString(out, ToUtf8(text));
}
