// User data out of raw CD sectors: what each sector form gives and which
// damage makes a read fail.
#include <gtest/gtest.h>

#include <functional>

#include "image/RawSector.h"
#include "support/RawCdWriter.h"

namespace wrenlo {
namespace {

using Buffer = std::vector<std::uint8_t>;

Buffer Pattern(std::size_t size) {
  Buffer bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
  return bytes;
}

// The folding path (from 64 bytes on) and the tables' agree with the
// polynomial taken bit by bit, at every length around the folding's steps.
TEST(RawSector, EdcMatchesTheGeneratorPolynomial) {
  const Buffer bytes = Pattern(2336);
  std::vector<std::size_t> lengths = {0, 1, 2056, 2064, 2332, 2336};
  for (std::size_t length = 8; length <= 200; ++length) lengths.push_back(length);
  for (const std::size_t length : lengths) {
    const std::uint32_t expected = testing_support::BitwiseEdc(bytes.data(), length);
    EXPECT_EQ(SectorEdc(Bytes(bytes.data(), length)), expected) << length;
    EXPECT_EQ(SectorEdcByTables(Bytes(bytes.data(), length)), expected) << length;
  }
}

struct Case {
  const char* what;
  std::uint32_t address;  // where the sector is read
  CueTrackType type;
  std::function<Buffer()> stored;
  Result result;
  std::function<Buffer()> user;  // the 2048 bytes expected on success
};

TEST(RawSector, FormsAndDamage) {
  // Beyond 99 minutes the header's two BCD digits of minutes cannot hold the
  // address: it is not checked there.
  constexpr std::uint32_t kFar = 500000;
  const Buffer user = Pattern(2324);
  const Buffer first(user.begin(), user.begin() + 2048);
  const Buffer frame = Pattern(2352);
  const auto mode1 = [&](std::uint32_t address) {
    return testing_support::Mode1Sector(address, user.data());
  };
  const auto changed = [](Buffer bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
  };
  const auto flipped = [](Buffer bytes, std::size_t at) {
    bytes[at] ^= 0x01;
    return bytes;
  };
  const auto form1 = testing_support::Mode2Form1Sector(1000, user.data());
  const auto form2 = testing_support::Mode2Form2Sector(1000, user.data());
  const auto body = [](const Buffer& raw) { return Buffer(raw.begin() + 16, raw.end()); };
  const Case cases[] = {
      {"mode 1", 1000, CueTrackType::Mode1Raw, [&] { return mode1(1000); }, kOk,
       [&] { return first; }},
      {"mode 1 in a MODE2 track", 1000, CueTrackType::Mode2Raw, [&] { return mode1(1000); }, kOk,
       [&] { return first; }},
      {"mode 1, bad EDC", 1000, CueTrackType::Mode1Raw, [&] { return flipped(mode1(1000), 2065); },
       kMediumError, nullptr},
      {"mode 1, bad data", 1000, CueTrackType::Mode1Raw, [&] { return flipped(mode1(1000), 16); },
       kMediumError, nullptr},
      {"mode 1, bad sync", 1000, CueTrackType::Mode1Raw, [&] { return changed(mode1(1000), 5, 0); },
       kMediumError, nullptr},
      {"mode 1, another address", 1000, CueTrackType::Mode1Raw, [&] { return mode1(1001); },
       kMediumError, nullptr},
      {"mode 1, past 99 minutes", kFar, CueTrackType::Mode1Raw, [&] { return mode1(kFar); }, kOk,
       [&] { return first; }},
      {"mode 0", 1000, CueTrackType::Mode1Raw, [&] { return changed(mode1(1000), 15, 0); }, kOk,
       [] { return Buffer(2048, 0); }},
      {"mode 3", 1000, CueTrackType::Mode1Raw, [&] { return changed(mode1(1000), 15, 3); },
       kMediumError, nullptr},
      {"form 1", 1000, CueTrackType::Mode2Raw, [&] { return form1; }, kOk, [&] { return first; }},
      {"form 1, bad EDC", 1000, CueTrackType::Mode2Raw, [&] { return flipped(form1, 2073); },
       kMediumError, nullptr},
      {"form 2", 1000, CueTrackType::Mode2Raw, [&] { return form2; }, kOk, [&] { return first; }},
      {"form 2, bad data", 1000, CueTrackType::Mode2Raw, [&] { return flipped(form2, 2300); },
       kMediumError, nullptr},
      {"form 2 without EDC", 1000, CueTrackType::Mode2Raw,
       [&] {
         return changed(changed(changed(changed(flipped(form2, 2300), 2348, 0), 2349, 0), 2350, 0),
                        2351, 0);
       },
       kOk, [&] { return first; }},
      {"MODE2/2336 form 1", 1000, CueTrackType::Mode2Cooked, [&] { return body(form1); }, kOk,
       [&] { return first; }},
      {"MODE2/2336 form 1, bad data", 1000, CueTrackType::Mode2Cooked,
       [&] { return flipped(body(form1), 40); }, kMediumError, nullptr},
      {"audio", 1000, CueTrackType::Audio, [&] { return frame; }, kOk,
       [&] { return Buffer(frame.begin(), frame.begin() + 2048); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Buffer stored = c.stored();
    ASSERT_GE(stored.size(), SectorBytes(c.type));
    Buffer out(2048, 0xEE);
    EXPECT_EQ(UserData(c.type, c.address, stored.data(), out.data()), c.result);
    if (c.user) {
      EXPECT_TRUE(out == c.user());
    }
  }
}

}  // namespace
}  // namespace wrenlo
