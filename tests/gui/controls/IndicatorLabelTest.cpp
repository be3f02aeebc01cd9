// The indicator label's pixels: frame, ring, field and centred text, cut off
// at the field's edges; and that it draws only when something changed.
#include <gtest/gtest.h>

#include "../support/WaitUntil.h"
#include "gui/controls/IndicatorLabel.h"
#include "gui/platform/DialogTemplate.h"

namespace {

const QColor kText(255, 255, 255);
const QColor kFill(255, 51, 0);
const QColor kBorder(160, 160, 160);

class IndicatorLabelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent.setFont(DialogFont());
    parent.resize(200, 100);
    label.setParent(&parent);
    label.setGeometry(10, 10, 56, 20);
    label.SetColors(kText, kFill, kBorder);
    parent.show();
    ASSERT_TRUE(WaitUntil([&] { return label.isVisible(); }));
  }

  QImage Shown() { return label.grab().toImage(); }

  // The columns and rows of the field (the label inside its 2-pixel edge)
  // whose pixels are text rather than fill, anti-aliased edges included.
  QRect TextBounds(const QImage& image) const {
    const QColor fill = fillShown;
    QRect bounds;
    for (int y = 2; y < image.height() - 2; ++y)
      for (int x = 2; x < image.width() - 2; ++x) {
        const QColor pixel(image.pixel(x, y));
        const int distance = std::abs(pixel.red() - fill.red()) +
                             std::abs(pixel.green() - fill.green()) +
                             std::abs(pixel.blue() - fill.blue());
        if (distance > 150) bounds |= QRect(x, y, 1, 1);
      }
    return bounds;
  }

  QColor fillShown = kFill;  // the fill the label has now
  QWidget parent;
  IndicatorLabel label;
};

TEST_F(IndicatorLabelTest, FrameRingFieldAndCentredText) {
  label.SetText(QStringLiteral("98.0%"));
  const QImage shown = Shown();
  const QRgb face = label.palette().color(QPalette::Button).rgb();
  for (const auto& [x, y] : {std::pair{0, 0}, {55, 19}, {0, 19}, {30, 0}})
    EXPECT_EQ(shown.pixel(x, y), kBorder.rgb()) << x << "," << y;
  for (const auto& [x, y] : {std::pair{1, 1}, {54, 18}, {1, 10}, {30, 18}})
    EXPECT_EQ(shown.pixel(x, y), face) << x << "," << y;
  for (const auto& [x, y] : {std::pair{2, 2}, {53, 17}, {3, 10}})
    EXPECT_EQ(shown.pixel(x, y), kFill.rgb()) << x << "," << y;

  const QRect text = TextBounds(shown);
  ASSERT_FALSE(text.isEmpty());
  // Centred in the field (2 .. 53, 2 .. 17), to the pixel that rounding allows.
  EXPECT_LE(std::abs((text.left() + text.right()) - (2 + 53)), 2)
      << text.left() << "-" << text.right();
  EXPECT_LE(std::abs((text.top() + text.bottom()) - (2 + 17)), 4)
      << text.top() << "-" << text.bottom();
}

TEST_F(IndicatorLabelTest, LongTextIsCutOffOnBothSidesOnOneLine) {
  label.SetText(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWW"));
  const QImage shown = Shown();
  const QRect text = TextBounds(shown);
  EXPECT_LE(text.left(), 3);
  EXPECT_GE(text.right(), 52);
  EXPECT_LT(text.height(), 14);  // one line
  const QRgb face = label.palette().color(QPalette::Button).rgb();
  for (int y = 1; y < 19; ++y) {
    EXPECT_EQ(shown.pixel(1, y), face);
    EXPECT_EQ(shown.pixel(54, y), face);
  }
}

TEST_F(IndicatorLabelTest, DrawsOnlyWhenSomethingChanged) {
  label.SetText(QStringLiteral("1.5%"));
  const int renders = label.RenderCount();
  label.SetText(QStringLiteral("1.5%"));
  label.SetColors(kText, kFill, kBorder);
  EXPECT_EQ(label.RenderCount(), renders);
  label.SetText(QStringLiteral("1.6%"));
  EXPECT_EQ(label.RenderCount(), renders + 1);
  fillShown = QColor(20, 242, 0);
  label.SetColors(kText, fillShown, kBorder);
  EXPECT_EQ(label.RenderCount(), renders + 2);
  EXPECT_EQ(Shown().pixel(3, 3), QColor(20, 242, 0).rgb());

  // After a resize the frame follows the new size.
  label.resize(80, 30);
  EXPECT_EQ(label.RenderCount(), renders + 3);
  const QImage shown = Shown();
  EXPECT_EQ(shown.pixel(79, 29), kBorder.rgb());
  EXPECT_EQ(shown.pixel(77, 27), QColor(20, 242, 0).rgb());
  const QRect text = TextBounds(shown);
  EXPECT_LE(std::abs((text.left() + text.right()) - (2 + 77)), 2);
}

}  // namespace
