// The decoders of recorded times, against hand-made bytes: the cases no tool
// writes on purpose (offsets out of range, impossible dates, unset times,
// cut entries) and the parts of a second.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fs/iso9660/IsoDates.h"
#include "fs/iso9660/RockRidge.h"
#include "fs/udf/Timestamp.h"
#include "udf/MemorySource.h"

namespace wrenlo {
namespace {

// What a decoder gave, for short failure messages: "unknown" or "s.ns".
std::string Shown(const FileTime& time) {
  if (!time.known) return "unknown";
  return std::to_string(time.seconds) + "." + std::to_string(time.nanoseconds);
}

std::string Expected(std::int64_t seconds, std::int32_t nanoseconds = 0) {
  return std::to_string(seconds) + "." + std::to_string(nanoseconds);
}

constexpr std::int64_t k2021 = 1622550896;  // 2021-06-01 12:34:56 UTC

TEST(RecordedTimes, DirectoryRecordDates) {
  const struct {
    const char* what;
    std::vector<std::uint8_t> date;  // years since 1900, month, day, h, m, s, offset
    std::string expected;
  } cases[] = {
      {"the epoch", {70, 1, 1, 0, 0, 0, 0}, Expected(0)},
      {"GMT", {121, 6, 1, 12, 34, 56, 0}, Expected(k2021)},
      {"5:30 ahead", {121, 6, 1, 18, 4, 56, 22}, Expected(k2021)},
      {"8 hours behind", {121, 6, 1, 4, 34, 56, 0xE0}, Expected(k2021)},
      {"a leap day before 1970", {60, 2, 29, 1, 2, 3, 0}, Expected(-310517877)},
      {"the last year a byte holds", {255, 12, 31, 23, 59, 59, 0}, Expected(5869583999)},
      {"an offset past 13 hours is taken as GMT", {131, 1, 1, 5, 29, 59, 86}, Expected(1925011799)},
      {"unset", {0, 0, 0, 0, 0, 0, 0}, "unknown"},
      {"month 13", {121, 13, 1, 0, 0, 0, 0}, "unknown"},
      {"29 February of a common year", {121, 2, 29, 0, 0, 0, 0}, "unknown"},
      {"hour 24", {121, 6, 1, 24, 0, 0, 0}, "unknown"},
      {"cut short", {121, 6, 1, 12, 34, 56}, "unknown"},
  };
  for (const auto& c : cases) EXPECT_EQ(Shown(DecodeShortDate(c.date)), c.expected) << c.what;
}

std::vector<std::uint8_t> LongDate(const std::string& digits, std::uint8_t offset) {
  std::vector<std::uint8_t> date(digits.begin(), digits.end());
  date.push_back(offset);
  return date;
}

TEST(RecordedTimes, DigitDates) {
  const struct {
    const char* what;
    std::vector<std::uint8_t> date;
    std::string expected;
  } cases[] = {
      {"hundredths", LongDate("2021060112345678", 0), Expected(k2021, 780'000'000)},
      {"an hour ahead", LongDate("2021060113345600", 4), Expected(k2021)},
      {"unset", LongDate("0000000000000000", 0), "unknown"},
      {"a space for a digit", LongDate("2021060112 45600", 0), "unknown"},
      {"cut short", LongDate("202106011234560", 0), "unknown"},
  };
  for (const auto& c : cases) EXPECT_EQ(Shown(DecodeLongDate(c.date)), c.expected) << c.what;
}

// A TF entry of flags and the times that follow them.
std::vector<std::uint8_t> TfEntry(std::uint8_t flags, const std::vector<std::uint8_t>& times) {
  std::vector<std::uint8_t> entry(5 + times.size());
  entry[0] = 'T';
  entry[1] = 'F';
  entry[2] = static_cast<std::uint8_t>(entry.size());
  entry[3] = 1;
  entry[4] = flags;
  std::copy(times.begin(), times.end(), entry.begin() + 5);
  return entry;
}

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

TEST(RecordedTimes, RockRidgeTimeEntries) {
  const std::vector<std::uint8_t> created{100, 1, 1, 0, 0, 0, 0};
  const std::vector<std::uint8_t> modified{121, 6, 1, 12, 34, 56, 0};
  const std::vector<std::uint8_t> longCreated = LongDate("2000010100000000", 0);
  const std::vector<std::uint8_t> longModified = LongDate("2021060112345612", 0);
  constexpr std::uint8_t kCreation = 0x01, kModify = 0x02, kAccess = 0x04, kLong = 0x80;
  const struct {
    const char* what;
    std::vector<std::uint8_t> field;
    std::string expected;
  } cases[] = {
      {"modify alone", TfEntry(kModify, modified), Expected(k2021)},
      {"after the creation time", TfEntry(kCreation | kModify, Concat({created, modified})),
       Expected(k2021)},
      {"long form, before the access time",
       TfEntry(kCreation | kModify | kAccess | kLong,
               Concat({longCreated, longModified, longCreated})),
       Expected(k2021, 120'000'000)},
      {"no modify time", TfEntry(kCreation, created), "unknown"},
      {"an entry too short for its flags", TfEntry(kCreation | kModify, created), "unknown"},
      {"long form cut short",
       TfEntry(kModify | kLong,
               std::vector<std::uint8_t>(longModified.begin(), longModified.end() - 1)),
       "unknown"},
  };
  udftest::MemorySource noSectors({});
  for (const auto& c : cases) {
    ContinuationAreas areas(noSectors);
    RockRidgeEntries entries;
    ASSERT_EQ(DecodeRockRidge(c.field, 0, areas, entries), kOk) << c.what;
    EXPECT_EQ(Shown(entries.modified), c.expected) << c.what;
  }
}

// An ECMA-167 timestamp of type and zone, then the date and its fractions.
std::vector<std::uint8_t> Timestamp(unsigned type, int zone, int year, std::uint8_t month,
                                    std::uint8_t day, std::uint8_t hour, std::uint8_t minute,
                                    std::uint8_t second, std::uint8_t centiseconds = 0,
                                    std::uint8_t hundredsOfMicroseconds = 0,
                                    std::uint8_t microseconds = 0) {
  const unsigned typeAndZone = (type << 12) | (static_cast<unsigned>(zone) & 0x0FFF);
  return {static_cast<std::uint8_t>(typeAndZone),
          static_cast<std::uint8_t>(typeAndZone >> 8),
          static_cast<std::uint8_t>(year),
          static_cast<std::uint8_t>(year >> 8),
          month,
          day,
          hour,
          minute,
          second,
          centiseconds,
          hundredsOfMicroseconds,
          microseconds};
}

TEST(RecordedTimes, UdfTimestamps) {
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::string expected;
  } cases[] = {
      {"local time 5:30 ahead", Timestamp(1, 330, 2021, 6, 1, 18, 4, 56), Expected(k2021)},
      {"local time 8 hours behind", Timestamp(1, -480, 2021, 6, 1, 4, 34, 56), Expected(k2021)},
      {"zone not specified", Timestamp(1, -2047, 2021, 6, 1, 12, 34, 56), Expected(k2021)},
      {"a zone past a day", Timestamp(1, 1500, 2021, 6, 1, 12, 34, 56), Expected(k2021)},
      {"UTC ignores the zone", Timestamp(0, 60, 2021, 6, 1, 12, 34, 56), Expected(k2021)},
      {"parts of a second", Timestamp(1, 0, 2021, 6, 1, 12, 34, 56, 78, 9, 1),
       Expected(k2021, 780'901'000)},
      {"before 1970", Timestamp(1, 0, 1960, 2, 29, 1, 2, 3), Expected(-310517877)},
      {"centiseconds past 99", Timestamp(1, 0, 2021, 6, 1, 12, 34, 56, 100), "unknown"},
      {"unset", std::vector<std::uint8_t>(12, 0), "unknown"},
      {"a negative year", Timestamp(1, 0, -5, 1, 1, 0, 0, 0), "unknown"},
      {"cut short", std::vector<std::uint8_t>(11, 1), "unknown"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Shown(udf::DecodeTimestamp(udf::ByteView(c.bytes), 0)), c.expected) << c.what;
}

}  // namespace
}  // namespace wrenlo
