// ISO 9660 decoding on hand-made images: names, extents, and every malformed
// structure ending in an error rather than a crash, a hang or a huge
// allocation.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <string>
#include <vector>

#include "fs/SessionFileSystem.h"
#include "fs/iso9660/ElTorito.h"
#include "fs/iso9660/IsoFileSystem.h"
#include "fs/iso9660/VolumeDescriptors.h"
#include "support/IsoBuilder.h"
#include "udf/MemorySource.h"

namespace wrenlo {
namespace {

using testing_support::DirectoryRecordBytes;
using testing_support::IsoBuilder;
constexpr std::uint32_t kRoot = IsoBuilder::kRoot;
constexpr std::uint8_t kDir = kIsoFlagDirectory;

// Opens the ISO 9660 file system of a hand-made image.
struct Opened {
  explicit Opened(IsoBuilder& builder) : source(builder.Bytes()) {
    result = OpenSessionFileSystem(source, 0, source.SectorCount(), kFileSystemIso9660, fs);
  }
  std::vector<std::u16string> Names(std::u16string_view path, Result expected = kOk) {
    std::vector<DirectoryItem> items;
    EXPECT_EQ(fs.Tree().ListDirectory(path, items), expected);
    std::vector<std::u16string> names;
    for (const DirectoryItem& item : items)
      names.push_back(item.name + (item.isDirectory ? u"/" : u""));
    return names;
  }
  udftest::MemorySource source;
  SessionFileSystem fs;
  Result result;
};

TEST(IsoFileSystem, NamesAsTheyAreShown) {
  IsoBuilder image;
  image.Record(kRoot, "README.;1", 30, 10);
  image.Record(kRoot, "A.TXT;1", 30, 10);
  image.Record(kRoot, "NOVERSION", 30, 10);
  image.Record(kRoot, "ODD;ABC", 30, 10);
  image.Record(kRoot, "DIR.D", 21, 2048, kDir);
  image.Record(kRoot, "ASSOC;1", 30, 10, kIsoFlagAssociated);
  image.Record(kRoot, "A.TXT;2", 31, 10);        // the same name again
  image.Record(kRoot, "OTHER", 21, 2048, kDir);  // the same directory again
  image.Record(kRoot, ".", 30, 10);              // text that names the directory
  image.Record(kRoot, "..", 21, 2048, kDir);
  image.Record(kRoot, "BACK\\SLASH", 31, 10);  // a name like any other
  image.Record(kRoot, "SL/ASH", 30, 10);       // no path can reach it
  image.Record(kRoot, ";1", 30, 10);           // empty once the version goes
  image.Directory(21, kRoot);
  Opened opened(image);
  ASSERT_EQ(opened.result, kOk);
  EXPECT_EQ(opened.Names(u""),
            (std::vector<std::u16string>{u"README", u"A.TXT", u"NOVERSION", u"ODD;ABC", u"DIR.D/",
                                         u"BACK\\SLASH"}));
  EXPECT_TRUE(opened.Names(u"/DIR.D").empty());
  // Paths start at the root, with or without their leading '/'.
  EXPECT_TRUE(opened.Names(u"DIR.D").empty());
  std::vector<Extent> extents;
  EXPECT_EQ(opened.fs.Tree().FileExtents(u"/BACK\\SLASH", extents), kOk);
  ASSERT_EQ(extents.size(), 1u);
  EXPECT_EQ(extents[0].start, 31u);
  EXPECT_EQ(opened.fs.Tree().FileExtents(u"/BACK", extents), kNotFound);
}

TEST(IsoFileSystem, FileExtents) {
  IsoBuilder image(80);
  // A multi-extent file, an empty one, one behind a 2-sector extended
  // attribute record, an interleaved one, one beyond the medium.
  image.Record(kRoot, "MULTI;1", 30, 4096, kIsoFlagMultiExtent);
  image.Record(kRoot, "MULTI;1", 40, 100);
  image.Record(kRoot, "EMPTY;1", 0, 0);
  std::vector<std::uint8_t> xar = DirectoryRecordBytes("XAR;1", 50, 2049, 0);
  xar[1] = 2;
  image.Raw(kRoot, xar);
  std::vector<std::uint8_t> interleaved = DirectoryRecordBytes("INTER;1", 60, 4096, 0);
  interleaved[26] = 1;
  interleaved[27] = 1;
  image.Raw(kRoot, interleaved);
  image.Record(kRoot, "FAR;1", 0xFFFFFFF0u, 0xFFFFFFFFu);
  Opened opened(image);
  ASSERT_EQ(opened.result, kOk);
  EXPECT_EQ(opened.Names(u""),
            (std::vector<std::u16string>{u"MULTI", u"EMPTY", u"XAR", u"INTER", u"FAR"}));

  const auto extents = [&](std::u16string_view path, Result expected = kOk) {
    std::vector<Extent> out;
    EXPECT_EQ(opened.fs.Tree().FileExtents(path, out), expected)
        << testing::PrintToString(path.size());
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pairs;
    for (const Extent& e : out) pairs.emplace_back(e.start, e.count);
    return pairs;
  };
  using Pairs = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
  EXPECT_EQ(extents(u"MULTI"), (Pairs{{30, 2}, {40, 1}}));
  EXPECT_EQ(extents(u"EMPTY"), Pairs{});
  EXPECT_EQ(extents(u"XAR"), (Pairs{{52, 2}}));
  EXPECT_EQ(extents(u"INTER", kUnsupported), Pairs{});
  // Reported as it is; VerifyFile finds it outside the medium.
  EXPECT_EQ(extents(u"FAR"), (Pairs{{0xFFFFFFF0u, 2097152}}));
  EXPECT_EQ(extents(u"NONE", kNotFound), Pairs{});
  EXPECT_EQ(extents(u"", kNotAFile), Pairs{});
  EXPECT_EQ(extents(u"/MULTI/X", kNotADirectory), Pairs{});
}

TEST(IsoFileSystem, MalformedDirectoriesGiveErrors) {
  struct Case {
    const char* what;
    void (*build)(IsoBuilder&);
    std::u16string path;
    Result expected;
  };
  const Case cases[] = {
      {"a child that is the root",
       [](IsoBuilder& b) { b.Record(kRoot, "LOOP", kRoot, 2048, kDir); }, u"/LOOP",
       kCorruptFileSystem},
      {"a child that is its own parent's parent",
       [](IsoBuilder& b) {
         b.Record(kRoot, "A", 21, 2048, kDir);
         b.Directory(21, kRoot);
         b.Record(21, "B", 22, 2048, kDir);
         b.Directory(22, 21);
         b.Record(22, "UP", 21, 2048, kDir);
       },
       u"/A/B/UP", kCorruptFileSystem},
      {"a child that is itself",
       [](IsoBuilder& b) {
         b.Record(kRoot, "A", 21, 2048, kDir);
         b.Directory(21, kRoot);
         b.Record(21, "SELF", 21, 2048, kDir);
       },
       u"/A/SELF", kCorruptFileSystem},
      {"a record running past its sector",
       [](IsoBuilder& b) {
         // Seven records of 254 bytes after '.' and '..' end at byte 1846.
         for (char c = 'A'; c < 'H'; ++c) b.Record(kRoot, std::string(221, c), 30, 10);
         std::vector<std::uint8_t> record = DirectoryRecordBytes("LONG", 30, 10, 0);
         record[0] = 255;
         b.Raw(kRoot, record);
       },
       u"", kCorruptFileSystem},
      {"a record shorter than its header",
       [](IsoBuilder& b) {
         std::vector<std::uint8_t> record = DirectoryRecordBytes("SHORT", 30, 10, 0);
         record[0] = 20;
         b.Raw(kRoot, record);
       },
       u"", kCorruptFileSystem},
      {"a name longer than its record",
       [](IsoBuilder& b) {
         std::vector<std::uint8_t> record = DirectoryRecordBytes("NAME", 30, 10, 0);
         record[32] = 40;
         b.Raw(kRoot, record);
       },
       u"", kCorruptFileSystem},
      {"an empty name",
       [](IsoBuilder& b) {
         std::vector<std::uint8_t> record = DirectoryRecordBytes("NAME", 30, 10, 0);
         record[32] = 0;
         b.Raw(kRoot, record);
       },
       u"", kCorruptFileSystem},
      {"a directory beyond the medium",
       [](IsoBuilder& b) { b.Record(kRoot, "FAR", 1000, 2048, kDir); }, u"/FAR",
       kCorruptFileSystem},
      {"a directory ending beyond the medium",
       [](IsoBuilder& b) { b.Record(kRoot, "LONG", 60, 10 * 2048, kDir); }, u"/LONG",
       kCorruptFileSystem},
      {"an absurd directory size",
       [](IsoBuilder& b) { b.Record(kRoot, "HUGE", 21, 0xFFFFFFFFu, kDir); }, u"/HUGE",
       kCorruptFileSystem},
      {"a root that is absurdly large", [](IsoBuilder& b) { b.RootLength(0x7FFFFFFF); }, u"",
       kCorruptFileSystem},
      {"a path through a file", [](IsoBuilder& b) { b.Record(kRoot, "FILE;1", 30, 10); },
       u"/FILE/X", kNotADirectory},
      {"an empty name in the path", [](IsoBuilder&) {}, u"//", kNotFound},
      {"a missing directory", [](IsoBuilder&) {}, u"/NOWHERE", kNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    IsoBuilder image;
    c.build(image);
    Opened opened(image);
    ASSERT_EQ(opened.result, kOk);
    opened.Names(c.path, c.expected);
  }
}

TEST(IsoFileSystem, DepthIsCapped) {
  // A chain of 70 nested directories, each one sector.
  IsoBuilder image(100);
  std::uint32_t parent = kRoot;
  for (std::uint32_t sector = 21; sector < 91; ++sector) {
    image.Record(parent, "D", sector, 2048, kDir);
    image.Directory(sector, parent);
    parent = sector;
  }
  Opened opened(image);
  std::u16string path = u"/D";
  for (std::size_t depth = 1; depth < kMaxDirectoryDepth - 1; ++depth) path += u"/D";
  EXPECT_EQ(opened.Names(path), std::vector<std::u16string>{u"D/"});
  path += u"/D";
  opened.Names(path, kTooLarge);
}

TEST(IsoFileSystem, ADirectoryOfMoreThanSixteenMegabytesIsReadInPieces) {
  // 8 records of 254 bytes a sector over 8,200 sectors: 65,600 files in a
  // directory of 16.4 MB, which a cap on a directory's bytes refused. It is
  // listed whole, read a few sectors at a time.
  constexpr std::uint32_t kSectors = 8200, kPerSector = 8, kDirectory = 21;
  IsoBuilder image(kDirectory + kSectors + 1);
  image.Record(kRoot, "BIG", kDirectory, kSectors * 2048, kDir);
  std::vector<std::uint8_t>& bytes = image.Bytes();
  for (std::uint32_t sector = 0; sector < kSectors; ++sector)
    for (std::uint32_t i = 0; i < kPerSector; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "F%07u", sector * kPerSector + i);
      const std::vector<std::uint8_t> record = DirectoryRecordBytes(
          std::string(name) + std::string(211, 'X') + ";1", kDirectory + kSectors, 10, 0);
      ASSERT_EQ(record.size(), 254u);
      std::copy(record.begin(), record.end(),
                bytes.begin() + (std::size_t{kDirectory} + sector) * 2048 + i * 254);
    }
  udftest::MemorySource memory(bytes);
  udftest::WidestRead source(memory);
  SessionFileSystem fs;
  ASSERT_EQ(OpenSessionFileSystem(source, 0, source.SectorCount(), kFileSystemIso9660, fs), kOk);
  std::vector<DirectoryItem> items;
  ASSERT_EQ(fs.Tree().ListDirectory(u"/BIG", items), kOk);
  ASSERT_EQ(items.size(), std::size_t{kSectors} * kPerSector);
  EXPECT_EQ(items.back().name, u"F0065599" + std::u16string(211, u'X'));
  std::vector<Extent> extents;
  EXPECT_EQ(fs.Tree().FileExtents(u"/BIG/" + items.back().name, extents), kOk);
  EXPECT_LE(source.widest, 16u);
}

TEST(IsoFileSystem, ManyLookUpsInABigDirectoryReadItOnce) {
  // 320 files in a directory of 8 sectors: finding every one of them reads
  // the root and the directory once, not once per file.
  IsoBuilder image(100);
  image.Record(kRoot, "DIR", 21, 8 * 2048, kDir);
  image.Directory(21, kRoot);
  std::vector<std::u16string> paths;
  for (int i = 0; i < 320; ++i) {
    const std::string name = "F" + std::to_string(1000 + i);
    image.Record(21 + static_cast<std::uint32_t>(i / 40), name + ";1", 40, 100);
    paths.push_back(u"/DIR/" + std::u16string(name.begin(), name.end()));
  }
  Opened opened(image);
  ASSERT_EQ(opened.result, kOk);
  const std::uint64_t before = opened.source.Reads();
  for (const std::u16string& path : paths) {
    std::vector<Extent> extents;
    ASSERT_EQ(opened.fs.Tree().FileExtents(path, extents), kOk);
  }
  EXPECT_EQ(opened.source.Reads() - before, 1u + 8u);
}

TEST(IsoFileSystem, EachDirectoryIsReachedOnce) {
  // Two names for one directory, in one directory and in two: a walk of
  // every path visits it once, so doubling at each level cannot make the walk
  // exponential. The first directory to reach it keeps it.
  IsoBuilder image;
  image.Record(kRoot, "A", 21, 2048, kDir);
  image.Record(kRoot, "B", 21, 2048, kDir);
  image.Record(kRoot, "C", 22, 2048, kDir);
  image.Directory(21, kRoot);
  image.Directory(22, kRoot);
  image.Record(21, "X", 23, 2048, kDir);
  image.Record(22, "X", 23, 2048, kDir);
  image.Directory(23, 21);
  Opened opened(image);
  EXPECT_EQ(opened.Names(u""), (std::vector<std::u16string>{u"A/", u"C/"}));
  EXPECT_EQ(opened.Names(u"A"), std::vector<std::u16string>{u"X/"});
  opened.Names(u"/A/X");
  opened.Names(u"/C/X", kCorruptFileSystem);
}

// SUSP entries as recorded: signature, length, version 1, data.
using Field = std::vector<std::uint8_t>;
Field Entry(const char* signature, const Field& data) {
  Field entry{static_cast<std::uint8_t>(signature[0]), static_cast<std::uint8_t>(signature[1]),
              static_cast<std::uint8_t>(4 + data.size()), 1};
  entry.insert(entry.end(), data.begin(), data.end());
  return entry;
}
constexpr std::uint8_t kMore = 0x01;  // NM: the name goes on in the next NM entry
Field Nm(std::string_view part, std::uint8_t flags = 0) {
  Field data{flags};
  data.insert(data.end(), part.begin(), part.end());
  return Entry("NM", data);
}
Field Sp(std::uint8_t skip) { return Entry("SP", {0xBE, 0xEF, skip}); }
Field Ce(std::uint32_t block, std::uint32_t offset, std::uint32_t length) {
  Field data;
  for (const std::uint32_t value : {block, offset, length})
    for (int i = 0; i < 8; ++i)
      data.push_back(static_cast<std::uint8_t>(value >> (8 * (i < 4 ? i : 7 - i))));
  return Entry("CE", data);
}
Field Join(std::initializer_list<Field> fields) {
  Field out;
  for (const Field& field : fields) out.insert(out.end(), field.begin(), field.end());
  return out;
}

TEST(IsoFileSystem, RockRidgeNames) {
  // One file "ISONAME;1" whose system use field is given, in a root whose "."
  // record announces SUSP (unless rootField says otherwise); sector 30 holds
  // continuation areas. A record whose entries cannot be used keeps its ISO
  // 9660 name.
  constexpr std::uint32_t kArea = 30;
  struct Case {
    const char* what;
    Field rootField;
    Field field;
    Field area;  // the bytes at the start of sector kArea
    std::u16string shown;
  };
  const Field loop = Ce(kArea, 0, 28);  // an area that continues in itself
  Field tooLong;                        // 8 entries of 200 bytes of name, one area after another
  for (std::uint32_t i = 0; i < 8; ++i)
    tooLong = Join({tooLong, Nm(std::string(200, 'n'), kMore), Ce(kArea, (i + 1) * 233, 233)});
  const Case cases[] = {
      {"one entry", Sp(0), Nm("Long Name.txt"), {}, u"Long Name.txt"},
      {"parts over a continuation area", Sp(0),
       Join({Entry("PX", Field(32, 0)), Nm("first ", kMore), Ce(kArea, 100, 40)}),
       Join({Field(100, 0), Nm("second"), Entry("PD", Field(10, 0))}), u"first second"},
      {"bytes skipped before the entries", Sp(3), Join({{1, 2, 3}, Nm("skipped")}), {}, u"skipped"},
      {"UTF-8", Sp(0), Nm("Grüße"), {}, u"Grüße"},
      {"bytes that are not UTF-8", Sp(0), Nm("caf\xE9"), {}, u"café"},
      {"an entry after the terminator",
       Sp(0),
       Join({Entry("ST", {}), Nm("after")}),
       {},
       u"ISONAME"},
      {"no SUSP in the root", {}, Nm("ignored"), {}, u"ISONAME"},
      {"an SP with wrong check bytes", Entry("SP", {0xBE, 0xEE, 0}), Nm("ignored"), {}, u"ISONAME"},
      {"a name for the directory itself", Sp(0), Nm("", 0x02), {}, u"ISONAME"},
      {"an entry running past the field",
       Sp(0),
       Join({{'N', 'M', 200, 1, 0}, Nm("name")}),
       {},
       u"ISONAME"},
      {"an entry shorter than its header",
       Sp(0),
       Join({{'X', 'X', 2, 1}, Nm("name")}),
       {},
       u"ISONAME"},
      {"a continuation area in a loop", Sp(0), Join({Nm("loop", kMore), loop}), loop, u"ISONAME"},
      {"a continuation area past its sector",
       Sp(0),
       Join({Nm("a", kMore), Ce(kArea, 2000, 100)}),
       {},
       u"ISONAME"},
      {"a continuation area beyond the medium",
       Sp(0),
       Join({Nm("a", kMore), Ce(100000, 0, 10)}),
       {},
       u"ISONAME"},
      {"a name longer than 1023 bytes", Sp(0), Join({Nm("n", kMore), Ce(kArea, 0, 233)}), tooLong,
       u"ISONAME"},
      {"a name no path can address: ..", Sp(0), Nm(".."), {}, u"ISONAME"},
      {"a name no path can address: a slash", Sp(0), Nm("a/b"), {}, u"ISONAME"},
      {"a name no path can address: NUL", Sp(0), Nm(std::string_view("a\0b", 3)), {}, u"ISONAME"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    IsoBuilder image;
    image.Directory(kRoot, kRoot, c.rootField);
    image.Record(kRoot, "ISONAME;1", 40, 100, 0, c.field);
    if (!c.area.empty()) image.Raw(kArea, c.area);
    Opened opened(image);
    ASSERT_EQ(opened.result, kOk);
    EXPECT_EQ(opened.Names(u""), std::vector<std::u16string>{c.shown});
    // Files are found by the name shown, and only by it.
    std::vector<Extent> extents;
    EXPECT_EQ(opened.fs.Tree().FileExtents(c.shown, extents), kOk);
    EXPECT_EQ(extents.size(), 1u);
    if (c.shown != u"ISONAME") {
      EXPECT_EQ(opened.fs.Tree().FileExtents(u"ISONAME", extents), kNotFound);
    }
  }
}

TEST(IsoFileSystem, ARockRidgeNameTakenBeforeKeepsItsIsoName) {
  // Two files with one Rock Ridge name: the second is listed under its ISO
  // 9660 name rather than lost; a third whose ISO 9660 name is taken too is
  // left out, as a repeated name always is.
  IsoBuilder image;
  image.Directory(kRoot, kRoot, Sp(0));
  image.Record(kRoot, "FIRST;1", 40, 100, 0, Nm("photo.jpg"));
  image.Record(kRoot, "SECOND;1", 41, 100, 0, Nm("photo.jpg"));
  image.Record(kRoot, "SECOND;1", 42, 100, 0, Nm("photo.jpg"));
  Opened opened(image);
  ASSERT_EQ(opened.result, kOk);
  EXPECT_EQ(opened.Names(u""), (std::vector<std::u16string>{u"photo.jpg", u"SECOND"}));
  std::vector<Extent> extents;
  ASSERT_EQ(opened.fs.Tree().FileExtents(u"SECOND", extents), kOk);
  EXPECT_EQ(extents.at(0).start, 41u);
}

// A both-endian 32-bit field (8 bytes).
Field BothEndian(std::uint32_t value) {
  Field data;
  for (int i = 0; i < 8; ++i)
    data.push_back(static_cast<std::uint8_t>(value >> (8 * (i < 4 ? i : 7 - i))));
  return data;
}
// SL: flags, then component records (flags, length, content).
struct Component {
  std::uint8_t flags;
  std::string_view content;
};
constexpr std::uint8_t kContinues = 0x01, kCurrent = 0x02, kParent = 0x04, kFromRoot = 0x08;
Field Sl(std::initializer_list<Component> components, std::uint8_t flags = 0) {
  Field data{flags};
  for (const Component& c : components) {
    data.push_back(c.flags);
    data.push_back(static_cast<std::uint8_t>(c.content.size()));
    data.insert(data.end(), c.content.begin(), c.content.end());
  }
  return Entry("SL", data);
}

// What a tree's layout walk visits: each item's name with its kind (a link
// with its target) and first sector.
std::vector<std::string> LayoutOf(const FileSystem& tree) {
  std::vector<std::string> items;
  EXPECT_EQ(tree.Layout([&](const LayoutItem& item) {
    std::string text(item.name.begin(), item.name.end());
    if (item.kind == LayoutKind::kLink)
      text += " -> " + std::string(item.target.begin(), item.target.end());
    else if (!item.extents.empty())
      text += " @" + std::to_string(item.extents[0].start);
    items.push_back(text);
    return kOk;
  }),
            kOk);
  return items;
}

TEST(IsoFileSystem, RockRidgeLinks) {
  // One record "LINK;1" with the SL entries given (sector 30 holds a
  // continuation area): listed as a link with its target, or, when its
  // entries cannot be used, as the file it is recorded as.
  constexpr std::uint32_t kArea = 30;
  struct Case {
    const char* what;
    Field field;
    Field area;
    std::string target;  // empty: no link
  };
  const Case cases[] = {
      {"relative", Sl({{0, "back"}, {0, "inner.txt"}}), {}, "back/inner.txt"},
      {"from the root", Sl({{kFromRoot, ""}, {0, "etc"}, {0, "hostname"}}), {}, "/etc/hostname"},
      {"the parent and the directory itself",
       Sl({{kParent, ""}, {kCurrent, ""}, {0, "x"}}),
       {},
       ".././x"},
      {"a name with a backslash", Sl({{0, "a\\b"}}), {}, "a\\b"},
      {"a component split over two entries",
       Join({Sl({{kContinues, "lo"}}, kContinues), Sl({{0, "ng"}, {0, "b"}})}),
       {},
       "long/b"},
      {"entries in a continuation area", Join({Nm("link"), Ce(kArea, 8, 16)}),
       Join({Field(8, 0), Sl({{0, "far"}, {0, "away"}})}), "far/away"},
      {"a component past its entry", Join({Entry("SL", {0, 0, 40, 'x'})}), {}, ""},
      {"a component without its length", Join({Entry("SL", {0, 0})}), {}, ""},
      // 17 entries of 240 bytes, in three areas one after another.
      {"a target longer than 4095 bytes", Join({Nm("link", kMore), Ce(kArea, 0, 2048)}),
       [] {
         Field areas;
         for (std::uint32_t sector = 0; sector < 3; ++sector) {
           Field area;
           for (int i = 0; i < (sector < 2 ? 8 : 1); ++i)
             area = Join({area, Sl({{0, std::string(240, 'x')}}, kContinues)});
           if (sector < 2) area = Join({area, Ce(kArea + sector + 1, 0, 2048)});
           area.resize(2048);
           areas = Join({areas, area});
         }
         return areas;
       }(),
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    IsoBuilder image;
    image.Directory(kRoot, kRoot, Sp(0));
    image.Record(kRoot, "LINK;1", 0, 0, 0, Join({Nm("link"), c.field}));
    if (!c.area.empty()) image.Raw(kArea, c.area);
    Opened opened(image);
    ASSERT_EQ(opened.result, kOk);
    std::vector<DirectoryItem> items;
    ASSERT_EQ(opened.fs.Tree().ListDirectory(u"/", items), kOk);
    ASSERT_EQ(items.size(), 1u);
    const bool linked = !c.target.empty();
    EXPECT_EQ(items[0].isLink, linked);
    EXPECT_EQ(items[0].name, linked ? u"link" : u"LINK");
    std::vector<Extent> extents;
    EXPECT_EQ(opened.fs.Tree().FileExtents(linked ? u"/link" : u"/LINK", extents),
              linked ? kNotAFile : kOk);
    if (linked) {
      std::vector<std::string> expected{"Root directory @20", "/link -> " + c.target};
      if (!c.area.empty()) expected.push_back("Rock Ridge continuation areas @30");
      EXPECT_EQ(LayoutOf(opened.fs.Tree()), expected);
    }
  }
}

TEST(IsoFileSystem, RelocatedDirectoriesWhereTheyBelong) {
  // As genisoimage relocates a deep directory: /A holds a file record
  // "DEEP" whose CL entry points to sector 23, recorded in /rr_moved with
  // an RE entry; its ".." names rr_moved (and its PL entry /A).
  const auto build = [](bool otherFileInRelocationDirectory, std::uint32_t childLink) {
    IsoBuilder image;
    image.Directory(kRoot, kRoot, Sp(0));
    image.Record(kRoot, "A", 21, 2048, kDir, Nm("A"));
    image.Record(kRoot, "RR_MOVED", 22, 2048, kDir, Nm("rr_moved"));
    image.Directory(21, kRoot);
    image.Record(21, "DEEP;1", 0, 0, 0, Join({Nm("deep"), Entry("CL", BothEndian(childLink))}));
    image.Directory(22, kRoot);
    image.Record(22, "DEEP", 23, 2048, kDir, Join({Nm("deep"), Entry("RE", {})}));
    if (otherFileInRelocationDirectory) image.Record(22, "OTHER;1", 41, 10, 0, Nm("other"));
    image.Directory(23, 22);
    image.Record(23, "F.TXT;1", 40, 10, 0, Nm("f.txt"));
    return image;
  };
  {
    IsoBuilder image = build(false, 23);
    Opened opened(image);
    ASSERT_EQ(opened.result, kOk);
    EXPECT_EQ(opened.Names(u"/"), std::vector<std::u16string>{u"A/"});
    EXPECT_EQ(opened.Names(u"/A"), std::vector<std::u16string>{u"deep/"});
    EXPECT_EQ(opened.Names(u"/A/deep"), std::vector<std::u16string>{u"f.txt"});
    opened.Names(u"/rr_moved", kNotFound);
    // The relocation directory's sectors are the tree's all the same.
    EXPECT_EQ(
        LayoutOf(opened.fs.Tree()),
        (std::vector<std::string>{"Root directory @20", "Directory /A @21", "Directory /A/deep @23",
                                  "/A/deep/f.txt @40", "Directory /rr_moved @22"}));
  }
  {
    // A relocation directory that holds anything else is a folder like any.
    IsoBuilder image = build(true, 23);
    Opened opened(image);
    EXPECT_EQ(opened.Names(u"/"), (std::vector<std::u16string>{u"A/", u"rr_moved/"}));
    EXPECT_EQ(opened.Names(u"/rr_moved"), std::vector<std::u16string>{u"other"});
  }
  for (const std::uint32_t nowhere : {60u, 100000u}) {
    // A link to a sector holding no directory, or beyond the medium: the
    // directory cannot be listed, and says so.
    SCOPED_TRACE(nowhere);
    IsoBuilder image = build(false, nowhere);
    Opened opened(image);
    EXPECT_EQ(opened.Names(u"/A"), std::vector<std::u16string>{u"deep/"});
    opened.Names(u"/A/deep", kCorruptFileSystem);
  }
}

TEST(VolumeDescriptors, WhatMakesAVolume) {
  {
    IsoBuilder image;
    image.Bytes()[16 * 2048 + 1] = 'X';  // no "CD001"
    udftest::MemorySource source(image.Bytes());
    VolumeDescriptorArea area;
    EXPECT_EQ(ReadVolumeDescriptorArea(source, 0, source.SectorCount(), area), kNoFileSystem);
    EXPECT_EQ(ProbeContent(source, 0, source.SectorCount()), 0);
  }
  {
    IsoBuilder image;
    image.Bytes()[16 * 2048 + 129] = 0x02;  // logical block size 512
    udftest::MemorySource source(image.Bytes());
    SessionFileSystem fs;
    EXPECT_EQ(OpenSessionFileSystem(source, 0, source.SectorCount(), kFileSystemAny, fs),
              kNoFileSystem);
  }
  {
    // No terminator: 64 primary descriptors and then more; the walk stops.
    IsoBuilder image(200);
    for (std::uint32_t s = 17; s < 190; ++s)
      std::copy_n(image.Bytes().begin() + 16 * 2048, 2048, image.Bytes().begin() + s * 2048);
    udftest::MemorySource source(image.Bytes());
    VolumeDescriptorArea area;
    EXPECT_EQ(ReadVolumeDescriptorArea(source, 0, source.SectorCount(), area), kOk);
    EXPECT_TRUE(area.set.primary.has_value());
    EXPECT_EQ(area.sectors.size(), kMaxVolumeDescriptors);
    EXPECT_EQ(ProbeContent(source, 0, source.SectorCount()), kContentIso9660);
  }
  {
    // A session too short to hold the descriptors.
    IsoBuilder image;
    udftest::MemorySource source(image.Bytes());
    VolumeDescriptorArea area;
    EXPECT_EQ(ReadVolumeDescriptorArea(source, 0, 16, area), kNoFileSystem);
  }
}

TEST(ElTorito, Catalogs) {
  // A catalog: validation entry (checksum fixed up below), default entry,
  // optionally a section.
  const auto catalog = [](std::uint8_t defaultIndicator, std::uint8_t key, bool section,
                          std::uint8_t sectionIndicator) {
    std::vector<std::uint8_t> bytes(2048, 0);
    bytes[0] = 1;
    bytes[30] = key;
    bytes[31] = 0xAA;
    std::uint16_t sum = 0;
    for (int i = 0; i < 32; i += 2)
      sum = static_cast<std::uint16_t>(sum + (bytes[i] | bytes[i + 1] << 8));
    const auto checksum = static_cast<std::uint16_t>(-sum);
    bytes[28] = checksum & 0xFF;
    bytes[29] = checksum >> 8;
    bytes[32] = defaultIndicator;
    if (section) {
      bytes[64] = 0x91;
      bytes[66] = 2;      // two entries
      bytes[96] = 0x00;   // not bootable
      bytes[128] = 0x44;  // an extension of it
      bytes[160] = sectionIndicator;
    }
    return bytes;
  };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool bootable;
  };
  std::vector<Case> cases = {
      {"bootable default entry", catalog(0x88, 0x55, false, 0), true},
      {"default entry not bootable", catalog(0x00, 0x55, false, 0), false},
      {"bad key", catalog(0x88, 0x54, false, 0), false},
      {"bootable section entry", catalog(0x00, 0x55, true, 0x88), true},
      {"no bootable section entry", catalog(0x00, 0x55, true, 0x00), false},
      {"too short", std::vector<std::uint8_t>(40, 0), false},
  };
  std::vector<std::uint8_t> badSum = catalog(0x88, 0x55, false, 0);
  badSum[4] ^= 1;
  cases.push_back({"bad checksum", badSum, false});
  // Section headers to the end of the sector, each announcing entries that are
  // not there: bounded by the sector.
  std::vector<std::uint8_t> endless = catalog(0x00, 0x55, false, 0);
  for (std::size_t at = 64; at < 2048; at += 32) {
    endless[at] = 0x90;
    endless[at + 2] = 0xFF;
    endless[at + 3] = 0xFF;
  }
  cases.push_back({"section headers to the end", endless, false});
  for (const Case& c : cases) EXPECT_EQ(IsBootableCatalog(c.bytes), c.bootable) << c.what;
}

}  // namespace
}  // namespace wrenlo
