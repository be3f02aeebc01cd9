// BIN/CUE images made at test time as virtual drives: an ISO from xorriso
// turned into raw Mode 1 sectors, an audio track and a Mode 2 track in one
// BIN file, compared with what bchunk extracts from it and with isoinfo on
// that; two sessions in two files; damaged sectors; malformed sheets.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "support/Command.h"
#include "support/EngineApi.h"
#include "support/Fixtures.h"
#include "support/RawCdWriter.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Mode1Sector;
using testing_support::Mode2Form1Sector;
using testing_support::RunCommand;
using testing_support::WriteFile;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kSector = 2048;
constexpr std::uint32_t kAudioPregap = 150;
constexpr std::uint32_t kAudioFrames = 200;
constexpr std::uint32_t kMode2Sectors = 60;
// Where a second session starts after a first one of n sectors.
std::uint32_t SecondSessionStart(std::uint32_t n) { return n + 6750 + 4500 + 150; }

void MustRun(const std::vector<std::string>& argv) {
  const testing_support::CommandResult result = RunCommand(argv);
  ASSERT_EQ(result.exitCode, 0) << argv[0] << ": " << result.output;
}

Bytes Pattern(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>((i * 13 + seed * 101 + i / 2048) & 0xFF);
  return bytes;
}

void Append(Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

void WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// The sectors of a 2048-byte-sector image as raw Mode 1 sectors from address.
Bytes RawMode1(const Bytes& iso, std::uint32_t address) {
  Bytes raw;
  for (std::size_t at = 0; at + kSector <= iso.size(); at += kSector)
    Append(raw, Mode1Sector(address++, iso.data() + at));
  return raw;
}

struct CueImages {
  fs::path dir;
  Bytes iso;  // the data track's 2048-byte sectors
  std::uint32_t dataSectors = 0;
  std::string single;  // data, audio and Mode 2 tracks in one BIN file
  std::string twoSessions;
  std::uint32_t secondStart = 0;
  Bytes secondIso;  // the second session as xorriso wrote it
};

const CueImages& Images() {
  static const CueImages images = [] {
    CueImages made;
    made.dir = fs::path(testing_support::OutputDirectory()) / "cue";
    fs::remove_all(made.dir);
    fs::create_directories(made.dir / "tree" / "DIR");
    fs::create_directories(made.dir / "tree2");
    WriteFile(made.dir / "tree" / "README.TXT", "first session\n");
    const Bytes big = Pattern(70000, 1);
    WriteBytes(made.dir / "tree" / "DIR" / "BIG.BIN", big);
    WriteFile(made.dir / "tree2" / "LATER.TXT", "second session\n");
    const fs::path iso = made.dir / "data.iso";
    MustRun({"xorriso", "-no_rc", "-as", "mkisofs", "-V", "CUEDATA", "-J", "-o", iso,
             made.dir / "tree"});
    made.iso = testing_support::ReadFile(iso);
    made.dataSectors = static_cast<std::uint32_t>(made.iso.size() / kSector);

    // One file: data, audio with its pregap in the file, Mode 2 Form 1.
    Bytes bin = RawMode1(made.iso, 0);
    Append(bin, Pattern((kAudioPregap + kAudioFrames) * 2352, 2));
    const Bytes form1 = Pattern(kMode2Sectors * kSector, 3);
    const std::uint32_t mode2Start = made.dataSectors + kAudioPregap + kAudioFrames;
    for (std::uint32_t i = 0; i < kMode2Sectors; ++i)
      Append(bin, Mode2Form1Sector(mode2Start + i, form1.data() + i * kSector));
    WriteBytes(made.dir / "single.bin", bin);
    const auto msf = [](std::uint32_t sectors) {
      char text[16];
      std::snprintf(text, sizeof text, "%02u:%02u:%02u", sectors / 4500, sectors / 75 % 60,
                    sectors % 75);
      return std::string(text);
    };
    made.single = made.dir / "single.cue";
    WriteFile(made.single,
              "FILE \"single.bin\" BINARY\r\n"
              "  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n"
              "  TRACK 02 AUDIO\r\n    ISRC ABCDE1234567\r\n"
              "    INDEX 00 " +
                  msf(made.dataSectors) +
                  "\r\n"
                  "    INDEX 01 " +
                  msf(made.dataSectors + kAudioPregap) +
                  "\r\n"
                  "  TRACK 03 MODE2/2352\r\n    INDEX 01 " +
                  msf(mode2Start) + "\r\n");

    // Two sessions in two files, the second made by xorriso to follow the
    // first at the address a disc writer gives it.
    made.secondStart = SecondSessionStart(made.dataSectors);
    const fs::path second = made.dir / "second.iso";
    MustRun({"xorriso", "-no_rc", "-as", "mkisofs", "-C", "0," + std::to_string(made.secondStart),
             "-M", iso, "-V", "SESSION2", "-J", "-o", second, made.dir / "tree2"});
    made.secondIso = testing_support::ReadFile(second);
    WriteBytes(made.dir / "first.bin", RawMode1(made.iso, 0));
    WriteBytes(made.dir / "second session.bin", RawMode1(made.secondIso, made.secondStart));
    made.twoSessions = made.dir / "two.cue";
    WriteFile(made.twoSessions,
              "REM SESSION 01\nFILE first.bin BINARY\n TRACK 01 MODE1/2352\n"
              "  INDEX 01 00:00:00\nREM SESSION 02\n"
              "FILE \"second session.bin\" BINARY\n TRACK 02 MODE1/2352\n"
              "  INDEX 01 00:00:00\n");
    return made;
  }();
  return images;
}

Bytes ReadEngine(std::uint32_t address, std::uint32_t count, std::int32_t* result = nullptr) {
  Bytes out(std::size_t{count} * kSector);
  const std::int32_t r = wrenlo::ReadSectors(
      wrenlo::kCurrentDevice, static_cast<std::int32_t>(address), static_cast<std::int32_t>(count),
      0, out.data(), static_cast<std::int32_t>(out.size()));
  if (result)
    *result = r;
  else
    EXPECT_EQ(r, 0) << "reading " << address;
  return out;
}

// Whole sectors read with the engine's raw mode; result as ReadEngine's.
Bytes ReadWhole(std::uint32_t address, std::uint32_t count, std::int32_t* result = nullptr) {
  Bytes out(std::size_t{count} * 2352);
  const std::int32_t r = wrenlo::ReadSectors(
      wrenlo::kCurrentDevice, static_cast<std::int32_t>(address), static_cast<std::int32_t>(count),
      wrenlo::kReadRawSector, out.data(), static_cast<std::int32_t>(out.size()));
  if (result)
    *result = r;
  else
    EXPECT_EQ(r, 0) << "reading " << address << " whole";
  return out;
}

void UseCue(const std::string& cue) {
  testing_support::UseImages({cue});
  ASSERT_EQ(testing_support::Select(u'D'), 0)
      << testing_support::Narrow(testing_support::DeviceTexts().at(0));
}

// Every path of the session's tree, as ISO 9660 or Joliet.
void Walk(wrenlo::Handle session, const std::u16string& path, std::set<std::string>& out) {
  wrenlo::Handle directory = 0;
  ASSERT_EQ(wrenlo::OpenDirectory(session, path.c_str(), &directory), 0);
  wrenlo::DirectoryEntry entry;
  for (std::int32_t i = 0; wrenlo::ReadDirectory(directory, i, &entry) == 0; ++i) {
    const std::u16string child = path + u"/" + entry.name.str();
    out.insert(testing_support::Narrow(child));
    if (entry.attributes & wrenlo::kAttributeDirectory) Walk(session, child, out);
  }
  wrenlo::CloseDirectory(directory);
}

std::set<std::string> EnginePaths(std::int32_t track) {
  wrenlo::Handle session = 0;
  EXPECT_EQ(
      wrenlo::OpenDiskSession(wrenlo::kCurrentDevice, track, &session, wrenlo::kFileSystemJoliet),
      0);
  std::set<std::string> paths;
  Walk(session, u"", paths);
  wrenlo::CloseDiskSession(session);
  return paths;
}

std::set<std::string> IsoinfoPaths(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{"isoinfo", "-J", "-f"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const testing_support::CommandResult result = RunCommand(argv);
  EXPECT_EQ(result.exitCode, 0) << result.output;
  std::set<std::string> paths;
  std::istringstream lines(result.output);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) paths.insert(line);
  return paths;
}

TEST(CueImage, TracksReadAsBchunkExtractsThem) {
  const CueImages& images = Images();
  const fs::path out = images.dir / "bchunk";
  fs::create_directories(out);
  MustRun({"bchunk", images.dir / "single.bin", images.single, out / "track"});
  const Bytes data = testing_support::ReadFile(out / "track01.iso");
  const Bytes audio = testing_support::ReadFile(out / "track02.cdr");
  const Bytes mode2 = testing_support::ReadFile(out / "track03.iso");

  UseCue(images.single);
  wrenlo::MediumInformation medium{};
  ASSERT_EQ(wrenlo::GetMediumInformation(wrenlo::kCurrentDevice, &medium), 0);
  EXPECT_EQ(medium.typeName.str(), u"CD-ROM");
  EXPECT_EQ(+medium.firstTrack, 1);
  EXPECT_EQ(+medium.lastTrack, 3);
  EXPECT_EQ(+medium.lastSession, 1);
  wrenlo::TrackInformation track{};
  const std::uint8_t modes[] = {1, 0, 2};
  std::int32_t end = 0;  // where the track before ended
  for (std::int32_t n = 1; n <= 3; ++n) {
    ASSERT_EQ(wrenlo::GetTrackInformation(wrenlo::kCurrentDevice, n, &track), 0);
    EXPECT_EQ(track.mode, modes[n - 1]) << "track " << n;
    EXPECT_EQ(+track.number, n);
    EXPECT_EQ(+track.session, 1);
    EXPECT_GE(+track.startSector, end) << "track " << n;  // after it, past any pregap
    EXPECT_GT(+track.sectorCount, 0);
    end = track.startSector + track.sectorCount;
  }
  ASSERT_EQ(wrenlo::GetTrackInformation(wrenlo::kCurrentDevice, 2, &track), 0);
  EXPECT_EQ(+track.startSector, static_cast<std::int32_t>(images.dataSectors + kAudioPregap));
  EXPECT_EQ(+track.sectorCount, static_cast<std::int32_t>(kAudioFrames));
  ASSERT_EQ(wrenlo::GetTrackInformation(wrenlo::kCurrentDevice, 1, &track), 0);
  EXPECT_EQ(track.contentFlags, wrenlo::kContentIso9660 | wrenlo::kContentJoliet);

  // bchunk gives a track from its index 1 up to the next track's first
  // index.
  ASSERT_EQ(data.size(), images.iso.size());
  EXPECT_TRUE(ReadEngine(0, images.dataSectors) == data);
  const std::uint32_t audioStart = images.dataSectors + kAudioPregap;
  ASSERT_EQ(audio.size(), std::size_t{kAudioFrames} * 2352);
  const Bytes frames = ReadEngine(audioStart, kAudioFrames);
  for (std::uint32_t i = 0; i < kAudioFrames; ++i) {
    const auto frame = audio.begin() + i * 2352;
    ASSERT_TRUE(std::equal(frame, frame + kSector, frames.begin() + i * kSector)) << "frame " << i;
  }
  EXPECT_TRUE(ReadEngine(audioStart + kAudioFrames, kMode2Sectors) == mode2);
  // One read across the three tracks.
  const Bytes across = ReadEngine(images.dataSectors - 1, kAudioPregap + kAudioFrames + 2);
  EXPECT_TRUE(std::equal(across.end() - kSector, across.end(), mode2.begin()));

  EXPECT_EQ(EnginePaths(1), IsoinfoPaths({"-i", (out / "track01.iso").string()}));
  wrenlo::Handle session = 0;
  ASSERT_EQ(
      wrenlo::OpenDiskSession(wrenlo::kCurrentDevice, 1, &session, wrenlo::kFileSystemIso9660), 0);
  wrenlo::IsoVolumeInfo volume{};
  EXPECT_EQ(wrenlo::GetISOVolumeInformation(session, &volume), 0);
  EXPECT_EQ(volume.volumeLabel.str(), u"CUEDATA");
  EXPECT_EQ(wrenlo::VerifyFile(session, u"/DIR/BIG.BIN"), 0);
  wrenlo::CloseDiskSession(session);
}

TEST(CueImage, TwoSessionsInTwoFiles) {
  const CueImages& images = Images();
  UseCue(images.twoSessions);
  wrenlo::MediumInformation medium{};
  ASSERT_EQ(wrenlo::GetMediumInformation(wrenlo::kCurrentDevice, &medium), 0);
  EXPECT_EQ(+medium.lastSession, 2);
  EXPECT_EQ(+medium.lastTrack, 2);
  // The drive says it reads what it holds, and writes nothing.
  wrenlo::Handle abilities = 0;
  ASSERT_EQ(wrenlo::GetDeviceCapabilitiesHandle(wrenlo::kCurrentDevice, &abilities), 0);
  for (const auto& [code, expected] : {std::pair{wrenlo::cap::ReadsMultisession, 1},
                                       {wrenlo::cap::ReadsMode2Form1, 1},
                                       {wrenlo::cap::ReadsMode2Form2, 1},
                                       {wrenlo::cap::ReadsCdR, 1},
                                       {wrenlo::cap::ReadsDvdRom, 0},
                                       {wrenlo::cap::WritesCdR, 0}}) {
    std::uint8_t answer = 9;
    EXPECT_EQ(wrenlo::AnalyseDeviceCapability(abilities, code, &answer), 0);
    EXPECT_EQ(answer, expected) << std::hex << code;
  }
  wrenlo::ReleaseDeviceCapabilities(abilities);
  wrenlo::SessionInfo first{}, second{};
  ASSERT_EQ(wrenlo::GetSessionInformation(wrenlo::kCurrentDevice, 1, &first), 0);
  ASSERT_EQ(wrenlo::GetSessionInformation(wrenlo::kCurrentDevice, 2, &second), 0);
  EXPECT_EQ(+first.startSector, 0);
  EXPECT_EQ(+first.sectorCount, static_cast<std::int32_t>(images.dataSectors));
  EXPECT_EQ(+second.startSector, static_cast<std::int32_t>(images.secondStart));
  EXPECT_EQ(+second.firstTrack, 2);
  EXPECT_EQ(+second.sectorCount, static_cast<std::int32_t>(images.secondIso.size() / kSector));

  EXPECT_TRUE(ReadEngine(images.secondStart, 20) ==
              Bytes(images.secondIso.begin(), images.secondIso.begin() + 20 * kSector));
  // The lead-out and lead-in between the sessions do not read; the second
  // session's first pregap reads as zeros.
  std::int32_t result = 0;
  ReadEngine(images.dataSectors, 1, &result);
  EXPECT_NE(result, 0);
  ReadEngine(images.secondStart - 151, 2, &result);
  EXPECT_NE(result, 0);
  EXPECT_TRUE(ReadEngine(images.secondStart - 150, 150) == Bytes(150 * kSector, 0));

  // The last session's tree holds both sessions' files, as isoinfo reads it.
  const std::set<std::string> paths = EnginePaths(2);
  EXPECT_EQ(paths, IsoinfoPaths({"-N", std::to_string(images.secondStart), "-i",
                                 (images.dir / "second.iso").string()}));
  EXPECT_TRUE(paths.count("/LATER.TXT") && paths.count("/README.TXT"));
  wrenlo::Handle session = 0;
  ASSERT_EQ(wrenlo::OpenDiskSession(wrenlo::kCurrentDevice, 2, &session, wrenlo::kFileSystemAny),
            0);
  EXPECT_EQ(wrenlo::VerifyFile(session, u"/DIR/BIG.BIN"), 0);  // in the first session
  wrenlo::CloseDiskSession(session);
}

// What ListMediumLayout lists of the current drive: each record's first run
// (first sector, count) by name, and the names of the files of the files
// test's tree.
struct MediumListing {
  std::int32_t result = -1;
  std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> runs;
  std::map<std::string, std::int32_t> kinds;
  std::set<std::string> filesTestFiles;
};

MediumListing ListMedium() {
  MediumListing listing;
  listing.result = wrenlo::ListMediumLayout(
      wrenlo::kCurrentDevice,
      [](void* context, const wrenlo::LayoutRecord* record) -> std::int32_t {
        auto& out = *static_cast<MediumListing*>(context);
        const std::string name =
            testing_support::Narrow(std::u16string(record->name, record->nameLength));
        EXPECT_EQ(out.kinds.count(name), 0u) << name << " twice";
        out.kinds[name] = record->kind;
        if (record->runCount > 0) out.runs[name] = {record->runs[0].first, record->runs[0].count};
        if (record->kind == wrenlo::kLayoutFile && (record->flags & wrenlo::kLayoutFilesTestTree))
          out.filesTestFiles.insert(name);
        return 0;
      },
      &listing);
  return listing;
}

TEST(CueImage, TheMediumsLayoutNamesEverySession) {
  const CueImages& images = Images();
  UseCue(images.twoSessions);
  const MediumListing two = ListMedium();
  EXPECT_EQ(two.result, 0);
  // The last session's tree holds both sessions' files, each listed once;
  // the first session's own structures are named after it.
  EXPECT_EQ(two.filesTestFiles,
            (std::set<std::string>{"/DIR/BIG.BIN", "/LATER.TXT", "/README.TXT"}));
  EXPECT_LT(two.runs.at("/DIR/BIG.BIN").first, images.dataSectors);
  EXPECT_GT(two.runs.at("/LATER.TXT").first, images.secondStart);
  for (const auto& [name, kind] : two.kinds)
    EXPECT_TRUE(kind != wrenlo::kLayoutFile || two.filesTestFiles.count(name) == 1) << name;
  EXPECT_EQ(two.runs.at("Primary volume descriptor"),
            std::make_pair(std::uint64_t{images.secondStart} + 16, std::uint64_t{1}));
  EXPECT_EQ(two.runs.at("Primary volume descriptor (session 1)"),
            std::make_pair(std::uint64_t{16}, std::uint64_t{1}));
  EXPECT_EQ(two.kinds.count("Root directory (ISO 9660, session 1)"), 1u);
  EXPECT_EQ(two.kinds.count("Root directory (Joliet, session 1)"), 1u);
  EXPECT_EQ(two.runs.at("lead-out"),
            std::make_pair(std::uint64_t{images.dataSectors},
                           std::uint64_t{images.secondStart - images.dataSectors}));
  EXPECT_EQ(two.kinds.at("lead-out"), wrenlo::kLayoutLeadOut);

  // Data, audio and Mode 2 tracks in one session: the tracks its file
  // system does not start in are named.
  UseCue(images.single);
  const MediumListing single = ListMedium();
  EXPECT_EQ(single.result, 0);
  EXPECT_EQ(single.runs.at("Audio track 2"),
            std::make_pair(std::uint64_t{images.dataSectors + kAudioPregap},
                           std::uint64_t{kAudioFrames}));
  EXPECT_EQ(single.kinds.at("Audio track 2"), wrenlo::kLayoutAudioTrack);
  EXPECT_EQ(single.runs.at("Data track 3").first,
            images.dataSectors + kAudioPregap + kAudioFrames);
  EXPECT_EQ(single.kinds.count("Data track 1"), 0u);

  // No file system at all: an audio disc, and a data track of zeros.
  Bytes audio = Pattern(300 * 2352, 5);
  WriteBytes(images.dir / "audio.bin", audio);
  const std::string audioCue = (images.dir / "audio.cue").string();
  WriteFile(audioCue,
            "FILE audio.bin BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
            " TRACK 02 AUDIO\n  INDEX 00 00:01:00\n  INDEX 01 00:01:10\n");
  UseCue(audioCue);
  const MediumListing onlyAudio = ListMedium();
  EXPECT_EQ(onlyAudio.result, wrenlo::kResultNoFileSystem);
  EXPECT_EQ(onlyAudio.runs, (std::map<std::string, std::pair<std::uint64_t, std::uint64_t>>{
                                {"Audio track 1", {0, 85}}, {"Audio track 2", {85, 215}}}));
  WriteBytes(images.dir / "zeros.iso", Bytes(40 * kSector, 0));
  const std::string zerosCue = (images.dir / "zeros.cue").string();
  WriteFile(zerosCue, "FILE zeros.iso BINARY\n TRACK 01 MODE1/2048\n  INDEX 01 00:00:00\n");
  UseCue(zerosCue);
  const MediumListing zeros = ListMedium();
  EXPECT_EQ(zeros.result, wrenlo::kResultNoFileSystem);
  EXPECT_EQ(zeros.runs, (std::map<std::string, std::pair<std::uint64_t, std::uint64_t>>{
                            {"Data track 1 (no file system)", {0, 40}}}));
}

TEST(CueImage, CookedTracksAndGeneratedGaps) {
  // The ISO itself as a MODE1/2048 track, then a POSTGAP, then a MODE2/2336
  // track of Form 1 sectors (their raw sectors without sync and header)
  // after a PREGAP.
  const CueImages& images = Images();
  const Bytes user = Pattern(10 * kSector, 4);
  const std::uint32_t start = images.dataSectors + 75 + 150;
  Bytes bodies;
  for (std::uint32_t i = 0; i < 10; ++i) {
    const Bytes raw = Mode2Form1Sector(start + i, user.data() + i * kSector);
    bodies.insert(bodies.end(), raw.begin() + 16, raw.end());
  }
  WriteBytes(images.dir / "form1.bin", bodies);
  const std::string cue = (images.dir / "cooked.cue").string();
  WriteFile(cue,
            "file data.iso binary\ntrack 1 mode1/2048\nindex 1 0:0:0\npostgap 0:1:0\n"
            "FILE form1.bin BINARY\nTRACK 2 MODE2/2336\nPREGAP 00:02:00\nINDEX 01 00:00:00\n");
  UseCue(cue);
  EXPECT_TRUE(ReadEngine(0, images.dataSectors) == images.iso);
  EXPECT_TRUE(ReadEngine(images.dataSectors, 225) == Bytes(225 * kSector, 0));
  EXPECT_TRUE(ReadEngine(start, 10) == user);
  std::int32_t result = 0;
  ReadEngine(start + 10, 1, &result);
  EXPECT_EQ(result, 5);  // past the end of the medium
}

// However long track 1's pregap (3 or 10 s, not in the file or in it), its
// index 1 is address 0: the file system reads whole, every file listed.
TEST(CueImage, ALongFirstPregapLeavesTheFileSystemInPlace) {
  const CueImages& images = Images();
  Bytes gapped(750 * 2352, 0);
  Append(gapped, RawMode1(images.iso, 0));
  WriteBytes(images.dir / "gapped.bin", gapped);
  const std::pair<const char*, const char*> sheets[] = {
      {"first.bin", "PREGAP 00:03:00\nINDEX 01 00:00:00\n"},
      {"first.bin", "PREGAP 00:10:00\nINDEX 01 00:00:00\n"},
      {"gapped.bin", "INDEX 00 00:07:00\nINDEX 01 00:10:00\n"},
      {"gapped.bin", "INDEX 00 00:00:00\nINDEX 01 00:10:00\n"},
  };
  const std::set<std::string> files = IsoinfoPaths({"-i", (images.dir / "data.iso").string()});
  for (const auto& [bin, gap] : sheets) {
    SCOPED_TRACE(gap);
    const std::string cue = (images.dir / "gap.cue").string();
    WriteFile(cue, "FILE " + std::string(bin) + " BINARY\nTRACK 01 MODE1/2352\n" + gap);
    UseCue(cue);
    EXPECT_TRUE(ReadEngine(0, images.dataSectors) == images.iso);
    EXPECT_EQ(EnginePaths(1), files);
  }
}

TEST(CueImage, DamagedSectorsReadAsErrors) {
  const CueImages& images = Images();
  // A flipped bit in sector 20's user data breaks its EDC; sector 30's sync
  // and sector 40's address are wrong.
  Bytes bin = testing_support::ReadFile(images.dir / "single.bin");
  bin[20 * 2352 + 100] ^= 0x10;
  bin[30 * 2352 + 3] = 0;
  bin[40 * 2352 + 14] ^= 1;
  WriteBytes(images.dir / "damaged.bin", bin);
  const Bytes sheet = testing_support::ReadFile(images.single);
  std::string cue(sheet.begin(), sheet.end());
  cue.replace(cue.find("single.bin"), 10, "damaged.bin");
  const std::string damaged = (images.dir / "damaged.cue").string();
  WriteFile(damaged, cue);
  WriteFile(damaged + ".faults", "# as on a worn disc\n50-51 always\n");

  UseCue(damaged);
  for (const std::uint32_t bad : {20u, 30u, 40u, 50u, 51u}) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      std::int32_t result = 0;
      ReadEngine(bad, 1, &result);
      EXPECT_EQ(result, 6) << "sector " << bad;  // a medium error, every time
    }
  }
  std::int32_t result = 0;
  ReadEngine(19, 2, &result);  // a read that takes in a damaged sector fails
  EXPECT_NE(result, 0);
  for (const std::uint32_t bad : {20u, 30u, 40u, 50u}) {
    ReadWhole(bad, 1, &result);
    EXPECT_EQ(result, 6) << "sector " << bad << " whole";
  }
  EXPECT_TRUE(ReadEngine(21, 9) ==
              Bytes(images.iso.begin() + 21 * kSector, images.iso.begin() + 30 * kSector));
}

TEST(CueImage, UnusableSheetsSayWhyWithTheirLine) {
  const CueImages& images = Images();
  const fs::path dir = images.dir / "bad";
  fs::create_directories(dir);
  WriteFile(dir / "type.cue",
            "FILE ../single.bin BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"
            "  TRACK 02 MODE3/2352\n");
  WriteFile(dir / "missing.cue",
            "REM a sheet without its file\nFILE gone.bin BINARY\n TRACK 01 AUDIO\n"
            "  INDEX 01 00:00:00\n");
  WriteFile(dir / "short.cue", "FILE ../single.bin BINARY\n TRACK 01 AUDIO\n  INDEX 01 99:00:00\n");
  WriteFile(dir / "relative.cue",
            "FILE ../single.bin BINARY\n TRACK 01 MODE1/2352\n INDEX 01 00:00:00\n");
  testing_support::UseImages({(dir / "type.cue").string(), (dir / "missing.cue").string(),
                              (dir / "short.cue").string(), (dir / "relative.cue").string()});
  const std::u16string reasons[] = {
      u"type.cue: cue line 4: unknown track type MODE3/2352",
      u"missing.cue: cue line 2: gone.bin: no such file",
      u"short.cue: cue line 2: track 1 starts after the end of ../single.bin",
      u"",
  };
  for (char16_t letter = u'D'; letter <= u'G'; ++letter) {
    std::int32_t units = 200;
    char16_t text[200];
    EXPECT_EQ(wrenlo::GetDeviceUnusableReason(letter, text, &units), 0);
    EXPECT_EQ(std::u16string(text), reasons[letter - u'D']);
  }
  EXPECT_EQ(testing_support::DeviceTexts().back(), u"G: relative.cue");
}

// Raw reads give the BIN's own bytes, audio bit for bit; cooked tracks,
// gaps and plain CD images give Mode 1 and Mode 2 sectors built whole; a
// DVD-sized image has none. Each track's extent is where the sheet puts it.
TEST(CueImage, RawReadsGiveWholeSectors) {
  const CueImages& images = Images();
  UseCue(images.single);
  const Bytes bin = testing_support::ReadFile(images.dir / "single.bin");
  const std::uint32_t sectors = static_cast<std::uint32_t>(bin.size() / 2352);
  EXPECT_TRUE(ReadWhole(0, sectors) == bin);
  const std::uint32_t audio = images.dataSectors + kAudioPregap;
  for (std::uint32_t s = audio - 3; s < audio + 40; ++s)  // one sector a read too
    ASSERT_TRUE(ReadWhole(s, 1) == Bytes(bin.begin() + s * 2352, bin.begin() + (s + 1) * 2352))
        << s;
  struct Extent {
    std::int32_t session, first, count;
  };
  const Extent extents[] = {
      {1, 0, static_cast<std::int32_t>(images.dataSectors + kAudioPregap)},
      {1, static_cast<std::int32_t>(audio), kAudioFrames},
      {1, static_cast<std::int32_t>(audio + kAudioFrames), kMode2Sectors},
  };
  for (std::int32_t track = 1; track <= 3; ++track) {
    Extent got{};
    ASSERT_EQ(
        wrenlo::GetTrackExtent(wrenlo::kCurrentDevice, track, &got.session, &got.first, &got.count),
        0);
    const Extent& expected = extents[track - 1];
    EXPECT_EQ(got.session, expected.session) << track;
    EXPECT_EQ(got.first, expected.first) << track;
    EXPECT_EQ(got.count, expected.count) << track;
  }
  std::int32_t a = 0, b = 0, c = 0;
  EXPECT_NE(wrenlo::GetTrackExtent(wrenlo::kCurrentDevice, 4, &a, &b, &c), 0);

  // The ISO as a MODE1/2048 track with a postgap of 75 sectors, then 150 of
  // pregap before a MODE2/2336 track.
  const std::uint32_t start = images.dataSectors + 75 + 150;
  const Bytes user = Pattern(10 * kSector, 4);
  Bytes bodies, form1;
  for (std::uint32_t i = 0; i < 10; ++i) {
    const Bytes raw = Mode2Form1Sector(start + i, user.data() + i * kSector);
    Append(form1, raw);
    bodies.insert(bodies.end(), raw.begin() + 16, raw.end());
  }
  WriteBytes(images.dir / "form1-raw.bin", bodies);
  const std::string cue = (images.dir / "cooked-raw.cue").string();
  WriteFile(cue,
            "FILE data.iso BINARY\nTRACK 1 MODE1/2048\nINDEX 1 0:0:0\nPOSTGAP 0:1:0\n"
            "FILE form1-raw.bin BINARY\nTRACK 2 MODE2/2336\nPREGAP 00:02:00\nINDEX 01 00:00:00\n");
  UseCue(cue);
  EXPECT_TRUE(ReadWhole(0, images.dataSectors) == RawMode1(images.iso, 0));
  const Bytes zeros(kSector, 0);
  EXPECT_TRUE(ReadWhole(images.dataSectors, 1) == Mode1Sector(images.dataSectors, zeros.data()));
  EXPECT_TRUE(ReadWhole(start, 10) == form1);
  EXPECT_TRUE(ReadEngine(images.dataSectors, 225) == Bytes(225 * kSector, 0))
      << "the gaps built whole read back as zeros";

  testing_support::UseImages({(images.dir / "data.iso").string()});
  ASSERT_EQ(testing_support::Select(u'D'), 0);
  EXPECT_TRUE(ReadWhole(0, images.dataSectors) == RawMode1(images.iso, 0));
  const fs::path dvd = images.dir / "dvd.iso";
  std::ofstream(dvd, std::ios::trunc).close();
  fs::resize_file(dvd, 400000ull * kSector);  // sparse: a DVD's size
  testing_support::UseImages({dvd.string()});
  ASSERT_EQ(testing_support::Select(u'D'), 0);
  std::int32_t result = 0;
  ReadWhole(0, 1, &result);
  EXPECT_EQ(result, wrenlo::kResultUnsupported);
  EXPECT_EQ(ReadEngine(0, 1), Bytes(kSector, 0));
}

}  // namespace
