#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/extract/ExtractReport.h"

namespace {

using Json = nlohmann::json;

TEST(ExtractReportTest, ListsIncompleteRenamedAndKeptFilesWithHostileNamesIntact) {
  ExtractReport report;
  report.files = 3;
  report.folders = 1;
  report.bytes = 10000;
  report.incomplete.push_back(
      {{u"/Fotos/a\u202E.jpg", "Fotos/a\u202E.jpg", 6000}, {{{2048, 4095}}, {{31, 31}}}});
  report.renamed.push_back({{u"/x\ny", "x_y", 5}, "unsafe characters"});
  report.kept.push_back({u"/old", "old", 1});
  report.links = 2;
  report.unmadeLinks.push_back({{u"/bad", "bad", 0}, std::u16string(u"a\0b", 3)});

  const Json manifest = Json::parse(ExtractReportJson(report));
  EXPECT_FALSE(manifest["complete"].get<bool>());
  EXPECT_TRUE(manifest["stopped"].is_null());
  EXPECT_EQ(manifest["files"], 3);
  EXPECT_EQ(manifest["bytes"], 10000);
  const Json& incomplete = manifest["incomplete"][0];
  EXPECT_EQ(incomplete["path"], "/Fotos/a\u202E.jpg");
  EXPECT_EQ(incomplete["missing_bytes"], Json::parse(R"([{"first": 2048, "last": 4095}])"));
  EXPECT_EQ(incomplete["sectors"], Json::parse(R"([{"first": 31, "last": 31}])"));
  EXPECT_EQ(manifest["renamed"][0]["path"], "/x\ny");
  EXPECT_EQ(manifest["renamed"][0]["local"], "x_y");
  EXPECT_EQ(manifest["renamed"][0]["reason"], "unsafe characters");
  EXPECT_EQ(manifest["not_replaced"][0]["local"], "old");
  EXPECT_EQ(manifest["links"], 2);
  EXPECT_EQ(manifest["links_not_made"][0]["path"], "/bad");
  EXPECT_EQ(manifest["links_not_made"][0]["target"], std::string("a\0b", 3));
}

TEST(ExtractReportTest, SaysWhatStoppedItAndIsCompleteOnlyWhenEverythingWasWritten) {
  ExtractReport report;
  EXPECT_TRUE(Json::parse(ExtractReportJson(report))["complete"].get<bool>());
  EXPECT_EQ(Json::parse(ExtractReportJson(report))["incomplete"], Json::array());

  report.stopped = "cannot write /out/big.iso: No space left on device";
  const Json manifest = Json::parse(ExtractReportJson(report));
  EXPECT_FALSE(manifest["complete"].get<bool>());
  EXPECT_EQ(manifest["stopped"], report.stopped);

  ExtractReport unmade;
  unmade.unmadeLinks.push_back({{u"/empty", "empty", 0}, u""});
  EXPECT_FALSE(Json::parse(ExtractReportJson(unmade))["complete"].get<bool>());

  ExtractReport cancelled;
  cancelled.cancelled = true;
  EXPECT_FALSE(Json::parse(ExtractReportJson(cancelled))["complete"].get<bool>());
}

}  // namespace
