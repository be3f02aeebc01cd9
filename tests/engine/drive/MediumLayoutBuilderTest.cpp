#include <gtest/gtest.h>

#include "MediumLayoutBuilder.h"

namespace wrenlo::drive {
namespace {

TocEntry Entry(std::uint8_t track, std::uint32_t start, std::uint8_t control = kControlDataTrack) {
  return TocEntry{track, control, start};
}

TrackInfo Info(std::uint16_t track, std::uint16_t session, std::uint32_t start, std::uint32_t size,
               std::uint8_t dataMode = 1) {
  TrackInfo info;
  info.track = track;
  info.session = session;
  info.start = start;
  info.size = size;
  info.dataMode = dataMode;
  return info;
}

// An audio session (tracks 1 and 2, lead-out at 20000) and a CD-ROM XA
// session (track 3, lead-out at 40000), as a full TOC states them.
const FullToc kEnhancedCd{{{1, 1, 0, 0}, {2, 1, 0, 10000}, {3, 2, kControlDataTrack, 31400}},
                          {{1, kDiscTypeCdDaOrCdRom, 20000}, {2, kDiscTypeCdRomXa, 40000}}};

std::string Describe(const MediumLayout& layout) {
  std::string out;
  for (const SessionLayout& s : layout.sessions)
    out += "S" + std::to_string(s.number) + ":" + std::to_string(s.start) + "+" +
           std::to_string(s.sectorCount) + "[" + std::to_string(s.firstTrack) + "-" +
           std::to_string(s.lastTrack) + "] ";
  for (const TrackLayout& t : layout.tracks)
    out += "T" + std::to_string(t.number) + "/" + std::to_string(t.session) + ":" +
           std::to_string(t.start) + "+" + std::to_string(t.sectorCount) + "m" +
           std::to_string(t.mode) + " ";
  return out;
}

TEST(MediumLayoutBuilderTest, Layouts) {
  struct Case {
    const char* what;
    MediumFacts facts;
    const char* expected;
  };
  const Case cases[] = {
      {"one data track from the TOC alone (a drive without READ TRACK INFORMATION)",
       {{1, 1, {Entry(1, 0), Entry(kLeadOutTrack, 1200)}}, {}, 1200, {}},
       "S1:0+1200[1-1] T1/1:0+1200m1 "},
      {"several tracks run to the next track's start or the lead-out; audio has mode 0",
       {{1, 3, {Entry(1, 0), Entry(2, 300, 0), Entry(3, 500, 0), Entry(kLeadOutTrack, 900)}},
        {},
        {},
        {}},
       "S1:0+900[1-3] T1/1:0+300m1 T2/1:300+200m0 T3/1:500+400m0 "},
      {"two sessions from READ TRACK INFORMATION, exact sizes and data modes",
       {{1, 2, {Entry(1, 0), Entry(2, 11400), Entry(kLeadOutTrack, 20000)}},
        {Info(1, 1, 0, 300), Info(2, 2, 11400, 8600, 2)},
        {},
        {}},
       "S1:0+300[1-1] S2:11400+8600[2-2] T1/1:0+300m1 T2/2:11400+8600m2 "},
      {"no lead-out: the last track ends at the capacity",
       {{1, 1, {Entry(1, 16)}}, {}, 100, {}},
       "S1:16+84[1-1] T1/1:16+84m1 "},
      {"a track starting past the lead-out gets no sectors",
       {{1, 2, {Entry(1, 0), Entry(2, 900), Entry(kLeadOutTrack, 500)}}, {}, {}, {}},
       "S1:0+900[1-2] T1/1:0+900m1 T2/1:900+0m1 "},
      {"repeated and out-of-order track numbers, track 0 and 100 are skipped",
       {{1, 2, {Entry(0, 5), Entry(1, 0), Entry(1, 50), Entry(100, 60), Entry(kLeadOutTrack, 80)}},
        {},
        {},
        {}},
       "S1:0+50[1-1] T1/1:0+50m1 "},
      {"track information for another track is not used",
       {{1, 1, {Entry(1, 0), Entry(kLeadOutTrack, 80)}}, {Info(7, 3, 9, 9)}, {}, {}},
       "S1:0+80[1-1] T1/1:0+80m1 "},
      {"audio, then an XA data session, from the full TOC: sessions, lead-outs, Mode 2",
       {{1, 3, {Entry(1, 0, 0), Entry(2, 10000, 0), Entry(3, 31400), Entry(kLeadOutTrack, 40000)}},
        {},
        {},
        kEnhancedCd},
       "S1:0+20000[1-2] S2:31400+8600[3-3] T1/1:0+10000m0 T2/1:10000+10000m0 "
       "T3/2:31400+8600m2 "},
      {"track information wins over the full TOC; a track the full TOC lacks is in session 1",
       {{1, 3, {Entry(1, 0, 0), Entry(2, 10000, 0), Entry(4, 31400), Entry(kLeadOutTrack, 40000)}},
        {Info(1, 5, 0, 9000)},
        {},
        kEnhancedCd},
       "S1:10000+30000[2-4] S5:0+9000[1-1] T1/5:0+9000m0 T2/1:10000+10000m0 T4/1:31400+8600m1 "},
  };
  for (const Case& c : cases) {
    MediumLayout layout;
    ASSERT_EQ(BuildMediumLayout(c.facts, layout), kOk) << c.what;
    EXPECT_EQ(Describe(layout), c.expected) << c.what;
  }
}

TEST(MediumLayoutBuilderTest, NoTrackMeansNoMedium) {
  MediumLayout layout;
  EXPECT_EQ(BuildMediumLayout(MediumFacts{{0, 0, {Entry(kLeadOutTrack, 0)}}, {}, {}, {}}, layout),
            kNoMedium);
  EXPECT_EQ(BuildMediumLayout(MediumFacts{}, layout), kNoMedium);
}

TEST(MediumLayoutBuilderTest, ProfileNames) {
  EXPECT_EQ(ProfileName(0x0008), u"CD-ROM");
  EXPECT_EQ(ProfileName(0x0010), u"DVD-ROM");
  EXPECT_EQ(ProfileName(0x0043), u"BD-RE");
  EXPECT_EQ(ProfileName(0x1234), u"Unknown");
}

}  // namespace
}  // namespace wrenlo::drive
