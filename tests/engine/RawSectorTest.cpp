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

// Whole sectors: a Mode 1 sector built as the tests' own writer (written
// apart from the engine) builds it, whatever the address; stored raw sectors
// as they are, after the checks of a user-data read; MODE2/2336 with its sync
// and header; gaps that read back as zeros.
TEST(RawSector, WholeSectorsOfEachForm) {
  const Buffer user = Pattern(2324);
  Buffer out(kWholeSectorBytes);
  for (const std::uint32_t address : {0u, 16u, 4499u, 4500u, 359999u}) {
    BuildMode1Sector(address, user.data(), out.data());
    EXPECT_TRUE(out == testing_support::Mode1Sector(address, user.data())) << address;
  }

  const Buffer mode1 = testing_support::Mode1Sector(77, user.data());
  const Buffer form1 = testing_support::Mode2Form1Sector(77, user.data());
  const Buffer form2 = testing_support::Mode2Form2Sector(77, user.data());
  const Buffer frame = Pattern(kWholeSectorBytes);
  Buffer damaged = mode1;
  damaged[500] ^= 0x04;
  struct WholeCase {
    const char* what;
    CueTrackType type;
    Buffer stored;
    Result result;
    Buffer whole;
  };
  const WholeCase cases[] = {
      {"MODE1/2352", CueTrackType::Mode1Raw, mode1, kOk, mode1},
      {"MODE1/2352, damaged", CueTrackType::Mode1Raw, damaged, kMediumError, {}},
      {"MODE2/2352 form 1", CueTrackType::Mode2Raw, form1, kOk, form1},
      {"MODE2/2352 form 2", CueTrackType::Mode2Raw, form2, kOk, form2},
      {"MODE2/2336", CueTrackType::Mode2Cooked, Buffer(form2.begin() + 16, form2.end()), kOk,
       form2},
      {"MODE1/2048", CueTrackType::Mode1Cooked, Buffer(user.begin(), user.begin() + 2048), kOk,
       mode1},
      {"audio", CueTrackType::Audio, frame, kOk, frame},
  };
  for (const WholeCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(WholeSector(c.type, 77, c.stored.data(), out.data()), c.result);
    if (c.result == kOk) {
      EXPECT_TRUE(out == c.whole);
    }
  }

  for (const CueTrackType type :
       {CueTrackType::Audio, CueTrackType::Mode1Cooked, CueTrackType::Mode1Raw,
        CueTrackType::Mode2Cooked, CueTrackType::Mode2Raw}) {
    GapSector(type, 90, out.data());
    Buffer data(2048, 0xEE);
    const CueTrackType raw = type == CueTrackType::Audio ? type
                             : type == CueTrackType::Mode1Cooked || type == CueTrackType::Mode1Raw
                                 ? CueTrackType::Mode1Raw
                                 : CueTrackType::Mode2Raw;
    EXPECT_EQ(UserData(raw, 90, out.data(), data.data()), kOk) << static_cast<int>(type);
    EXPECT_TRUE(data == Buffer(2048, 0)) << static_cast<int>(type);
  }
}

}  // namespace
}  // namespace wrenlo
