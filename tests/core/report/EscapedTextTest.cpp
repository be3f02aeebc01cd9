// The one escape of disc- and file-supplied text in all text output, and the
// JSON strings that carry the same text whole.
#include <gtest/gtest.h>

#include "core/report/EscapedText.h"
#include "core/report/Json.h"

namespace {

TEST(EscapedTextTest, WhatCouldDriveATerminalIsEscapedAndTheRestStays) {
  const std::pair<std::string, std::string> cases[] = {
      {"Grüße 日本 😀 e\xCC\x81", "Grüße 日本 😀 e\xCC\x81"},  // any script, combining marks
      {"\x1b[31mred\x1b[0m", "\\e[31mred\\e[0m"},
      {"\x1b]0;title\x07", "\\e]0;title\\u0007"},  // the terminal's title, ended by BEL
      {"a\nb\rc\td\be", "a\\nb\\rc\\td\\u0008e"},
      {"\x7f \xC2\x9B"
       "2J",
       "\\u007F \\u009B2J"},  // DEL, and CSI as a C1 character
      {"file\xE2\x80\xAEtxt.exe", "file\\u202Etxt.exe"},
      {"\xD8\x9C \xE2\x80\x8E \xE2\x81\xA6 \xE2\x80\xA8", "\\u061C \\u200E \\u2066 \\u2028"},
      // Bytes that are not UTF-8: a stray one, an overlong '/', a surrogate,
      // a sequence cut off at the end.
      {"\xff/\xC0\xAF", "\\xFF/\\xC0\\xAF"},
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},
      {"end\xE2\x80", "end\\xE2\\x80"},
  };
  for (const auto& [text, escaped] : cases) {
    SCOPED_TRACE(escaped);
    EXPECT_EQ(WithControlsEscaped(text), escaped);
  }
  EXPECT_EQ(WithControlsEscaped(u"a\u202Eb\n"), "a\\u202Eb\\n");
}

TEST(EscapedTextTest, JsonKeepsTheTextWholeWithTheSameCharactersEscaped) {
  std::string json;
  AppendJsonString(json, std::string_view("\x1b\xE2\x80\xAE\xC2\x9B\"\\\n\xff Grüße"));
  EXPECT_EQ(json, "\"\\u001B\\u202E\\u009B\\\"\\\\\\n\\uFFFD Grüße\"");
}

}  // namespace
