#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QFontInfo>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <vector>

#include "core/format/HexDump.h"
#include "gui/controls/BinaryViewer.h"

namespace {

std::vector<std::uint8_t> Sector() {
  std::vector<std::uint8_t> bytes(2048);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  return bytes;
}

TEST(BinaryViewerTest, ShowsTheDumpInPlaceOfTheWholeText) {
  BinaryViewer viewer;
  viewer.setPlainText("Sector read error (5)");
  const auto bytes = Sector();
  viewer.ShowBytes(bytes);
  // Each CR LF ends a line of the control.
  QString expected = QString::fromStdU16String(FormatHexDump(bytes));
  expected.replace("\r\n", "\n");
  EXPECT_EQ(viewer.toPlainText(), expected);
  EXPECT_EQ(viewer.document()->blockCount(), 129);  // 128 lines and the empty one after the last
  viewer.ShowBytes({});
  EXPECT_EQ(viewer.toPlainText(), "");
}

TEST(BinaryViewerTest, ReadOnlyFixedPitchThirteenPixels) {
  BinaryViewer viewer;
  viewer.ShowBytes(Sector());
  const QString before = viewer.toPlainText();
  viewer.show();
  QTest::keyClicks(&viewer, "abc");
  QTest::keyClick(&viewer, Qt::Key_Delete);
  EXPECT_EQ(viewer.toPlainText(), before);
  EXPECT_TRUE(viewer.isReadOnly());
  const QFontInfo font(viewer.font());
  EXPECT_TRUE(font.fixedPitch()) << font.family().toStdString();
  // "Courier New" resolves to Liberation Mono where that is installed.
  if (QFontDatabase::families().contains("Liberation Mono")) {
    EXPECT_EQ(font.family(), "Liberation Mono");
  }
  EXPECT_EQ(font.pixelSize(), 13);
  EXPECT_FALSE(font.bold());
  EXPECT_FALSE(font.italic());
}

TEST(BinaryViewerTest, LinesWrapAtTheWidthWithoutHorizontalScrolling) {
  BinaryViewer viewer;
  viewer.ShowBytes(Sector());
  const auto linesOfFirstDumpLine = [&](int width) {
    viewer.resize(width, 300);
    viewer.show();
    QCoreApplication::processEvents();
    return viewer.document()->firstBlock().layout()->lineCount();
  };
  EXPECT_EQ(linesOfFirstDumpLine(800), 1);
  EXPECT_GT(linesOfFirstDumpLine(250), 1);
  EXPECT_FALSE(viewer.horizontalScrollBar()->isVisible());
  EXPECT_TRUE(viewer.verticalScrollBar()->isVisible());
}

}  // namespace
