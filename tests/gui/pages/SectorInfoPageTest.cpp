#include <FakeEngine.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractFileIconProvider>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <csignal>
#include <cstring>
#include <functional>
#include <memory>

#include "../support/MessageBoxCatcher.h"
#include "../support/WaitUntil.h"
#include "core/disc/DeviceContext.h"
#include "core/format/HexDump.h"
#include "gui/controls/BinaryViewer.h"
#include "gui/pages/SectorInfoPage.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/ToolBarCtrl.h"
#include "gui/platform/UpDownCtrl.h"

namespace {

using Page = SectorInfoPage;

constexpr int kAllCommands[] = {Page::kSave, Page::kFirstSector, Page::kPreviousSector,
                                Page::kNextSector, Page::kLastSector};

// A medium whose sessions have the given sector counts; session n starts at
// n * 100000.
void ScriptMedium(const std::vector<std::int32_t>& counts) {
  const auto last = static_cast<std::int32_t>(counts.size());
  fake::script().medium = fake::Medium(u"DVD-ROM", 1, last, 1, last);
  for (std::int32_t n = 1; n <= last; ++n)
    fake::script().sessions[n] =
        fake::Session(counts[static_cast<std::size_t>(n - 1)], n * 100000, n);
}

// The first line of the dump of the fake engine's sector at address.
QString DumpLineOf(std::int32_t address) {
  std::vector<std::uint8_t> bytes(16);
  for (std::size_t i = 0; i < bytes.size(); i += 4) std::memcpy(&bytes[i], &address, 4);
  return QString::fromStdU16String(FormatHexDump(bytes)).chopped(2);
}

class SectorInfoPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::Reset();
    window.resize(600, 420);
    page.CreatePage(&window);
    page.setGeometry(0, 0, 600, 420);
    page.show();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return window.isActiveWindow(); }));
  }

  // Hands the page a new context built from the script, as the main window
  // does.
  void Load() {
    auto fresh = std::make_unique<DeviceContext>(u'D');
    page.context = fresh.get();
    page.UpdateContent();
    context = std::move(fresh);
  }

  QLineEdit* Box() const { return Item<QLineEdit>(&page, Page::kSectorEditId); }
  QComboBox* Sessions() const { return Item<QComboBox>(&page, Page::kSessionListId); }
  QString CountText() const { return Item<QLabel>(&page, Page::kCountLabelId)->text(); }
  UpDownCtrl* Arrows() const { return Item<UpDownCtrl>(&page, Page::kUpDownId); }
  BinaryViewer* Viewer() const { return Item<BinaryViewer>(&page, Page::kViewerId); }
  QString FirstViewerLine() const { return Viewer()->toPlainText().section('\n', 0, 0); }
  ToolBarCtrl* Toolbar() const { return page.findChild<ToolBarCtrl*>(); }
  QAction* Button(int command) const { return Toolbar()->Button(command); }
  std::vector<bool> ButtonStates() const {
    std::vector<bool> states;
    for (const int command : kAllCommands) states.push_back(Button(command)->isEnabled());
    return states;
  }
  void Click(int command) {
    QTest::mouseClick(Toolbar()->widgetForAction(Button(command)), Qt::LeftButton);
  }
  std::size_t Reads() const { return fake::CallsNamed("ReadSectors").size(); }

  // Types text into the emptied sector box, which then has the focus.
  void Type(const QString& text) {
    Box()->setFocus();
    EXPECT_TRUE(Box()->hasFocus());
    Box()->selectAll();
    QTest::keyClick(Box(), Qt::Key_Backspace);
    QTest::keyClicks(Box(), text);
  }
  void Leave() {
    Viewer()->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(Box()->hasFocus());
  }
  void GoTo(std::int32_t sector) {
    Type(QString::number(sector));
    QTest::keyClick(Box(), Qt::Key_Return);
    Leave();
  }

  QWidget window;
  std::unique_ptr<DeviceContext> context;
  Page page;
};

TEST_F(SectorInfoPageTest, BeforeAnyContextThePageIsEmptyAndReadsNothing) {
  EXPECT_EQ(page.GetTitle(), "Sector Viewer");
  EXPECT_EQ(CountText(), "/ 0");
  EXPECT_EQ(Box()->text(), "0");
  EXPECT_EQ(Viewer()->toPlainText(), "");
  EXPECT_EQ(Sessions()->count(), 0);
  EXPECT_TRUE(fake::Calls().empty());
}

TEST_F(SectorInfoPageTest, NewContextListsSessionsByTextAndShowsSectorZeroOfTheLast) {
  ScriptMedium({1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000});
  Load();
  QStringList items;
  for (int i = 0; i < Sessions()->count(); ++i) items << Sessions()->itemText(i);
  EXPECT_EQ(items,
            QStringList({"Session 1 (1.95 MB)", "Session 10 (19.53 MB)", "Session 2 (3.91 MB)",
                         "Session 3 (5.86 MB)", "Session 4 (7.81 MB)", "Session 5 (9.77 MB)",
                         "Session 6 (11.72 MB)", "Session 7 (13.67 MB)", "Session 8 (15.63 MB)",
                         "Session 9 (17.58 MB)"}));
  EXPECT_EQ(Sessions()->currentText(), "Session 10 (19.53 MB)");
  EXPECT_EQ(CountText(), "/ 10000");
  EXPECT_EQ(Box()->text(), "0");
  EXPECT_EQ(FirstViewerLine(), DumpLineOf(1000000));
  EXPECT_EQ(fake::CallsNamed("ReadSectors"),
            std::vector<std::string>{"ReadSectors(-1, 1000000, 1, 0, 2048)"});
  EXPECT_EQ(ButtonStates(), (std::vector<bool>{true, false, false, true, true}));
}

TEST_F(SectorInfoPageTest, NavigationAtFirstMiddleAndLastSector) {
  ScriptMedium({1000});
  Load();
  struct Case {
    std::int32_t from;
    const char* what;
    std::function<void()> act;
    std::int32_t to;  // equal to from: nothing happens, nothing is read
  };
  UpDownCtrl* arrows = Arrows();
  const auto first = [&] { Click(Page::kFirstSector); };
  const auto previous = [&] { Click(Page::kPreviousSector); };
  const auto next = [&] { Click(Page::kNextSector); };
  const auto last = [&] { Click(Page::kLastSector); };
  const auto upArrow = [&] { QTest::mouseClick(arrows->UpArrow(), Qt::LeftButton); };
  const auto downArrow = [&] { QTest::mouseClick(arrows->DownArrow(), Qt::LeftButton); };
  const auto upKey = [&] {
    Box()->setFocus();
    QTest::keyClick(Box(), Qt::Key_Up);
  };
  const auto downKey = [&] {
    Box()->setFocus();
    QTest::keyClick(Box(), Qt::Key_Down);
  };
  const Case cases[] = {
      {0, "first", first, 0},
      {0, "previous", previous, 0},
      {0, "next", next, 1},
      {0, "last", last, 999},
      {0, "up arrow", upArrow, 1},
      {0, "down arrow", downArrow, 0},
      {0, "Up key", upKey, 1},
      {0, "Down key", downKey, 0},
      {500, "first", first, 0},
      {500, "previous", previous, 499},
      {500, "next", next, 501},
      {500, "last", last, 999},
      {500, "up arrow", upArrow, 501},
      {500, "down arrow", downArrow, 499},
      {500, "Up key", upKey, 501},
      {500, "Down key", downKey, 499},
      {999, "first", first, 0},
      {999, "previous", previous, 998},
      {999, "next", next, 999},
      {999, "last", last, 999},
      {999, "up arrow", upArrow, 999},
      {999, "down arrow", downArrow, 998},
      {999, "Up key", upKey, 999},
      {999, "Down key", downKey, 998},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " " + c.what);
    GoTo(c.from);
    ASSERT_EQ(Box()->text(), QString::number(c.from));
    fake::Reset();
    c.act();
    EXPECT_EQ(Box()->text(), QString::number(c.to));
    EXPECT_EQ(FirstViewerLine(), DumpLineOf(100000 + c.to));
    EXPECT_EQ(Reads(), c.to == c.from ? 0u : 1u);
    EXPECT_EQ(ButtonStates(),
              (std::vector<bool>{true, c.to > 0, c.to > 0, c.to < 999, c.to < 999}));
  }
  // A click on an arrow puts the focus in the sector box.
  Leave();
  downArrow();
  EXPECT_TRUE(Box()->hasFocus());
}

TEST_F(SectorInfoPageTest, SectorBoxCommitsOnEnterOrLeavingOnly) {
  ScriptMedium({1000});
  Load();
  enum class Then { Nothing, Enter, Leave, UpArrow };
  struct Case {
    const char* what;
    std::int32_t from;
    QString typed;
    Then then;
    QString box;         // the box's text afterwards
    std::int32_t shown;  // the sector shown afterwards
    std::size_t reads;
  };
  const Case cases[] = {
      {"beyond the end, Enter", 0, "5000", Then::Enter, "999", 999, 1},
      {"beyond the 32-bit range, Enter", 0, "99999999999", Then::Enter, "999", 999, 1},
      {"a number, leaving", 500, "20", Then::Leave, "20", 20, 1},
      {"the same number, Enter", 500, "500", Then::Enter, "500", 500, 0},
      {"the same number, leaving", 500, "500", Then::Leave, "500", 500, 0},
      {"typing alone", 500, "123", Then::Nothing, "123", 500, 0},
      {"letters are not taken", 500, "4x2", Then::Enter, "42", 42, 1},
      {"cleared while another sector is shown", 500, "", Then::Leave, "0", 0, 1},
      {"cleared while sector 0 is shown", 0, "", Then::Leave, "", 0, 0},
      // The arrow takes the focus to the box, which keeps it: the typed
      // number is dropped and the step starts from the sector shown.
      {"typed, then the up arrow", 500, "123", Then::UpArrow, "501", 501, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GoTo(c.from);
    fake::Reset();
    Type(c.typed);
    if (c.then == Then::Enter) QTest::keyClick(Box(), Qt::Key_Return);
    if (c.then == Then::Leave) Leave();
    if (c.then == Then::UpArrow) QTest::mouseClick(Arrows()->UpArrow(), Qt::LeftButton);
    EXPECT_EQ(Box()->text(), c.box);
    EXPECT_EQ(FirstViewerLine(), DumpLineOf(100000 + c.shown));
    EXPECT_EQ(Reads(), c.reads);
    EXPECT_TRUE(page.isVisible());  // Enter stays in the page
    Leave();
  }
}

TEST_F(SectorInfoPageTest, ChoosingAnotherSessionKeepsTheSectorNumber) {
  ScriptMedium({1000, 500});
  Load();
  GoTo(499);
  EXPECT_EQ(ButtonStates(), (std::vector<bool>{true, true, true, false, false}));
  fake::Reset();
  Sessions()->setFocus();
  QTest::keyClick(Sessions(), Qt::Key_Up);  // from "Session 2" to "Session 1"
  EXPECT_EQ(Sessions()->currentText(), "Session 1 (1.95 MB)");
  EXPECT_EQ(Box()->text(), "499");
  EXPECT_EQ(CountText(), "/ 1000");
  EXPECT_EQ(fake::CallsNamed("ReadSectors"),
            std::vector<std::string>{"ReadSectors(-1, 100499, 1, 0, 2048)"});
  EXPECT_EQ(FirstViewerLine(), DumpLineOf(100499));
  EXPECT_EQ(ButtonStates(), (std::vector<bool>{true, true, true, true, true}));
  Click(Page::kNextSector);
  EXPECT_EQ(FirstViewerLine(), DumpLineOf(100500));
}

TEST_F(SectorInfoPageTest, EmptySessionAndMissingSessionRecords) {
  // A session of 0 sectors: the reset of a new context gives sector -1.
  ScriptMedium({1000});
  Load();
  GoTo(5);
  fake::Reset();
  ScriptMedium({0});
  Load();
  EXPECT_EQ(CountText(), "/ 0");
  EXPECT_EQ(Box()->text(), "-1");
  EXPECT_EQ(ButtonStates(), (std::vector<bool>{true, false, false, false, false}));
  QTest::mouseClick(Arrows()->UpArrow(), Qt::LeftButton);
  QTest::mouseClick(Arrows()->DownArrow(), Qt::LeftButton);
  EXPECT_EQ(Box()->text(), "-1");

  // A medium without session records: an empty list, the default record's
  // count, every control usable.
  fake::Reset();
  fake::script().medium = fake::Medium(u"DVD-ROM", 0, 0, 1, 1);
  Load();
  EXPECT_EQ(Sessions()->count(), 0);
  EXPECT_EQ(CountText(), "/ -1");
  EXPECT_TRUE(Box()->isEnabled());
  EXPECT_EQ(fake::CallsNamed("ReadSectors").size(), 1u);
}

TEST_F(SectorInfoPageTest, WithoutMediumEverythingIsDisabled) {
  ScriptMedium({1000, 2000});
  Load();
  fake::Reset();
  fake::script().results["GetMediumInformation"] = 1;
  Load();
  for (const int id : {Page::kSessionLabelId, Page::kSessionListId, Page::kSectorLabelId,
                       Page::kSectorEditId, Page::kUpDownId, Page::kCountLabelId, Page::kViewerId})
    EXPECT_FALSE(Item(&page, id)->isEnabled()) << id;
  EXPECT_EQ(ButtonStates(), std::vector<bool>(5, false));
  EXPECT_EQ(Viewer()->toPlainText(), "Medium is not inserted.");
  EXPECT_EQ(Sessions()->count(), 0);
  EXPECT_EQ(CountText(), "/ 0");
  EXPECT_EQ(Reads(), 0u);
  QTest::keyClick(Box(), Qt::Key_Up);
  EXPECT_EQ(Reads(), 0u);
}

TEST_F(SectorInfoPageTest, ReadErrorShowsTheResultAndDisablesSave) {
  ScriptMedium({1000});
  fake::script().readFailures[100003] = -1;
  fake::script().failedReadFill = 0xEE;
  Load();
  GoTo(3);
  EXPECT_EQ(Viewer()->toPlainText(), "Sector read error (5)");
  EXPECT_EQ(ButtonStates(), (std::vector<bool>{false, true, true, true, true}));
  Click(Page::kNextSector);
  EXPECT_EQ(FirstViewerLine(), DumpLineOf(100004));
  EXPECT_TRUE(Button(Page::kSave)->isEnabled());
}

class SectorSaveTest : public SectorInfoPageTest {
 protected:
  void SetUp() override {
    SectorInfoPageTest::SetUp();
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(settings.isValid());
    // The folder last saved to is remembered here, not in the user's settings.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ScriptMedium({1000});
    sector.resize(2048);
    for (std::size_t i = 0; i < sector.size(); ++i) sector[i] = static_cast<std::uint8_t>(i % 251);
    fake::script().sectors[100007] = sector;
    Load();
    GoTo(7);
  }

  // Saves with the dialog answering path; what a message box showed.
  SeenBox Save(const QString& path) {
    page.SetSaveFileDialog([this, path](QFileDialog& dialog) {
      asked = true;
      filters = dialog.nameFilters();
      suffix = dialog.defaultSuffix();
      saving = dialog.acceptMode() == QFileDialog::AcceptSave &&
               !dialog.testOption(QFileDialog::DontConfirmOverwrite);
      return path;
    });
    return RunCatchingMessageBox([&] { Click(Page::kSave); });
  }
  QStringList FolderEntries() const {
    return QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  }

  QTemporaryDir folder;
  QTemporaryDir settings;
  std::vector<std::uint8_t> sector;
  bool asked = false, saving = false;
  QStringList filters;
  QString suffix;
};

TEST_F(SectorSaveTest, WritesExactlyTheBytesShown) {
  const QString path = folder.filePath("sector.bin");
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write(QByteArray(5000, 'x'));
  old.close();
  const SeenBox box = Save(path);
  EXPECT_FALSE(box.shown);
  ASSERT_TRUE(asked);
  EXPECT_EQ(filters, QStringList({"Binary Files (*.bin)", "All Files (*.*)"}));
  EXPECT_EQ(suffix, "bin");
  EXPECT_TRUE(saving);
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QByteArray bytes = saved.readAll();
  ASSERT_EQ(bytes.size(), 2048);
  EXPECT_EQ(std::memcmp(bytes.data(), sector.data(), 2048), 0);
  EXPECT_EQ(FolderEntries(), QStringList{"sector.bin"});
}

// The dialog starts in the documents folder, then in the folder the last save
// went to, suggesting the sector's number as the name. Its icons and types
// never come from a file's content: a PNG picture without a suffix is just a
// file to it.
TEST_F(SectorSaveTest, DialogStartsInTheLastFolderSuggestsANameAndReadsNoFile) {
  QFile picture(folder.filePath("picture"));
  ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
  picture.write(QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"));
  picture.close();
  struct Seen {
    QString folder, file, type;
    bool plainModel = false, nativeDialog = true, customFolderIcons = true;
  };
  const auto saveSeeing = [&](const QString& path) {
    Seen seen;
    page.SetSaveFileDialog([&](QFileDialog& dialog) {
      seen.folder = dialog.directory().absolutePath();
      seen.file = QFileInfo(dialog.selectedFiles().value(0)).fileName();
      seen.type = dialog.iconProvider()->type(QFileInfo(picture.fileName()));
      auto* model = dialog.findChild<QFileSystemModel*>();
      seen.plainModel = model != nullptr && model->iconProvider() == dialog.iconProvider();
      seen.nativeDialog = !dialog.testOption(QFileDialog::DontUseNativeDialog);
      seen.customFolderIcons = !dialog.testOption(QFileDialog::DontUseCustomDirectoryIcons);
      return path;
    });
    RunCatchingMessageBox([&] { Click(Page::kSave); });
    return seen;
  };
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!QFileInfo(documents).isDir()) documents = QDir::homePath();
  const Seen first = saveSeeing(folder.filePath("kept.bin"));
  EXPECT_EQ(first.folder, QDir(documents).absolutePath());
  EXPECT_EQ(first.file, "sector-7.bin");
  EXPECT_EQ(first.type, "File");
  EXPECT_TRUE(first.plainModel);
  EXPECT_FALSE(first.nativeDialog);
  EXPECT_FALSE(first.customFolderIcons);
  Click(Page::kNextSector);
  const Seen second = saveSeeing(QString());
  EXPECT_EQ(second.folder, QDir(folder.path()).absolutePath());
  EXPECT_EQ(second.file, "sector-8.bin");
}

TEST_F(SectorSaveTest, CancelWritesNothing) {
  const SeenBox box = Save(QString());
  EXPECT_TRUE(asked);
  EXPECT_FALSE(box.shown);
  EXPECT_TRUE(FolderEntries().isEmpty());
}

TEST_F(SectorSaveTest, SaveIsNotOfferedAfterAFailedRead) {
  fake::script().readFailures[100008] = -1;
  Click(Page::kNextSector);
  Save(folder.filePath("sector.bin"));
  EXPECT_FALSE(asked);
  EXPECT_TRUE(FolderEntries().isEmpty());
}

TEST_F(SectorSaveTest, WritesThroughLinksAndIntoFifosWithoutReplacingThem) {
  ASSERT_TRUE(QDir(folder.path()).mkdir("real"));
  ASSERT_TRUE(QFile::link("real/sector.bin", folder.filePath("link.bin")));
  const QString fifo = folder.filePath("fifo");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  for (const QString& path : {folder.filePath("link.bin"), fifo})
    EXPECT_FALSE(Save(path).shown) << path.toStdString();

  QFile saved(folder.filePath("real/sector.bin"));
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_TRUE(saved.readAll() == QByteArray(reinterpret_cast<const char*>(sector.data()), 2048));
  EXPECT_TRUE(QFileInfo(folder.filePath("link.bin")).isSymLink());
  QByteArray received(4096, '\0');
  received.resize(std::max<qsizetype>(0, ::read(reader, received.data(), received.size())));
  ::close(reader);
  EXPECT_TRUE(received == QByteArray(reinterpret_cast<const char*>(sector.data()), 2048));
  struct stat status {};
  ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));
  EXPECT_EQ(FolderEntries(), QStringList({"link.bin", "real"}));  // no temporary file
}

TEST_F(SectorSaveTest, FailureShowsTheErrorAndLeavesNoFile) {
  ASSERT_TRUE(QDir(folder.path()).mkdir("folder"));
  QFile file(folder.filePath("old.bin"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("old content");
  file.close();
  struct Case {
    const char* what;
    QString path;
    bool limitFileSize;  // writes fail after the first 1024 bytes
    QString reason;      // what the system says
  };
  const Case cases[] = {
      {"a folder that does not exist", folder.filePath("missing/sector.bin"), false,
       "No such file or directory"},
      {"a path through a file", folder.filePath("old.bin/sector.bin"), false, "Not a directory"},
      {"a folder as the file", folder.filePath("folder"), false, "Is a directory"},
      {"a write that fails halfway over an existing file", folder.filePath("old.bin"), true,
       "File too large"},
      {"a write that fails halfway", folder.filePath("new.bin"), true, "File too large"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (c.limitFileSize) {
      rlimit limit = saved;
      limit.rlim_cur = 1024;
      ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    const SeenBox box = Save(c.path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.caption, "Error");
    // The fixed first line, the file under it, then the reason.
    const QStringList lines = box.text.split(u'\n');
    ASSERT_EQ(lines.size(), 3) << box.text.toStdString();
    EXPECT_EQ(lines[0], "Error. File cannot be saved.");
    EXPECT_EQ(lines[1], c.path);
    EXPECT_TRUE(lines[2].contains(c.reason)) << c.what << ": " << lines[2].toStdString();
    EXPECT_EQ(box.buttons, QStringList{"OK"});
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(FolderEntries(), QStringList({"folder", "old.bin"}));
    QFile old(folder.filePath("old.bin"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old content");
  }
}

TEST_F(SectorInfoPageTest, LayoutInPixels) {
  ScriptMedium({1000000});
  Load();
  // A label is as wide as the layout says, or as its text when that is wider.
  const auto label = [&](int id, int x, int y, int width) {
    auto* control = Item<QLabel>(&page, id);
    const int text = control->fontMetrics().horizontalAdvance(control->text());
    return QRect(x, y, std::max(width, text), 18);
  };
  for (const QSize size : {QSize(600, 420), QSize(450, 300)}) {
    SCOPED_TRACE(size.width());
    page.resize(size);
    const int r = size.width(), b = size.height();
    EXPECT_EQ(Item(&page, Page::kSessionLabelId)->geometry(),
              label(Page::kSessionLabelId, 0, 3, 39));
    EXPECT_EQ(Sessions()->geometry(), QRect(44, 0, r - 44, 22));
    EXPECT_EQ(Item(&page, Page::kSectorLabelId)->geometry(),
              label(Page::kSectorLabelId, 0, 33, 35));
    EXPECT_EQ(Box()->geometry(), QRect(44, 30, 80, 22));
    EXPECT_EQ(Arrows()->geometry(), QRect(118, 30, 20, 22));
    EXPECT_EQ(Item(&page, Page::kCountLabelId)->geometry(),
              label(Page::kCountLabelId, 148, 33, 80));
    EXPECT_EQ(Toolbar()->geometry(), QRect(r - 124, 30, 130, 20));
    // The holder fills the row between the count and the toolbar.
    const int countEnd = Item(&page, Page::kCountLabelId)->geometry().right() + 1;
    EXPECT_EQ(Item(&page, Page::kHolderLabelId)->geometry(),
              QRect(countEnd + 12, 33, r - 130 - (countEnd + 12), 18));
    EXPECT_EQ(Viewer()->geometry(), QRect(0, 64, r, b - 64));
    // Every button is shown in full inside the toolbar.
    for (const int command : kAllCommands) {
      QWidget* button = Toolbar()->widgetForAction(Button(command));
      EXPECT_TRUE(button->isVisible()) << command;
      EXPECT_TRUE(Toolbar()->rect().contains(button->geometry())) << command;
      EXPECT_GE(button->height(), 16) << command;  // the icon's height
    }
  }
}

// The holder of the sector shown, from each session's layout, read once per
// session while the page is shown, and named also for a sector that does not
// read.
TEST_F(SectorInfoPageTest, NamesTheFileOrStructureThatHoldsTheSector) {
  ScriptMedium({1000, 2000});  // the last session starts at 200000
  fake::script().layout = {
      {wrenlo::kLayoutStructure, u"Primary volume descriptor", 0, {{200016, 1}}},
      {wrenlo::kLayoutFile,
       u"/DOCS/A FOLDER WITH A LONG NAME/A.TXT",
       15 * 2048,
       {{200100, 10}, {200300, 5}}},
  };
  fake::script().readFailures[200302] = -1;
  Load();
  const auto holder = [&] { return Item<QLabel>(&page, Page::kHolderLabelId)->toolTip(); };
  ASSERT_TRUE(WaitUntil([&] { return holder() == "Holder: free"; })) << holder().toStdString();
  GoTo(16);
  EXPECT_EQ(holder(), "Holder: Primary volume descriptor");
  GoTo(302);
  EXPECT_EQ(Viewer()->toPlainText(), "Sector read error (5)");
  EXPECT_EQ(holder(), "Holder: /DOCS/A FOLDER WITH A LONG NAME/A.TXT, byte 24576");
  // Too long for its place: the label keeps its caption and the end, the
  // file's name and the byte.
  const QString shown = Item<QLabel>(&page, Page::kHolderLabelId)->text();
  EXPECT_TRUE(shown.startsWith("Holder: ") && shown.endsWith("A.TXT, byte 24576") &&
              shown.size() < holder().size())
      << shown.toStdString();
  EXPECT_EQ(fake::CallsNamed("ListMediumLayout").size(), 1u);

  // The first session: the same medium's layout numbered from its start,
  // where nothing lies on sector 302.
  Sessions()->setCurrentIndex(Sessions()->findData(1));
  emit Sessions()->activated(Sessions()->currentIndex());
  ASSERT_TRUE(WaitUntil([&] { return holder() == "Holder: free"; })) << holder().toStdString();
  EXPECT_EQ(fake::CallsNamed("ListMediumLayout").size(), 2u);
}

}  // namespace
