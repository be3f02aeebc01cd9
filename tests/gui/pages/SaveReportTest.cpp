// Keeping a record of a disc from the window: the scan log's Save, Save
// Report (HTML and JSON) and the firmware box, on the scriptable engine.
#include <FakeEngine.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cerrno>
#include <memory>
#include <nlohmann/json.hpp>

#include "../support/MessageBoxCatcher.h"
#include "../support/WaitUntil.h"
#include "core/disc/DeviceContext.h"
#include "core/report/DeviceFeaturesRows.h"
#include "core/report/MediaRows.h"
#include "core/report/ScanLogText.h"
#include "core/report/ScanSummary.h"
#include "gui/app/MainWindow.h"
#include "gui/pages/DeviceFeaturesPage.h"
#include "gui/pages/ScanPage.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/Menu.h"

namespace {

using Json = nlohmann::json;

// Writes the first 100 bytes, then fails as a full disc does.
ssize_t FullDiscWriter(int fd, const void* bytes, size_t count) {
  static thread_local bool wrote = false;
  if (!wrote && count > 100) {
    wrote = true;
    return ::write(fd, bytes, 100);
  }
  wrote = false;
  errno = ENOSPC;
  return -1;
}

QString ReadText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

class SaveLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
    fake::script().sessions[1] = fake::Session(100, 0, 1);
    host.resize(700, 500);
    page = std::make_unique<ScanPage>();
    page->CreatePage(&host);
    page->setGeometry(0, 0, 600, 400);
    context = std::make_unique<DeviceContext>(u'E');
    page->context = context.get();
    page->UpdateContent();
    ASSERT_TRUE(folder.isValid());
  }
  void TearDown() override {
    page.reset();
    context.reset();
  }

  QPushButton* Save() const { return Item<QPushButton>(page->Client(), ScanPage::kSaveId); }

  // Presses Save with the dialog answering path; what the dialog suggested.
  QString SaveTo(const QString& path) {
    QString suggested;
    page->SetSaveFileDialog([&](QFileDialog& dialog) {
      suggested = QFileInfo(dialog.selectedFiles().value(0)).fileName();
      return path;
    });
    Save()->click();
    return suggested;
  }

  QWidget host;
  QTemporaryDir folder;
  std::unique_ptr<DeviceContext> context;
  std::unique_ptr<ScanPage> page;
};

TEST_F(SaveLogTest, WritesOneTabSeparatedLinePerEntryAndIsEnabledOnlyWithEntries) {
  EXPECT_FALSE(Save()->isEnabled());
  const struct {
    LogKind kind;
    std::u16string text;
    std::int64_t sector;
    std::string line;  // after the time
  } entries[] = {
      {LogKind::Info, u"Surface scan started", kNoSector, "Info\tSurface scan started\t"},
      {LogKind::Problem, u"Sector problem", 150, "Problem\tSector problem\t150"},
      {LogKind::Error, u"Sector error", 2147483647, "Error\tSector error\t2147483647"},
      {LogKind::Error, u"File error: /DIR/Ünïcødé 名前.txt", kNoSector,
       "Error\tFile error: /DIR/Ünïcødé 名前.txt\t"},
      {LogKind::Error, u"File error: A\tB\nC", kNoSector, "Error\tFile error: A\\tB\\nC\t"},
  };
  const TimeValue when{1700000000};
  for (const auto& entry : entries)
    page->OnLogEntry(static_cast<int>(entry.kind), when, entry.text, entry.sector);
  // The list's "Sector" column names the sector of each entry that has one.
  auto* log = Item<QTreeWidget>(page->Client(), ScanPage::kLogId);
  ASSERT_EQ(log->columnCount(), 3);
  EXPECT_EQ(log->headerItem()->text(2), "Sector");
  QStringList sectors;
  for (int row = 0; row < log->topLevelItemCount(); ++row)
    sectors << log->topLevelItem(row)->text(2);
  EXPECT_EQ(sectors, QStringList({"", "150", "2147483647", "", ""}));
  ASSERT_TRUE(Save()->isEnabled());

  const QString path = folder.filePath("ÄÖ log.txt");
  const QString suggested = SaveTo(path);
  EXPECT_EQ(suggested, "E-" + QDateTime::currentDateTime().toString("yyyy-MM-dd") + "-log.txt");
  const QByteArray bytes = [&] {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }();
  const std::string time = QString::fromStdU16String(LogTimeText(when)).toStdString();
  std::string expected;
  for (const auto& entry : entries) expected += time + "\t" + entry.line + "\n";
  EXPECT_EQ(bytes.toStdString(), expected);

  Item<QPushButton>(page->Client(), ScanPage::kClearId)->click();
  EXPECT_FALSE(Save()->isEnabled());
}

// A write that fails shows the error box and leaves the folder as it was: an
// older file of the name keeps its content, and no temporary file remains.
TEST_F(SaveLogTest, AFailedWriteLeavesNothingBehind) {
  page->OnLogEntry(static_cast<int>(LogKind::Info), TimeValue{1}, std::u16string(5000, u'x'),
                   kNoSector);
  const QString old = folder.filePath("old.txt");
  {
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old content");
  }
  QDir(folder.path()).mkdir("locked");
  QFile::setPermissions(folder.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
  struct Case {
    const char* what;
    QString path;
    bool fullDisc;
    QString reason;
  };
  std::vector<Case> cases = {
      {"a full disc over an existing file", old, true, "No space left on device"},
      {"a full disc", folder.filePath("new.txt"), true, "No space left on device"},
      {"a folder that does not exist", folder.filePath("missing/log.txt"), false,
       "No such file or directory"},
  };
  // The system's administrator writes into any folder.
  if (::geteuid() != 0)
    cases.push_back({"a folder without write permission", folder.filePath("locked/log.txt"), false,
                     "Permission denied"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    page->SetFileWriter(c.fullDisc ? &FullDiscWriter : OutputFile::DefaultWriter());
    const SeenBox box = RunCatchingMessageBox([&] { SaveTo(c.path); });
    EXPECT_TRUE(box.shown);
    const QStringList lines = box.text.split(u'\n');
    ASSERT_EQ(lines.size(), 3) << box.text.toStdString();
    EXPECT_EQ(lines[0], "Error. File cannot be saved.");
    EXPECT_EQ(lines[1], c.path);
    EXPECT_TRUE(lines[2].contains(c.reason)) << lines[2].toStdString();
    EXPECT_EQ(Entries(folder.path()), QStringList({"locked", "old.txt"}));
    EXPECT_TRUE(Entries(folder.filePath("locked")).isEmpty());
    EXPECT_EQ(ReadText(old), "old content");
  }
}

class SaveReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    fake::script().devices = {u"E: Second drive"};
    fake::script().capabilitiesHandle = 7;
    fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
    fake::script().sessions[1] = fake::Session(300, 0, 1);
    fake::script().readFailures = {{10, 2}, {20, -1}, {21, -1}};
    ASSERT_TRUE(folder.isValid());
    window = std::make_unique<MainWindow>();
    window->Create();
    window->show();
    ASSERT_TRUE(WaitUntil([&] { return window->isVisible(); }));
  }
  void TearDown() override { window.reset(); }

  ScanPage& Scan() const { return *static_cast<ScanPage*>(window->Page(2)); }

  void RunSurfaceScan() {
    Item<QPushButton>(Scan().Client(), ScanPage::kStartStopId)->click();
    ASSERT_TRUE(WaitUntil(
        [&] {
          const ScanRecord* record = Scan().History().Last(u'E');
          return record != nullptr && record->ended;
        },
        20000));
  }

  // Runs Save Report with the dialog answering path in the chosen format.
  std::string SaveReport(const QString& path, bool jsonFilter) {
    window->SetSaveFileDialog([&](QFileDialog& dialog) {
      if (jsonFilter) dialog.selectNameFilter(dialog.nameFilters().value(1));
      return path;
    });
    window->OnCommand(MainWindow::kSaveReport);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
  }

  QTemporaryDir folder;
  std::unique_ptr<MainWindow> window;
};

// The report's facts are the pages' rows and the scan's summary, in the
// shapes the command line prints them.
TEST_F(SaveReportTest, JsonHoldsThePagesRowsAndTheScansSummary) {
  const Json before = Json::parse(SaveReport(folder.filePath("before.json"), false));
  EXPECT_TRUE(before.at("scan").is_null());

  RunSurfaceScan();
  // A name without an ending takes the type chosen in the dialog.
  const Json report = Json::parse(SaveReport(folder.filePath("report"), true));
  const DeviceContext& context = *window->CurrentContext();
  EXPECT_EQ(report.at("drive"),
            Json::parse(PropertyGroupsJson(ShownGroups(DeviceFeaturesRows(context)))));
  EXPECT_EQ(report.at("medium"), Json::parse(PropertyGroupsJson(ShownGroups(MediaRows(&context)))));
  EXPECT_EQ(report.at("drive").at(0).at("rows").at(0).at("label"), "Vendor");
  const Json& scan = report.at("scan");
  EXPECT_EQ(scan, Json::parse(ScanSummaryJson(SummaryOf(*Scan().History().Last(u'E')))));
  EXPECT_EQ(scan.at("total"), 300);
  EXPECT_EQ(scan.at("problem_ranges"), Json::parse("[[10, 10]]"));
  EXPECT_EQ(scan.at("error_ranges"), Json::parse("[[20, 21]]"));
  EXPECT_EQ(scan.at("stopped"), false);
}

// The HTML shows the indicators' shares, the ranges, the log and the map,
// and refers to nothing outside itself.
TEST_F(SaveReportTest, HtmlShowsTheScanAsThePageDoes) {
  RunSurfaceScan();
  const std::string html = SaveReport(folder.filePath("report.html"), false);
  ASSERT_TRUE(html.starts_with("<!DOCTYPE html>")) << html.substr(0, 100);
  for (const QString& share :
       {Scan().GoodLabel().Text(), Scan().ProblemLabel().Text(), Scan().ErrorLabel().Text()})
    EXPECT_NE(html.find("(" + share.toStdString() + ")"), std::string::npos) << share.toStdString();
  EXPECT_NE(html.find("<th scope=\"row\">Problem sectors</th><td>10</td>"), std::string::npos);
  EXPECT_NE(html.find("<th scope=\"row\">Error sectors</th><td>20&ndash;21</td>"),
            std::string::npos);
  EXPECT_NE(html.find("<td>Error</td><td>Sector error</td>"), std::string::npos);
  EXPECT_NE(html.find("src=\"data:image/png;base64,iVBORw0KGgo"), std::string::npos);
  for (const char* outside : {"http:", "https:", "<script", "<link", "url("})
    EXPECT_EQ(html.find(outside), std::string::npos) << outside;
  // The drive's rows and the medium's, with their group titles.
  EXPECT_NE(html.find("<h3>General Information</h3>"), std::string::npos);
  EXPECT_NE(html.find("<h3>Physical Information</h3>"), std::string::npos);
}

TEST_F(SaveReportTest, AFailedWriteShowsTheErrorBoxAndLeavesNothing) {
  window->SetFileWriter(&FullDiscWriter);
  const SeenBox box =
      RunCatchingMessageBox([&] { SaveReport(folder.filePath("report.html"), false); });
  EXPECT_TRUE(box.shown);
  EXPECT_TRUE(box.text.startsWith("Error. File cannot be saved.\n")) << box.text.toStdString();
  EXPECT_TRUE(Entries(folder.path()).isEmpty());
}

// A disc image being read is refused when it is chosen, without the question
// whether to replace it, and the dialog stays open; a name that comes past
// the dialog is refused when written. The image stays as it was.
TEST_F(SaveReportTest, TheImageBeingReadIsRefusedWithoutAReplaceQuestion) {
  const QString image = folder.filePath("disc.iso");
  {
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("the disc");
  }
  fake::script().imageFiles = {{wrenlo::kImageFileImage, image.toStdString()}};
  const QString link = folder.filePath("link.iso");
  ASSERT_TRUE(QFile::link(image, link));
  bool accepted = true;
  window->SetSaveFileDialog([&](QFileDialog& dialog) {
    dialog.selectFile(link);
    QMetaObject::invokeMethod(&dialog, "accept");  // as the Save button does
    accepted = dialog.result() == QDialog::Accepted;
    return accepted ? dialog.selectedFiles().value(0) : QString();
  });
  const SeenBox chosen = RunCatchingMessageBox([&] { window->OnCommand(MainWindow::kSaveReport); });
  EXPECT_FALSE(accepted);
  EXPECT_EQ(chosen.text, "Error. File cannot be saved.\n" + link + "\n" + link +
                             " is the disc image being read");
  const SeenBox written = RunCatchingMessageBox([&] { SaveReport(image, false); });
  EXPECT_TRUE(written.text.endsWith(image + " is the disc image being read"))
      << written.text.toStdString();
  QFile file(image);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "the disc");
}

// The box names the drive and its firmware; Copy puts that on the clipboard
// and leaves the box open.
TEST_F(SaveReportTest, FirmwareBoxShowsTheDriveAndCopiesIt) {
  fake::script().identity = std::array<std::u16string, 3>{u"ACME", u"DVD-9000", u"1.23"};
  wrenlo::DeviceInformationEx info{};
  for (std::size_t i = 0; i < 4; ++i) info.firmwareRevision.bytes[2 * i] = "1.23"[i];
  fake::script().deviceInfoEx = info;
  window->OnCommand(MainWindow::kRescanDevices);
  QApplication::clipboard()->clear();
  QString text;
  bool openAfterCopy = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    text = box->text();
    for (QAbstractButton* button : box->buttons())
      if (button->text() == "Copy") button->click();
    openAfterCopy = box->isVisible();
    box->done(0);
  });
  watch.start(0);
  Item<QPushButton>(window->Page(0)->Client(), DeviceFeaturesPage::kFirmwareUpdateId)->click();
  watch.stop();
  const QString facts =
      "Vendor: ACME\nModel: DVD-9000\nFirmware revision: 1.23\n"
      "Firmware date: not reported\n";
  EXPECT_TRUE(text.startsWith(facts)) << text.toStdString();
  EXPECT_TRUE(text.contains("maker's support pages"));
  EXPECT_TRUE(openAfterCopy);
  EXPECT_EQ(QApplication::clipboard()->text(), facts);
}

}  // namespace
