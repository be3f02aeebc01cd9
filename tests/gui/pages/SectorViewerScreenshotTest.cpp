// The Sector Viewer tab on a fixture disc image made with xorriso: the page
// shows the image's primary volume descriptor (sector 16), and a picture of
// the tab is saved under the build folder to be looked at.
#include <FakeEngine.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "core/disc/DeviceContext.h"
#include "gui/controls/BinaryViewer.h"
#include "gui/pages/SectorInfoPage.h"
#include "gui/platform/ControlId.h"

namespace {

// Makes an ISO 9660 + Joliet image of one small file; empty when xorriso is
// missing or fails.
QByteArray MakeImage(const QTemporaryDir& folder) {
  const QString xorriso = QStandardPaths::findExecutable("xorriso");
  if (xorriso.isEmpty()) return {};
  QDir(folder.path()).mkdir("tree");
  QFile readme(folder.filePath("tree/README.TXT"));
  if (!readme.open(QIODevice::WriteOnly)) return {};
  readme.write("A fixture disc for the sector viewer.\n");
  readme.close();
  QProcess run;
  run.start(xorriso, {"-as", "mkisofs", "-quiet", "-V", "DISC 1", "-J", "-o",
                      folder.filePath("disc.iso"), folder.filePath("tree")});
  if (!run.waitForFinished(60000) || run.exitCode() != 0) return {};
  QFile image(folder.filePath("disc.iso"));
  return image.open(QIODevice::ReadOnly) ? image.readAll() : QByteArray();
}

TEST(SectorViewerScreenshotTest, ShowsTheVolumeDescriptorOfAFixtureImage) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QByteArray image = MakeImage(folder);
  if (image.isEmpty()) GTEST_SKIP() << "xorriso could not make the fixture image";
  ASSERT_EQ(image.size() % 2048, 0);

  fake::Reset();
  const auto sectors = static_cast<std::int32_t>(image.size() / 2048);
  fake::script().medium = fake::Medium(u"CD-ROM", 1, 1, 1, 1);
  fake::script().sessions[1] = fake::Session(sectors, 0, 1);
  for (std::int32_t i = 0; i < sectors; ++i) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.constData()) + i * 2048;
    fake::script().sectors[i] = std::vector<std::uint8_t>(bytes, bytes + 2048);
  }

  QWidget window;
  window.resize(600, 420);
  DeviceContext context(u'D');
  SectorInfoPage page;
  page.CreatePage(&window);
  page.setGeometry(window.rect());
  page.show();
  window.show();
  page.context = &context;
  page.UpdateContent();

  auto* box = Item<QLineEdit>(&page, SectorInfoPage::kSectorEditId);
  box->setText("16");
  QTest::keyClick(box, Qt::Key_Return);
  const QString text = Item<BinaryViewer>(&page, SectorInfoPage::kViewerId)->toPlainText();
  EXPECT_TRUE(text.startsWith("01 43 44 30 30 31 01 00  ")) << text.left(68).toStdString();
  EXPECT_EQ(text.section('\n', 0, 0).mid(50), ".CD001..        ");
  EXPECT_EQ(text.section('\n', 2, 2).mid(50), "        DISC 1  ");  // the volume name

  QDir().mkpath(LUMETER_SCREENSHOT_DIR);
  const QString path = QStringLiteral(LUMETER_SCREENSHOT_DIR "/sector-viewer.png");
  ASSERT_TRUE(window.grab().save(path)) << path.toStdString();
}

}  // namespace
