#include "EngineApi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace testing_support {

void UseImages(const std::vector<std::string>& paths) {
  std::string joined;
  for (const std::string& path : paths) joined += (joined.empty() ? "" : ":") + path;
  setenv("WRENLO_IMAGES", joined.c_str(), 1);
  EXPECT_EQ(wrenlo::Initialize(), 0);
}

std::vector<std::u16string> DeviceTexts() {
  wrenlo::DeviceListEntry entries[wrenlo::kMaxDevices];
  std::int32_t count = 0;
  EXPECT_EQ(wrenlo::GetDevices(entries, &count, 0), 0);
  std::vector<std::u16string> texts;
  for (std::int32_t i = 0; i < count; ++i) texts.push_back(entries[i].text.str());
  return texts;
}

std::int32_t Select(char16_t letter) {
  const std::int32_t burn = wrenlo::SetBurnDevice(letter);
  const std::int32_t read = wrenlo::SetReadDevice(letter);
  return burn != 0 ? burn : read;
}

void MakeSparseImage(const std::string& path, std::uint64_t sectors) {
  { std::ofstream create(path, std::ios::binary | std::ios::trunc); }
  std::filesystem::resize_file(path, sectors * 2048);
}

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    // A surrogate pair stands for one code point above U+FFFF.
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

}  // namespace testing_support
