// A kept scan's summary, and the report's picture of its map, without a
// window or an engine.
#include <gtest/gtest.h>

#include "core/format/SurfaceCells.h"
#include "core/report/Base64.h"
#include "core/report/DiscReport.h"
#include "core/report/ScanSummary.h"
#include "core/report/SpeedCurvePicture.h"
#include "core/report/SurfacePicture.h"
#include "core/scan/ScanRecord.h"

namespace {

constexpr std::uint8_t N = 0, G = 1, P = 2, E = 3;

// The files test's outcome comes from its pass and its log: each "File
// error: " entry a path, each file-system error what could not be listed;
// other entries, and errors of the surface scan, are no file errors.
TEST(ScanSummaryTest, TakesTheFilesTestsOutcomeFromTheRecord) {
  ScanRecord record;
  record.surfaceScan = record.filesTest = true;
  record.ended = true;
  record.sectors = {G, P, E, E, N};
  ProgressCtx_t surface;
  surface.total = 5;
  surface.current = 5;
  record.EndPass(ScanPass::SurfaceScan, surface, 1000);
  ProgressCtx_t files;
  files.total = 4;
  files.current = 3;
  record.EndPass(ScanPass::FilesTest, files, 2000);
  record.log = {{LogKind::Error, {}, u"Sector error"},
                {LogKind::Info, {}, u"File error: not an error entry"},
                {LogKind::Error, {}, u"File error: /DIR/Ä.TXT"},
                {LogKind::Error, {}, u"File system error: root directory: medium error"}};
  const ScanResult result = SummaryOf(record);
  EXPECT_EQ(result.surface.total, 5);
  EXPECT_EQ(result.surface.unread, 1);
  EXPECT_EQ(result.surface.errorRanges, (std::vector<SectorRange>{{2, 3}}));
  EXPECT_EQ(result.filesTotal, 4);
  EXPECT_EQ(result.filesChecked, 3);
  EXPECT_TRUE(result.stopped);  // the files test ended before its last file
  EXPECT_EQ(result.fileErrorPaths, std::vector<std::u16string>{u"/DIR/Ä.TXT"});
  EXPECT_EQ(result.fileSystemErrors, std::vector<std::u16string>{u"root directory: medium error"});
  EXPECT_FALSE(ReadEverything(result));
  EXPECT_TRUE(result.damagedFiles.empty());  // no index was built
}

// The verdict says in one line what the scan found, or "No errors".
TEST(ScanSummaryTest, VerdictInOneLine) {
  const auto result = [](std::int64_t problems, std::int64_t errors, std::size_t damagedFiles,
                         std::size_t fileErrors, bool stopped = false, bool inProgress = false) {
    ScanResult r;
    r.surfaceScan = true;
    r.surface.problems = problems;
    r.surface.errors = errors;
    r.damagedFiles.resize(damagedFiles);
    r.fileErrorPaths.resize(fileErrors);
    r.stopped = stopped;
    r.inProgress = inProgress;
    return r;
  };
  const struct {
    ScanResult result;
    const char* verdict;
  } cases[] = {
      {result(60, 100, 4, 0), "60 problem and 100 error sectors; 4 files damaged"},
      {result(0, 0, 0, 0), "No errors"},
      {result(1, 0, 1, 0), "1 problem sector; 1 file damaged"},
      {result(0, 43, 0, 2), "43 error sectors; 2 files could not be read"},
      {result(0, 0, 0, 0, true), "No errors; stopped before the end"},
      {result(0, 26, 0, 0, false, true), "In progress: 26 error sectors so far"},
      {result(0, 0, 0, 0, false, true), "In progress: no errors so far"},
  };
  for (const auto& c : cases) EXPECT_EQ(ScanVerdict(c.result), c.verdict);
}

// The report's answer comes first: the disc, the verdict, the damaged files
// and the map; then the scan's details and log; the drive's and medium's rows
// last, in two columns.
TEST(DiscReportTest, SummaryFirstThenDetailsThenTheDriveAndMedium) {
  ScanRecord scan;
  scan.surfaceScan = scan.ended = true;
  scan.sectors = {G, G, P, E, G};
  ProgressCtx_t progress;
  progress.total = progress.current = 5;
  scan.EndPass(ScanPass::SurfaceScan, progress, 1000000);
  scan.log = {{LogKind::Error, {}, u"Sector error", 3}};
  DiscReport report;
  report.driveName = u"D: Virtual Image Drive";
  report.label = u"PHOTOS_2023";
  report.sectors = 5;
  report.imagePath = u"/home/me/discs/photos.iso";
  report.drive = {{u"General Information", {{u"Vendor", u"Virtual"}}}};
  report.medium = {{u"Physical Information", {{u"Media Type", u"CD-ROM"}}}};
  report.scan = &scan;
  report.pictures.push_back(SurfaceMapPicture(scan.sectors));
  const std::string html = ReportHtml(report);
  EXPECT_NE(html.find("<title>Disc report: PHOTOS_2023 (photos.iso, D:)</title>"),
            std::string::npos);
  std::vector<std::size_t> order;
  for (const char* part :
       {"<th scope=\"row\">Disc</th><td>PHOTOS_2023</td>",
        "<th scope=\"row\">Size</th><td>0.0 MB (5 sectors)</td>",
        "<th scope=\"row\">Image file</th><td><span class=\"path\">/home/me/discs/photos.iso",
        "<p class=\"verdict\">1 problem and 1 error sectors</p>", "<h3>Damaged files</h3>",
        "<figcaption>Surface map</figcaption>", "<h2>Scan details</h2>",
        "<th scope=\"row\">Problem sectors</th><td>2</td>", "<h3>Log</h3>",
        "<td>Sector error</td><td class=\"n\">3</td>", "<h2>Drive and medium</h2>",
        "<div class=\"columns\">", "<h3>General Information</h3>",
        "<h3>Physical Information</h3>"}) {
    order.push_back(html.find(part));
    EXPECT_NE(order.back(), std::string::npos) << part;
  }
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));

  // Without a label or a scan: what it is of, and that it was not scanned.
  report.label.clear();
  report.scan = nullptr;
  report.imagePath.clear();
  report.devicePath = u"/dev/sr0";
  report.driveName = u"E: HL-DT-ST DVDRAM";
  const std::string bare = ReportHtml(report);
  EXPECT_NE(bare.find("<title>Disc report: E: HL-DT-ST DVDRAM</title>"), std::string::npos);
  EXPECT_NE(bare.find("<th scope=\"row\">Drive</th><td>E: HL-DT-ST DVDRAM (/dev/sr0)</td>"),
            std::string::npos);
  EXPECT_NE(bare.find("Not scanned since the program started."), std::string::npos);
  EXPECT_EQ(bare.find("<h2>Scan details</h2>"), std::string::npos);
}

// The whole table fits: the map's own block sizes first, then any.
TEST(SurfacePictureTest, ChoosesTheSmallestBlockSizeThatFits) {
  const struct {
    std::size_t sectors;
    int maxRows;
    std::int32_t perBlock;
    int height;
  } cases[] = {
      {71, 10, 1, 10},  // one full row of 71 cells
      {72, 1, 5, 10},   // 72 cells do not fit one row; 15 do
      {71 * 10 * 100, 10, 100, 91},
      {71 * 10 * 100 + 1, 10, 101, 91},
      {0, 10, 1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sectors);
    const SurfacePicture picture =
        DrawSurfacePicture(std::vector<std::uint8_t>(c.sectors, G), 640, c.maxRows);
    EXPECT_EQ(picture.sectorsPerBlock, c.perBlock);
    EXPECT_EQ(picture.image.width, 640);
    EXPECT_EQ(picture.image.height, c.height);
  }
}

// Each cell is drawn as the map draws it, from the flags of its block.
TEST(SurfacePictureTest, DrawsEachBlockWithTheMapsCell) {
  // Blocks of 5: good; good and error; problem and not checked.
  const std::vector<std::uint8_t> table = {G, G, G, G, G, G, E, G, G, G, P, P, N, P, P};
  const SurfacePicture picture = DrawSurfacePicture(table, 30, 1);
  ASSERT_EQ(picture.sectorsPerBlock, 5);  // 3 cells a row, one row
  const std::uint8_t flags[] = {kBlockGood, kBlockGood | kBlockError, kBlockProblem};
  for (int block = 0; block < 3; ++block)
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(picture.image.At(1 + 9 * block + x, 1 + y), CellPixel(flags[block], false, x, y))
            << block << ": " << x << "," << y;
  EXPECT_EQ(picture.image.At(0, 0), 0xFFFFFFu);
}

TEST(Base64Test, EncodesWithPadding) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {std::string("\xff\xfe\xfd\x00", 4), "//79AA=="}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(Base64(bytes), text);
}

// Four groups of one sector each: fast, half as fast, unread, failed. The
// line joins the first two, breaks at the unread one, and the failed group
// sits at the foot under an error tick; the caption gives the axes.
TEST(ReadSpeedPictureTest, DrawsTheCurveItsGapAndItsTicks) {
  SpeedCurve curve;
  curve.Start(4, 1e6);
  curve.Add(0, 1000, SectorState::Good);     // 2.048 MB/s
  curve.Add(1, 2000, SectorState::Problem);  // 1.024 MB/s
  curve.Add(3, 1000, SectorState::Error);    // nothing read
  const RgbImage image = DrawSpeedCurvePicture(curve, 42, 22);
  // The plot is the whole picture, framed on its edge; the axis top is
  // 2.56 MB/s at row 0, nothing at row 21.
  EXPECT_EQ(image.At(0, 0), kSpeedFrameRgb);
  EXPECT_EQ(image.At(30, 11), kSpeedGridRgb);
  EXPECT_EQ(image.At(5, 5), kSpeedCurveRgb);
  EXPECT_EQ(image.At(15, 13), kSpeedCurveRgb);
  bool joined = false;
  for (int y = 1; y <= 20; ++y) joined = joined || image.At(10, y) == kSpeedCurveRgb;
  EXPECT_TRUE(joined);
  for (int y = 1; y <= 20; ++y) EXPECT_NE(image.At(26, y), kSpeedCurveRgb) << y;
  EXPECT_EQ(image.At(36, 15), kSpeedTickErrorRgb);
  EXPECT_EQ(image.At(36, 20), kSpeedTickErrorRgb);
  EXPECT_NE(image.At(36, 14), kSpeedTickErrorRgb);
  EXPECT_EQ(image.At(15, 20), kSpeedTickProblemRgb);

  const ReportPicture picture = ReadSpeedPicture(curve);
  EXPECT_EQ(picture.title, u"Read speed");
  EXPECT_EQ(picture.caption,
            u"Speed up the picture, to 2.6 MB/s (2.6x) at the top, grid lines at its quarters; "
            u"the position on the disc across it, 0 to 0.00 GB.");
  EXPECT_EQ(picture.png.substr(1, 3), "PNG");
}

}  // namespace
