// Cue sheets: what the parser reads from good sheets and which line it blames
// in malformed ones, and where the layout puts tracks and sessions, compared
// with libcdio's cd-info.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "image/CueLayout.h"
#include "image/CueSheet.h"
#include "support/Command.h"
#include "support/Fixtures.h"

namespace wrenlo {
namespace {

struct MalformedSheet {
  const char* text;
  const char* problem;
};

TEST(CueSheet, MalformedSheetsNameTheirLine) {
  const MalformedSheet cases[] = {
      {"", "the cue sheet has no TRACK"},
      {"FILE a.bin BINARY\n", "the cue sheet has no TRACK"},
      {"TRACK 01 AUDIO\n", "cue line 1: TRACK before any FILE"},
      {"FILE a.bin BINARY\n  TRACK 01 MODE3/2352\n", "cue line 2: unknown track type MODE3/2352"},
      {"FILE a.bin WAVE\n", "cue line 1: file type WAVE is not supported (only BINARY)"},
      {"FILE \"a b.bin BINARY\n", "cue line 1: a quote is not closed"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:60:00\n",
       "cue line 3: bad time 00:60:00 (mm:ss:ff)"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:75\n",
       "cue line 3: bad time 00:00:75 (mm:ss:ff)"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 0:0\n", "cue line 3: bad time 0:0 (mm:ss:ff)"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 00 00:00:00\n",
       "cue line 2: track 1 has no INDEX 01"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n",
       "cue line 3: track 1 has no INDEX 01"},
      {"FILE a.bin BINARY\nTRACK 02 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n",
       "cue line 4: track numbers must ascend"},
      {"FILE a.bin BINARY\nTRACK 100 AUDIO\n", "cue line 2: track number must be 1 to 99"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 02 00:00:00\n",
       "cue line 3: indexes must be numbered 0 or 1, then on by one"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:02:00\nINDEX 02 00:01:00\n",
       "cue line 4: INDEX before the one above it"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:02:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n",
       "cue line 5: INDEX before the previous track's"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nPREGAP 00:02:00\n",
       "cue line 4: PREGAP after INDEX"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nPOSTGAP 00:02:00\n", "cue line 3: POSTGAP before INDEX"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nPOSTGAP 00:02:00\nINDEX 02 "
       "00:03:00\n",
       "cue line 5: INDEX after POSTGAP"},
      {"CATALOG 12345\n", "cue line 1: CATALOG needs 13 digits"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nISRC ABC\n",
       "cue line 3: ISRC needs 12 letters and digits"},
      {"ISRC ABCDE1234567\n", "cue line 1: ISRC before any TRACK"},
      {"REM SESSION 02\n", "cue line 1: sessions must be numbered 1, 2, 3 ... in order"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nREM SESSION 03\n",
       "cue line 4: sessions must be numbered 1, 2, 3 ... in order"},
      {"REM SESSION 01\nREM SESSION 02\n",
       "cue line 2: sessions must be numbered 1, 2, 3 ... in order"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nREM SESSION 2\nREM SESSION 3\n",
       "cue line 5: session 2 has no TRACK"},
      {"FILE a.bin BINARY\nFILE b.bin BINARY\n", "cue line 2: FILE a.bin has no TRACK"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE b.bin BINARY\n",
       "cue line 4: FILE b.bin has no TRACK"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nBOGUS 1\n",
       "cue line 4: unknown command BOGUS"},
  };
  for (const MalformedSheet& c : cases) {
    SCOPED_TRACE(c.text);
    CueSheet sheet;
    std::string problem;
    EXPECT_FALSE(ParseCueSheet(c.text, sheet, problem));
    EXPECT_EQ(problem, c.problem);
  }
  CueSheet sheet;
  std::string problem;
  static constexpr char kWithNul[] = "FILE a.bin BINARY\nTRACK 01 AUDIO\nIN\0EX 01 00:00:00\n";
  const std::string withNul(kWithNul, sizeof kWithNul - 1);
  EXPECT_FALSE(ParseCueSheet(withNul, sheet, problem));
  EXPECT_EQ(problem, "cue line 3: not a text line");
  EXPECT_FALSE(ParseCueSheet(std::string(kMaxCueSheetBytes + 1, ' '), sheet, problem));
}

TEST(CueSheet, ReadsEveryCommandInAnyCaseAndLineEnd) {
  const std::string text =
      "\xEF\xBB\xBF"
      "REM GENRE Test\r\n"
      "CATALOG 0123456789012\r\n"
      "PERFORMER \"Some One\"\r\n"
      "TITLE \"A Disc\"\r\n"
      "REM SESSION 01\r\n"
      "FILE \"disc (track 1).bin\" BINARY\r\n"
      "  TRACK 01 MODE1/2352\r\n"
      "    INDEX 01 00:00:00\r\n"
      "  track 02 audio\r\n"
      "    flags dcp\r\n"
      "    isrc ABCDE1234567\r\n"
      "    index 00 01:00:00\r\n"
      "    index 01 01:02:00\r\n"
      "    INDEX 02 01:03:10\r\n"
      "    POSTGAP 00:01:00\r\n"
      "REM SESSION 02\r\n"
      "FILE second.bin Binary\r\n"
      "\tTRACK 03 MODE2/2336\r\n"
      "\t\tPREGAP 00:02:00\r\n"
      "\t\tINDEX 01 00:00:00\r\n"
      "  TRACK 04 MODE2/2352\r\n"
      "    INDEX 01 100:00:00\r\n"
      "  TRACK 05 MODE1/2048\r\n"
      "    INDEX 01 100:00:01";  // no line end at the end
  CueSheet sheet;
  std::string problem;
  ASSERT_TRUE(ParseCueSheet(text, sheet, problem)) << problem;
  EXPECT_EQ(sheet.catalog, "0123456789012");
  ASSERT_EQ(sheet.files.size(), 2u);
  EXPECT_EQ(sheet.files[0].name, "disc (track 1).bin");
  EXPECT_EQ(sheet.files[1].name, "second.bin");
  ASSERT_EQ(sheet.tracks.size(), 5u);
  const CueTrack& audio = sheet.tracks[1];
  EXPECT_EQ(audio.type, CueTrackType::Audio);
  EXPECT_EQ(audio.isrc, "ABCDE1234567");
  EXPECT_EQ(audio.FirstPosition(), 60u * 75);
  EXPECT_EQ(audio.StartPosition(), 62u * 75);
  EXPECT_EQ(audio.indexes.back().position, 63u * 75 + 10);
  EXPECT_EQ(audio.postgap, 75u);
  EXPECT_EQ(audio.session, 1u);
  const CueTrack& third = sheet.tracks[2];
  EXPECT_EQ(third.type, CueTrackType::Mode2Cooked);
  EXPECT_EQ(third.session, 2u);
  EXPECT_EQ(third.file, 1u);
  EXPECT_EQ(third.pregap, 150u);
  EXPECT_EQ(sheet.tracks[3].type, CueTrackType::Mode2Raw);
  EXPECT_EQ(sheet.tracks[3].StartPosition(), 100u * 60 * 75);
  EXPECT_EQ(sheet.tracks[4].type, CueTrackType::Mode1Cooked);
  EXPECT_EQ(sheet.tracks[4].line, 23u);
}

CueSheet Parse(const std::string& text) {
  CueSheet sheet;
  std::string problem;
  EXPECT_TRUE(ParseCueSheet(text, sheet, problem)) << problem;
  return sheet;
}

TEST(CueLayout, TracksGapsAndSessionsGetTheAddressesOfADisc) {
  // One file of 1000 raw sectors: a data track of 300, an audio track with
  // 150 sectors of pregap in the file, then a 75-sector POSTGAP; a second
  // session in a cooked file of 500 sectors, after a PREGAP of 2 s.
  const CueSheet sheet = Parse(
      "FILE one.bin BINARY\n"
      "TRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
      "TRACK 02 AUDIO\nINDEX 00 00:04:00\nINDEX 01 00:06:00\nPOSTGAP 00:01:00\n"
      "REM SESSION 02\nFILE two.iso BINARY\n"
      "TRACK 03 MODE1/2048\nPREGAP 00:02:00\nINDEX 01 00:00:00\n");
  CueDisc disc;
  std::string problem;
  ASSERT_TRUE(LayOutCueSheet(sheet, {1000 * 2352, 500 * 2048 + 100}, disc, problem)) << problem;

  ASSERT_EQ(disc.tracks.size(), 3u);
  EXPECT_EQ(disc.tracks[0].start, 0u);
  EXPECT_EQ(disc.tracks[0].sectorCount, 450u);  // up to track 2's index 1
  EXPECT_EQ(disc.tracks[0].mode, 1);
  EXPECT_EQ(disc.tracks[1].start, 450u);
  EXPECT_EQ(disc.tracks[1].sectorCount, 625u);  // 550 in the file and the postgap
  EXPECT_EQ(disc.tracks[1].mode, 0);
  // Lead-out of 6750 and lead-in of 4500 sectors, then the 150 of pregap.
  EXPECT_EQ(disc.tracks[2].start, 1075u + 6750 + 4500 + 150);
  EXPECT_EQ(disc.tracks[2].sectorCount, 500u);  // whole sectors of the file
  EXPECT_EQ(disc.tracks[2].session, 2);
  ASSERT_EQ(disc.sessions.size(), 2u);
  EXPECT_EQ(disc.sessions[0].sectorCount, 1075u);
  EXPECT_EQ(disc.sessions[1].start, disc.tracks[2].start);
  EXPECT_EQ(disc.sessions[1].firstTrack, 3);
  EXPECT_EQ(disc.sectorCount, disc.tracks[2].start + 500);

  ASSERT_EQ(disc.runs.size(), 5u);
  EXPECT_EQ(disc.runs[0].count, 300u);
  EXPECT_EQ(disc.runs[1].start, 300u);  // track 2's pregap, read from the file
  EXPECT_EQ(disc.runs[1].offset, 300u * 2352);
  EXPECT_EQ(disc.runs[1].count, 700u);
  EXPECT_FALSE(disc.runs[2].inFile);  // the postgap
  EXPECT_EQ(disc.runs[2].start, 1000u);
  EXPECT_FALSE(disc.runs[3].inFile);  // the second session's pregap
  EXPECT_EQ(disc.runs[3].start, 1075u + 6750 + 4500);
  EXPECT_EQ(disc.runs[4].file, 1u);
  EXPECT_EQ(disc.runs[4].offset, 0u);
}

// A CD time of sectors as a cue sheet writes it, mm:ss:ff.
std::string CdTime(std::uint32_t sectors) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", sectors / 4500, sectors / 75 % 60,
                sectors % 75);
  return text;
}

// The track starts and the lead-out libcdio's cd-info gives for a sheet, as
// sector numbers (LSN), in track order with the lead-out last.
std::vector<std::int64_t> CdInfoAddresses(const std::string& sheet) {
  const testing_support::CommandResult info =
      testing_support::RunCommand({"cd-info", "--no-header", "--no-device-info", "--no-analyze",
                                   "--no-disc-mode", "--cue-file=" + sheet});
  EXPECT_EQ(info.exitCode, 0) << info.output;
  std::vector<std::int64_t> addresses;
  std::istringstream lines(info.output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string number, msf;
    std::int64_t lsn = 0;
    if (words >> number >> msf >> lsn && number.back() == ':' && msf.size() == 8)
      addresses.push_back(lsn);
  }
  return addresses;
}

// Track 1's index 1 is address 0 whatever its pregap, and every other track
// lies where cd-info puts it, counted from track 1, plus the PREGAP sectors
// that cd-info leaves out of its addresses (they are not in the file, but a
// disc writer puts them on the disc): PREGAP and INDEX 00 of 0, 2, 3 and 10 s
// before track 1 and before track 2 of one BIN file of 2000 raw sectors.
TEST(CueLayout, IndexOneLiesWhereCdInfoPutsIt) {
  const std::string folder = testing_support::OutputDirectory() + "/cue-gaps";
  std::filesystem::create_directories(folder);
  constexpr std::uint32_t kFileSectors = 2000;
  constexpr std::uint32_t kTrackTwo = 1000;  // track 2's index 1 in the file
  std::ofstream(folder + "/gaps.bin", std::ios::binary) << std::string(kFileSectors * 2352, '\0');
  for (const std::uint32_t seconds : {0u, 2u, 3u, 10u}) {
    const std::uint32_t gap = seconds * kFramesPerSecond;
    for (const bool inFile : {false, true}) {
      for (const int gapped : {1, 2}) {
        const auto gapLines = [&](int track, std::uint32_t index1) {
          if (track != gapped || gap == 0) return "INDEX 01 " + CdTime(index1) + "\n";
          return inFile ? "INDEX 00 " + CdTime(index1 - gap) + "\nINDEX 01 " + CdTime(index1) + "\n"
                        : "PREGAP " + CdTime(gap) + "\nINDEX 01 " + CdTime(index1) + "\n";
        };
        // Track 1's index 1 follows its own gap when that is in the file.
        const std::uint32_t trackOne = gapped == 1 && inFile ? gap : 0;
        const std::string text = "FILE \"gaps.bin\" BINARY\nTRACK 01 MODE1/2352\n" +
                                 gapLines(1, trackOne) + "TRACK 02 AUDIO\n" +
                                 gapLines(2, kTrackTwo);
        SCOPED_TRACE(text);
        std::ofstream(folder + "/gaps.cue") << text;
        const std::vector<std::int64_t> cdInfo = CdInfoAddresses(folder + "/gaps.cue");
        ASSERT_EQ(cdInfo.size(), 3u);
        CueDisc disc;
        std::string problem;
        ASSERT_TRUE(LayOutCueSheet(Parse(text), {kFileSectors * 2352}, disc, problem)) << problem;
        const std::int64_t pregapTwo = gapped == 2 && !inFile ? gap : 0;
        EXPECT_EQ(disc.tracks[0].start, 0u);
        EXPECT_EQ(disc.tracks[1].start, cdInfo[1] - cdInfo[0] + pregapTwo);
        EXPECT_EQ(disc.sectorCount, cdInfo[2] - cdInfo[0] + pregapTwo);
        // Address 0 reads track 1's index 1 from the file.
        ASSERT_FALSE(disc.runs.empty());
        EXPECT_EQ(disc.runs[0].start, 0u);
        EXPECT_EQ(disc.runs[0].offset, trackOne * 2352u);
      }
    }
  }
}

TEST(CueLayout, SheetsThatDoNotFitTheirFiles) {
  struct Case {
    const char* text;
    std::vector<std::uint64_t> sizes;
    const char* problem;
  };
  const Case cases[] = {
      {"FILE a.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n",
       {2351},
       "cue line 2: track 1 has no sectors"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n",
       {75 * 2352},
       "cue line 4: track 2 starts after the end of a.bin"},
      {"FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 00 00:01:00\n"
       "INDEX 01 00:02:00\n",
       {150 * 2352},
       "cue line 4: track 2 has no sectors"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CueDisc disc;
    std::string problem;
    EXPECT_FALSE(LayOutCueSheet(Parse(c.text), c.sizes, disc, problem));
    EXPECT_EQ(problem, c.problem);
  }
}

}  // namespace
}  // namespace wrenlo
