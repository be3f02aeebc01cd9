// General > "Extract Files..." in the window, on the real engine: a small
// disc made with xorriso whose one clip lies partly on sectors that never
// read. The menu item follows the medium's file system; an extraction ends
// in the result dialog that names the incomplete file with its zeroed bytes
// and their sectors; a folder that is not empty is asked about once; Cancel
// stops an extraction before its end.
#include <gtest/gtest.h>
#include <wrenlo/wrenlo.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "../support/WaitUntil.h"
#include "core/disc/DeviceList.h"
#include "gui/app/MainWindow.h"
#include "gui/controls/DeviceCombo.h"
#include "gui/extract/ExtractProgressDialog.h"
#include "gui/extract/ExtractResultDialog.h"
#include "gui/platform/ControlId.h"
#include "gui/platform/Menu.h"

namespace {

constexpr int kClipSectors = 20;
constexpr int kSlowFiles = 40;

// What the result dialog showed.
struct Result {
  bool shown = false;
  QString heading, details, manifest;
};

class ExtractionWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work = new QTemporaryDir;
    const QString tree = work->filePath(QStringLiteral("tree"));
    QDir().mkpath(tree + QStringLiteral("/DOCS"));
    QDir().mkpath(tree + QStringLiteral("/VIDEO"));
    Write(tree + QStringLiteral("/readme.txt"), "from the disc");
    Write(tree + QStringLiteral("/DOCS/notes.txt"), "notes");
    QByteArray clip = QByteArrayLiteral("CLIP STARTS HERE");
    clip.resize(kClipSectors * 2048, 'c');
    Write(tree + QStringLiteral("/VIDEO/clip.bin"), clip);
    damaged = Make(tree, QStringLiteral("damaged.iso"));
    // Sectors 5 and 6 of the clip never read.
    QFile image(damaged);
    ASSERT_TRUE(image.open(QIODevice::ReadOnly));
    clipStart = static_cast<int>(image.readAll().indexOf("CLIP STARTS HERE") / 2048);
    ASSERT_GT(clipStart, 0);
    Write(damaged + QStringLiteral(".faults"),
          QStringLiteral("%1-%2 always\n").arg(clipStart + 5).arg(clipStart + 6).toUtf8());

    // Many small files read slowly, to be cancelled.
    const QString many = work->filePath(QStringLiteral("many"));
    QDir().mkpath(many);
    for (int i = 0; i < kSlowFiles; ++i)
      Write(many + QStringLiteral("/file%1.bin").arg(i, 2, 10, QChar('0')), QByteArray(8192, 'm'));
    slow = Make(many, QStringLiteral("slow.iso"));
    Write(slow + QStringLiteral(".faults"), "latency 5000\n");

    blank = work->filePath(QStringLiteral("blank.iso"));
    QFile zeros(blank);
    ASSERT_TRUE(zeros.open(QIODevice::WriteOnly) && zeros.resize(64 * 2048));
  }
  static void TearDownTestSuite() { delete work; }

  static void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  static QString Make(const QString& tree, const QString& name) {
    const QString image = work->filePath(name);
    EXPECT_EQ(QProcess::execute(QStringLiteral("xorriso"),
                                {"-as", "mkisofs", "-quiet", "-r", "-J", "-o", image, tree}),
              0);
    return image;
  }

  void SetUp() override {
    ASSERT_TRUE(settings.isValid() && out.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    qputenv("WRENLO_IMAGES", QFile::encodeName(damaged + ':' + slow + ':' + blank));
    wrenlo::Initialize();
    // The machine's own drives come first; the three images follow them.
    firstImage = static_cast<int>(ReadDeviceList().size()) - 3;
    window = std::make_unique<MainWindow>();
    window->Create();
    window->show();
    ASSERT_TRUE(WaitUntil([&] { return window->isVisible(); }));
    window->SetFolderDialog([this](QFileDialog&) {
      ++folderDialogs;
      return out.path();
    });
  }
  void TearDown() override { window.reset(); }

  // Shows the drive of the image at index (0: damaged, 1: slow, 2: blank).
  void ShowImage(int index) {
    auto* drives = Item<DeviceCombo>(window->Client(), MainWindow::kDeviceComboId);
    drives->setCurrentIndex(firstImage + index);
    emit drives->activated(firstImage + index);
  }
  QAction* ExtractFiles() const { return window->Menu()->Command(MainWindow::kExtractFiles); }

  // Runs General > Extract Files...; each question is answered with the
  // button answer, each progress dialog handed to duringProgress; what the
  // result dialog showed is returned.
  Result Extract(const QString& answer = QString(),
                 const std::function<void(ExtractProgressDialog*)>& duringProgress = nullptr) {
    Result result;
    QList<QPointer<QWidget>> seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr || !modal->isVisible() || seen.contains(modal)) return;
      seen << modal;
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        questions << box->text() + '\n' + box->informativeText();
        for (QAbstractButton* button : box->buttons())
          if (button->text() == answer) return button->click();
        ADD_FAILURE() << "no button " << answer.toStdString();
        box->reject();
      } else if (auto* progress = qobject_cast<ExtractProgressDialog*>(modal)) {
        if (duringProgress) duringProgress(progress);
      } else if (auto* done = qobject_cast<ExtractResultDialog*>(modal)) {
        result.shown = true;
        result.heading = Item<QLabel>(done->Client(), ExtractResultDialog::kHeadingId)->text();
        result.details =
            Item<QPlainTextEdit>(done->Client(), ExtractResultDialog::kDetailsId)->toPlainText();
        result.manifest = Item<QLabel>(done->Client(), ExtractResultDialog::kManifestId)->text();
        Item<QPushButton>(done->Client(), ExtractResultDialog::kOkId)->click();
      }
    });
    watch.start(1);
    ExtractFiles()->trigger();
    return result;
  }

  QString Content(const QString& path) const {
    QFile file(out.filePath(path));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  static inline QTemporaryDir* work = nullptr;
  static inline QString damaged, slow, blank;
  static inline int clipStart = 0;
  QTemporaryDir settings, out;
  int firstImage = 0;
  std::unique_ptr<MainWindow> window;
  int folderDialogs = 0;
  QStringList questions;
};

TEST_F(ExtractionWindowTest, TheMenuItemNeedsAMediumWithAFileSystem) {
  EXPECT_EQ(ExtractFiles()->text(), "&Extract Files...");
  ShowImage(2);
  EXPECT_FALSE(ExtractFiles()->isEnabled());
  ShowImage(0);
  EXPECT_TRUE(ExtractFiles()->isEnabled());
  // Taken out: nothing to extract, as the menu shows when it opens, until
  // it is back.
  auto* general = qobject_cast<QMenu*>(ExtractFiles()->parent());
  window->OnCommand(MainWindow::kOpenTray);
  emit general->aboutToShow();
  EXPECT_FALSE(ExtractFiles()->isEnabled());
  window->OnCommand(MainWindow::kCloseTray);
  emit general->aboutToShow();
  EXPECT_TRUE(ExtractFiles()->isEnabled());
}

TEST_F(ExtractionWindowTest, TheResultNamesTheIncompleteFileWithItsZeroedBytesAndSectors) {
  ShowImage(0);
  const Result result = Extract();
  EXPECT_EQ(folderDialogs, 1);
  EXPECT_TRUE(questions.isEmpty()) << "an empty folder is not asked about";
  ASSERT_TRUE(result.shown);
  EXPECT_EQ(result.heading,
            "The extraction is not complete.\n1 file could not be read whole: its unreadable "
            "bytes are zeros.");
  EXPECT_TRUE(result.details.startsWith("3 files in 2 folders, ")) << result.details.toStdString();
  EXPECT_TRUE(result.details.contains(QStringLiteral("incomplete: /VIDEO/clip.bin (bytes "
                                                     "10240-14335; sectors %1-%2)")
                                          .arg(clipStart + 5)
                                          .arg(clipStart + 6)))
      << result.details.toStdString();
  EXPECT_EQ(result.manifest, QStringLiteral("The manifest extract-report.json, which lists all of "
                                            "this, was written in %1.")
                                 .arg(out.path()));
  EXPECT_TRUE(QFile::exists(out.filePath("extract-report.json")));

  EXPECT_EQ(Content("readme.txt"), "from the disc");
  EXPECT_EQ(Content("DOCS/notes.txt"), "notes");
  const QString clip = Content("VIDEO/clip.bin");
  ASSERT_EQ(clip.size(), kClipSectors * 2048);
  EXPECT_EQ(clip.mid(10240, 4096), QString(4096, QChar(0)));
  EXPECT_EQ(clip.mid(14336, 10), "cccccccccc");
}

// The one question, and what each answer does with the file already there.
TEST_F(ExtractionWindowTest, AFolderThatIsNotEmptyIsAskedAboutOnce) {
  ShowImage(0);
  const struct {
    const char* answer;
    bool extracted;
    const char* readme;
  } cases[] = {
      {"Cancel", false, "mine"},
      {"Keep Existing", true, "mine"},
      {"Replace", true, "from the disc"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.answer);
    questions.clear();
    QDir(out.path()).removeRecursively();
    QDir().mkpath(out.path());
    Write(out.filePath("readme.txt"), "mine");
    const Result result = Extract(QString::fromUtf8(test.answer));
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0], QStringLiteral("The folder %1 is not empty.\nWhere a file of the disc "
                                           "has the same name as a file already there, replace "
                                           "the existing file, or keep it and leave the disc's "
                                           "file out?")
                                .arg(out.path()));
    EXPECT_EQ(result.shown, test.extracted);
    EXPECT_EQ(QFile::exists(out.filePath("DOCS/notes.txt")), test.extracted);
    EXPECT_EQ(Content("readme.txt"), test.readme);
    EXPECT_EQ(result.details.contains("not replaced: readme.txt"),
              QString::fromUtf8(test.answer) == "Keep Existing");
  }
}

// A folder in the manifest's place: the files are written, and the result
// says the manifest is not, and why.
TEST_F(ExtractionWindowTest, AManifestThatCannotBeWrittenIsSaid) {
  ShowImage(0);
  ASSERT_TRUE(QDir(out.path()).mkdir("extract-report.json"));
  const Result result = Extract("Keep Existing");
  ASSERT_TRUE(result.shown);
  EXPECT_TRUE(result.manifest.startsWith("The manifest extract-report.json could not be written: "))
      << result.manifest.toStdString();
  EXPECT_TRUE(result.manifest.contains(out.path())) << result.manifest.toStdString();
  EXPECT_EQ(Content("DOCS/notes.txt"), "notes");
}

TEST_F(ExtractionWindowTest, CancelStopsTheExtractionBeforeItsEnd) {
  ShowImage(1);
  QString counts;
  const Result result = Extract(QString(), [&](ExtractProgressDialog* progress) {
    auto* label = Item<QLabel>(progress->Client(), ExtractProgressDialog::kCountsId);
    ASSERT_TRUE(WaitUntil([&] { return label->text().section(' ', 0, 0).toInt() >= 2; }, 20000));
    counts = label->text();
    auto* cancel = Item<QPushButton>(progress->Client(), ExtractProgressDialog::kCancelId);
    cancel->click();
    EXPECT_FALSE(cancel->isEnabled());
  });
  // "N files done, S written", S the N files' 8 KiB each.
  const int done = counts.section(' ', 0, 0).toInt();
  EXPECT_EQ(counts, QStringLiteral("%1 files done, %2 written")
                        .arg(done)
                        .arg(QLocale().formattedDataSize(done * 8192)));
  ASSERT_TRUE(result.shown);
  EXPECT_EQ(result.heading, "The extraction is not complete.\nIt was cancelled before the end.");
  EXPECT_TRUE(result.details.endsWith("stopped before the end\n"));
  const int written = QDir(out.path()).entryList({"file*.bin"}, QDir::Files).size();
  EXPECT_GE(written, 2);
  EXPECT_LT(written, kSlowFiles);
}

}  // namespace
