#include <gtest/gtest.h>

#include <vector>

#include "Sense.h"

namespace wrenlo::drive {
namespace {

struct SenseCase {
  const char* what;
  std::vector<std::uint8_t> bytes;
  bool valid;
  std::uint8_t key, asc, ascq;
};

TEST(SenseTest, DecodesWhatTheDeviceWrote) {
  const SenseCase cases[] = {
      {"fixed, medium error",
       {0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0x00},
       true,
       3,
       0x11,
       0},
      {"fixed, deferred",
       {0x71, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x28, 0x00},
       true,
       6,
       0x28,
       0},
      {"fixed, valid bit set",
       {0xF0, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x21, 0x00},
       true,
       5,
       0x21,
       0},
      {"fixed, additional length stops before ASC",
       {0x70, 0, 0x02, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0x3A, 0x01},
       true,
       2,
       0,
       0},
      {"fixed, additional length lies past the bytes written",
       {0x70, 0, 0x02, 0, 0, 0, 0, 200, 0, 0, 0, 0, 0x3A},
       true,
       2,
       0x3A,
       0},
      {"fixed, only the key written", {0x70, 0, 0x04}, true, 4, 0, 0},
      {"fixed, cut before the key", {0x70, 0}, false, 0, 0, 0},
      {"descriptor format", {0x72, 0x03, 0x11, 0x05, 0, 0, 0, 0}, true, 3, 0x11, 5},
      {"descriptor, deferred, cut after ASC", {0x73, 0x05, 0x24}, true, 5, 0x24, 0},
      {"nothing written", {}, false, 0, 0, 0},
      {"unknown response code", {0x7F, 0x03, 0x11, 0x00}, false, 0, 0, 0},
  };
  for (const SenseCase& c : cases) {
    const Sense sense = DecodeSense(c.bytes);
    EXPECT_EQ(sense.valid, c.valid) << c.what;
    EXPECT_EQ(sense.key, c.key) << c.what;
    EXPECT_EQ(sense.asc, c.asc) << c.what;
    EXPECT_EQ(sense.ascq, c.ascq) << c.what;
  }
}

CommandOutcome CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  CommandOutcome outcome;
  outcome.status = kStatusCheckCondition;
  const std::uint8_t bytes[] = {0x70, 0, key, 0, 0, 0, 0, 10, 0, 0, 0, 0, asc, ascq};
  std::copy(std::begin(bytes), std::end(bytes), outcome.sense.begin());
  outcome.senseLength = sizeof bytes;
  return outcome;
}

TEST(SenseTest, ClassifiesOutcomes) {
  struct Case {
    const char* what;
    CommandOutcome outcome;
    Result expected;
  };
  CommandOutcome timedOut;
  timedOut.transport = kTimeout;
  CommandOutcome busy;
  busy.status = 0x08;
  CommandOutcome checkWithoutSense;
  checkWithoutSense.status = kStatusCheckCondition;
  CommandOutcome senseLeftInBufferButNotWritten = CheckCondition(3, 0x11, 0);
  senseLeftInBufferButNotWritten.senseLength = 0;

  const Case cases[] = {
      {"good", CommandOutcome{}, kOk},
      {"transport time-out stays a time-out", timedOut, kTimeout},
      {"busy", busy, kNotReady},
      {"recovered error is success", CheckCondition(1, 0x17, 0), kOk},
      {"no medium", CheckCondition(2, 0x3A, 0), kNoMedium},
      {"tray open", CheckCondition(2, 0x3A, 2), kNoMedium},
      {"becoming ready", CheckCondition(2, 0x04, 1), kNotReady},
      {"unrecovered read error", CheckCondition(3, 0x11, 0), kMediumError},
      {"hardware error while reading", CheckCondition(4, 0x09, 0), kMediumError},
      {"LBA out of range", CheckCondition(5, 0x21, 0), kOutOfRange},
      {"invalid command", CheckCondition(5, 0x20, 0), kIllegalRequest},
      {"medium may have changed", CheckCondition(6, 0x28, 0), kUnitAttention},
      {"aborted command", CheckCondition(0xB, 0, 6), kTransportError},
      {"check condition without sense", checkWithoutSense, kTransportError},
      {"sense bytes the device did not write are not read", senseLeftInBufferButNotWritten,
       kTransportError},
  };
  for (const Case& c : cases) EXPECT_EQ(Classify(c.outcome), c.expected) << c.what;
  EXPECT_TRUE(IsUnitAttention(CheckCondition(6, 0x28, 0)));
  EXPECT_FALSE(IsUnitAttention(CheckCondition(2, 0x3A, 0)));
  EXPECT_FALSE(IsUnitAttention(timedOut));
}

}  // namespace
}  // namespace wrenlo::drive
