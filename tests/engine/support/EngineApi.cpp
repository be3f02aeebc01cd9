#include "EngineApi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "UdfTestSupport.h"

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

std::string Narrow(const std::u16string& text) { return udftest::Utf8(text); }

}  // namespace testing_support
