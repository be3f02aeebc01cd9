// The checksum lists' names and lines: every format a distribution or an
// archivist leaves, and the lines that must be left out.
#include <gtest/gtest.h>

#include <string>

#include "core/verify/ChecksumList.h"

namespace {

TEST(ChecksumListKind, TellsListsByName) {
  const struct {
    const char16_t* name;
    std::optional<HashKind> kind;
  } cases[] = {
      {u"md5sum.txt", HashKind::Md5},
      {u"MD5SUMS", HashKind::Md5},
      {u"SHA1SUMS", HashKind::Sha1},
      {u"SHA256SUMS", HashKind::Sha256},
      {u"SHA512SUMS", HashKind::Sha512},
      {u"disc.md5", HashKind::Md5},
      {u"PART.SHA256", HashKind::Sha256},
      {u"a.sha1", HashKind::Sha1},
      {u"b.sha512", HashKind::Sha512},
      {u"release.sfv", HashKind::Crc32},
      {u".md5", std::nullopt},
      {u"md5sum.txt.bak", std::nullopt},
      {u"SHA256SUMS.gpg", std::nullopt},
      {u"MD5SUM.TXT", HashKind::Md5},
      {u"sha256sums", HashKind::Sha256},
      {u"notes.txt", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChecksumListKind(c.name), c.kind) << std::string(c.name, c.name + 1);
}

const std::string kMd5Abc = "900150983cd24fb0d6963f7d28e17f72";  // MD5 of "abc"
const std::string kSha256Abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

struct LineCase {
  const char* what;
  HashKind listKind;
  std::string line;
  // The entry's path and kind, or empty for a line left out.
  std::string path;
  HashKind kind = HashKind::Md5;
  int malformed = 0;
  int refused = 0;
};

TEST(ParseChecksumList, ReadsEachFormatAndLeavesOutWhatItMust) {
  const LineCase cases[] = {
      {"GNU text", HashKind::Md5, kMd5Abc + "  ./pool/main/a.deb", "pool/main/a.deb"},
      {"GNU binary", HashKind::Md5, kMd5Abc + " *boot/x.img", "boot/x.img"},
      {"upper-case hex", HashKind::Md5, "900150983CD24FB0D6963F7D28E17F72  a", "a"},
      {"name with spaces and (brackets)", HashKind::Md5, kMd5Abc + "  my file (1).txt",
       "my file (1).txt"},
      {"escaped name", HashKind::Md5, "\\" + kMd5Abc + "  back\\\\slash\\nline",
       "back\\slash\nline"},
      {"CRLF line end", HashKind::Sha256, kSha256Abc + "  win.iso\r", "win.iso", HashKind::Sha256},
      {"BSD tag", HashKind::Sha256, "SHA256 (dir/b.bin) = " + kSha256Abc, "dir/b.bin",
       HashKind::Sha256},
      {"BSD tag of another hash in a .md5", HashKind::Md5, "SHA256 (c) = " + kSha256Abc, "c",
       HashKind::Sha256},
      {"SFV", HashKind::Crc32, "Disc 1\\track01.bin 352441C2", "Disc 1/track01.bin",
       HashKind::Crc32},
      {"doubled slashes and dots", HashKind::Md5, kMd5Abc + "  ./a//./b", "a/b"},
      {"blank", HashKind::Md5, "   ", ""},
      {"comment", HashKind::Md5, "# made by hand", ""},
      {"SFV comment", HashKind::Crc32, "; generated", ""},
      {"short hex", HashKind::Md5, "900150983cd24fb0  a", "", HashKind::Md5, 1},
      {"SHA-256 length in an MD5 list", HashKind::Md5, kSha256Abc + "  a", "", HashKind::Md5, 1},
      {"one space too few", HashKind::Md5, kMd5Abc + " a", "", HashKind::Md5, 1},
      {"not hex", HashKind::Md5, "z00150983cd24fb0d6963f7d28e17f72  a", "", HashKind::Md5, 1},
      {"unknown BSD hash", HashKind::Md5, "SHA3 (a) = " + kMd5Abc, "", HashKind::Md5, 1},
      {"SFV without CRC", HashKind::Crc32, "lonely.bin", "", HashKind::Md5, 1},
      {"bad escape", HashKind::Md5, "\\" + kMd5Abc + "  a\\tb", "", HashKind::Md5, 1},
      {"climbs out", HashKind::Md5, kMd5Abc + "  ../etc/passwd", "", HashKind::Md5, 0, 1},
      {"climbs out midway", HashKind::Md5, kMd5Abc + "  a/../../b", "", HashKind::Md5, 0, 1},
      {"absolute", HashKind::Md5, kMd5Abc + "  /etc/passwd", "", HashKind::Md5, 0, 1},
      {"nothing but dots", HashKind::Md5, kMd5Abc + "  ./.", "", HashKind::Md5, 0, 1},
      {"SFV absolute", HashKind::Crc32, "\\x.bin 352441C2", "", HashKind::Md5, 0, 1},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.what);
    const ParsedList list = ParseChecksumList(c.line + "\n", c.listKind);
    EXPECT_EQ(list.malformedLines, c.malformed);
    EXPECT_EQ(list.refusedPaths, c.refused);
    if (c.path.empty()) {
      EXPECT_TRUE(list.entries.empty());
      continue;
    }
    ASSERT_EQ(list.entries.size(), 1u);
    EXPECT_EQ(list.entries[0].path, c.path);
    EXPECT_EQ(list.entries[0].kind, c.kind);
    EXPECT_EQ(list.entries[0].digest.size(), DigestSize(c.kind));
  }
}

TEST(ParseChecksumList, KeepsTheDigestAndCountsEveryLineOnce) {
  const ParsedList list = ParseChecksumList(
      kMd5Abc + "  one\n" + "garbage\n" + kMd5Abc + "  ../two\n" + kMd5Abc + "  three",
      HashKind::Md5);
  ASSERT_EQ(list.entries.size(), 2u);
  EXPECT_EQ(HexText(list.entries[0].digest), kMd5Abc);
  EXPECT_EQ(list.entries[1].path, "three");  // the last line needs no line end
  EXPECT_EQ(list.malformedLines, 1);
  EXPECT_EQ(list.refusedPaths, 1);
  EXPECT_FALSE(list.capped);
}

// A huge list stops at its cap and says so, rather than growing without end.
TEST(ParseChecksumList, StopsAtItsCap) {
  std::string text;
  const std::string line = kMd5Abc + "  f\n";
  text.reserve(line.size() * (kMaxListEntries + 2));
  for (std::size_t i = 0; i < kMaxListEntries + 2; ++i) text += line;
  const ParsedList list = ParseChecksumList(text, HashKind::Md5);
  EXPECT_EQ(list.entries.size(), kMaxListEntries);
  EXPECT_TRUE(list.capped);
}

}  // namespace
