// The small decoders every descriptor goes through: CRC, tag checks and
// OSTA CS0 names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UdfTestSupport.h"
#include "fs/udf/Cs0.h"
#include "fs/udf/Tag.h"

namespace udftest {
namespace {

using namespace wrenlo;

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(Crc16, MatchesTheCrcItuTCheckValue) {
  EXPECT_EQ(udf::Crc16(Bytes("123456789")), 0x31C3);
  EXPECT_EQ(udf::Crc16({}), 0);
}

TEST(CheckTag, AcceptsOnlyASoundTagAtItsLocation) {
  // A terminating descriptor (tag 8, version 3) at sector 20.
  std::vector<std::uint8_t> sector(2048, 0);
  sector[0] = 8;
  sector[2] = 3;
  sector[10] = 32;  // CRC length
  sector[12] = 20;
  sector[40] = 0xAB;
  const std::uint16_t crc = udf::Crc16({sector.data() + 16, 32});
  sector[8] = crc & 0xFF;
  sector[9] = crc >> 8;
  std::uint8_t sum = 0;
  for (int i = 0; i < 16; ++i)
    if (i != 4) sum = static_cast<std::uint8_t>(sum + sector[i]);
  sector[4] = sum;

  std::uint16_t id = 0;
  EXPECT_EQ(udf::CheckTag(sector, 20, id), kOk);
  EXPECT_EQ(id, 8);
  EXPECT_EQ(udf::CheckTag(sector, 21, id), kCorruptFileSystem);  // recorded elsewhere
  EXPECT_EQ(udf::CheckTag({sector.data(), 15}, 20, id), kCorruptFileSystem);
  // A CRC length past the bytes held cannot be checked; the rest still is.
  EXPECT_EQ(udf::CheckTag({sector.data(), 40}, 20, id), kOk);

  auto broken = sector;
  broken[40] ^= 1;  // inside the CRC
  EXPECT_EQ(udf::CheckTag(broken, 20, id), kCorruptFileSystem);
  broken = sector;
  broken[60] ^= 1;  // past the CRC length
  EXPECT_EQ(udf::CheckTag(broken, 20, id), kOk);
  broken = sector;
  broken[4] ^= 1;
  EXPECT_EQ(udf::CheckTag(broken, 20, id), kCorruptFileSystem);
}

TEST(Cs0, DecodesEightAndSixteenBitCharacters) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    bool ok;
    std::u16string text;
  };
  const Case cases[] = {
      {{}, true, u""},
      {{8, 'a', 0xE9}, true, u"a\u00e9"},
      {{254, 'x'}, true, u"x"},
      {{16, 0x65, 0xE5, 0x00, 'b'}, true, u"\u65e5b"},
      {{255, 0xD8, 0x3D, 0xDE, 0x00}, true, u"\U0001F600"},
      {{16, 0x65}, false, u""},  // half a unit
      {{9, 'a'}, false, u""},    // unknown compression
  };
  for (const Case& c : cases) {
    std::u16string text;
    EXPECT_EQ(udf::DecodeCs0(c.bytes, text), c.ok);
    if (c.ok) {
      EXPECT_EQ(Utf8(text), Utf8(c.text));
    }
  }
}

TEST(DString, UsesTheLengthInItsLastByte) {
  std::vector<std::uint8_t> field(32, 0);
  field[0] = 8;
  field[1] = 'V';
  field[2] = 'o';
  field[3] = 'l';
  field[31] = 4;
  EXPECT_EQ(Utf8(udf::DecodeDString(field)), "Vol");
  field[31] = 3;
  EXPECT_EQ(Utf8(udf::DecodeDString(field)), "Vo");
  field[31] = 32;  // longer than the characters it can hold
  EXPECT_EQ(Utf8(udf::DecodeDString(field)), "");
  field[31] = 0;
  EXPECT_EQ(Utf8(udf::DecodeDString(field)), "");
}

}  // namespace
}  // namespace udftest
