#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/format/HexDump.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Ascii(const std::u16string& text) { return std::string(text.begin(), text.end()); }

std::string Dump(const Bytes& bytes) { return Ascii(FormatHexDump(bytes)); }

TEST(HexDumpTest, WorkedLine) {
  const Bytes bytes = {0x01, 0x43, 0x44, 0x30, 0x30, 0x31, 0x01, 0x00,
                       0x44, 0x49, 0x53, 0x43, 0x20, 0x31, 0xFF, 0x7E};
  EXPECT_EQ(Dump(bytes), "01 43 44 30 30 31 01 00  44 49 53 43 20 31 FF 7E  .CD001..DISC 1.~\r\n");
}

TEST(HexDumpTest, ASectorOfZerosGives128EqualLines) {
  const std::string dump = Dump(Bytes(2048, 0x00));
  ASSERT_EQ(dump.size(), 8704u);
  const std::string line = "00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  ................\r\n";
  ASSERT_EQ(line.size(), kHexDumpLineLength);
  for (std::size_t i = 0; i < 128; ++i)
    ASSERT_EQ(dump.substr(i * line.size(), line.size()), line) << "line " << i;
}

TEST(HexDumpTest, ValuesAreTwoUpperCaseDigits) {
  const Bytes bytes = {0x0A, 0xAB, 0xF0, 0x05, 0xCD, 0xEF, 0x10, 0x9B,
                       0x00, 0xFF, 0x0F, 0x60, 0xBA, 0xDC, 0x3E, 0x01};
  EXPECT_EQ(Dump(bytes).substr(0, 49), "0A AB F0 05 CD EF 10 9B  00 FF 0F 60 BA DC 3E 01 ");
}

TEST(HexDumpTest, CharacterColumnShowsOnly0x20To0x7F) {
  struct Case {
    std::uint8_t byte;
    char shown;
  };
  const Case cases[] = {{0x00, '.'}, {0x0A, '.'},    {0x1F, '.'}, {0x20, ' '}, {0x41, 'A'},
                        {0x7E, '~'}, {0x7F, '\x7F'}, {0x80, '.'}, {0xA9, '.'}, {0xFF, '.'}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.byte});
    const std::string line = Dump(Bytes(16, c.byte));
    EXPECT_EQ(line.substr(50, 16), std::string(16, c.shown));
  }
}

TEST(HexDumpTest, EmptyInputGivesEmptyText) { EXPECT_EQ(Dump({}), ""); }

TEST(HexDumpTest, PartialLastLineKeepsTheCharacterColumn) {
  struct Case {
    std::size_t size;
    std::string lastLine;
  };
  const std::string padding8 = std::string(25, ' ');
  const Case cases[] = {
      {1, "41" + std::string(47, ' ') + " A\r\n"},
      {8, "41 41 41 41 41 41 41 41 " + padding8 + " AAAAAAAA\r\n"},
      {9, "41 41 41 41 41 41 41 41  41" + std::string(22, ' ') + " AAAAAAAAA\r\n"},
      {15, "41 41 41 41 41 41 41 41  41 41 41 41 41 41 41     AAAAAAAAAAAAAAA\r\n"},
      {17, "41" + std::string(47, ' ') + " A\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const std::string dump = Dump(Bytes(c.size, 0x41));
    ASSERT_EQ(dump.size(), (c.size / 16) * kHexDumpLineLength + c.lastLine.size());
    EXPECT_EQ(dump.substr(dump.size() - c.lastLine.size()), c.lastLine);
    // The characters start in the column of a complete line's.
    EXPECT_EQ(dump.find('A', dump.size() - c.lastLine.size()) - (dump.size() - c.lastLine.size()),
              50u);
  }
}

}  // namespace
