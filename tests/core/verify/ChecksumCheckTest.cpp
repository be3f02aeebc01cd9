// Lists matched to a disc's files: paths from each list's own folder, the
// outcomes of every listed file, and the lists' own entries.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/verify/ChecksumCheck.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

DigestBytes Md5(const std::string& text) {
  return DigestOf(HashKind::Md5, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::string Line(const std::string& content, const std::string& path) {
  return HexText(Md5(content)) + "  " + path + "\n";
}

// Every kind's digest of a list's own text, as the files test computes them.
std::vector<DigestBytes> Own(const std::string& text) {
  std::vector<DigestBytes> digests;
  for (const HashKind kind : kAllHashKinds)
    digests.push_back(
        DigestOf(kind, reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  return digests;
}

TEST(ChecksumCheck, FindsTheListsAmongTheFiles) {
  EXPECT_THAT(
      ChecksumCheck::ListsAmong({"/a.txt", "/md5sum.txt", "/dists/SHA256SUMS", "/x/album.sfv",
                                 "/x/Grüße.md5", "/sha1sums"}),
      ElementsAre("/md5sum.txt", "/dists/SHA256SUMS", "/x/album.sfv", "/x/Grüße.md5", "/sha1sums"));
}

TEST(ChecksumCheck, ClassesEachListedFile) {
  const std::vector<std::string> files = {"/md5sum.txt", "/pool/a.deb", "/pool/b.deb",
                                          "/pool/c.deb", "/README",     "/Boot/GRUB.CFG"};
  const std::string list = Line("a", "./pool/a.deb") + Line("b", "pool/b.deb") +
                           Line("c", "pool/c.deb") + Line("gone", "pool/gone.deb") +
                           Line("cfg", "boot/grub.cfg") + Line("x", "../outside") + "not a line\n" +
                           Line("self", "md5sum.txt");
  ChecksumCheck check;
  check.AddList("/md5sum.txt", list, Own(list));
  check.Resolve(files);

  EXPECT_THAT(check.KindsFor("/pool/a.deb"), ElementsAre(HashKind::Md5));
  EXPECT_THAT(check.KindsFor("/README"), IsEmpty());  // named by no list: only read
  // Found in another case when nothing matches as written.
  EXPECT_THAT(check.KindsFor("/Boot/GRUB.CFG"), ElementsAre(HashKind::Md5));

  const std::vector<DigestBytes> a = {Md5("a")}, wrong = {Md5("not b")}, cfg = {Md5("cfg")};
  EXPECT_FALSE(check.Record("/pool/a.deb", &a));
  EXPECT_TRUE(check.Record("/pool/b.deb", &wrong));
  EXPECT_FALSE(check.Record("/pool/c.deb", nullptr));
  EXPECT_FALSE(check.Record("/Boot/GRUB.CFG", &cfg));
  EXPECT_FALSE(check.Record("/README", &a));  // not listed: no outcome

  const ChecksumReport& report = check.Report();
  EXPECT_THAT(report.lists, ElementsAre("/md5sum.txt"));
  EXPECT_EQ(report.matched, 2);
  EXPECT_THAT(report.differ, ElementsAre("/pool/b.deb"));
  ASSERT_EQ(report.mismatches.size(), 1u);
  EXPECT_EQ(report.mismatches[0].path, "/pool/b.deb");
  EXPECT_EQ(report.mismatches[0].kind, HashKind::Md5);
  EXPECT_EQ(report.mismatches[0].expected, Md5("b"));
  EXPECT_EQ(report.mismatches[0].actual, Md5("not b"));
  EXPECT_THAT(report.missing, ElementsAre("/pool/gone.deb"));
  EXPECT_THAT(report.unreadable, ElementsAre("/pool/c.deb"));
  EXPECT_EQ(report.malformedLines, 1);
  EXPECT_EQ(report.refusedPaths, 1);
  EXPECT_EQ(report.selfNamed, 1);
}

// Paths count from the list's folder; a list may name another list, which
// was read before any list was known; two names that differ only in case
// are not guessed between.
TEST(ChecksumCheck, ResolvesFromEachListsFolder) {
  const std::string inner =
      Line("1", "one.bin") + "SHA256 (two.bin) = " +
      HexText(DigestOf(HashKind::Sha256, reinterpret_cast<const std::uint8_t*>("2"), 1)) + "\n";
  const std::string outer =
      Line(inner, "sub/files.md5") + Line("A", "sub/CASE") + Line("x", "sub/Twin");
  ChecksumCheck check;
  check.AddList("/SUMS.md5", outer, Own(outer));
  check.AddList("/sub/files.md5", inner, Own(inner));
  check.Resolve({"/SUMS.md5", "/sub/files.md5", "/sub/one.bin", "/sub/two.bin", "/sub/case",
                 "/sub/twin", "/sub/TWIN"});
  EXPECT_THAT(check.KindsFor("/sub/two.bin"), ElementsAre(HashKind::Sha256));
  const std::vector<DigestBytes> one = {Md5("1")};
  const std::vector<DigestBytes> two = {
      DigestOf(HashKind::Sha256, reinterpret_cast<const std::uint8_t*>("2"), 1)};
  const std::vector<DigestBytes> upper = {Md5("A")};
  check.Record("/sub/one.bin", &one);
  check.Record("/sub/two.bin", &two);
  check.Record("/sub/case", &upper);
  const ChecksumReport& report = check.Report();
  EXPECT_EQ(report.matched, 4);  // one.bin, two.bin, case and the inner list
  EXPECT_THAT(report.differ, IsEmpty());
  EXPECT_THAT(report.missing, ElementsAre("/sub/Twin"));
}

TEST(ChecksumCheck, ListsNotUsedAreNamed) {
  ChecksumCheck check;
  check.AddUnusedList("/huge.sha256", "larger than 64 MiB");
  check.Resolve({"/huge.sha256"});
  EXPECT_THAT(check.Report().notes, ElementsAre("/huge.sha256: larger than 64 MiB, not used"));
  EXPECT_THAT(check.Report().lists, IsEmpty());
}

}  // namespace
