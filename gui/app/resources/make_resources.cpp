// Draws the program's icons and its about picture and writes them as PNG
// files into the folder given as the only argument. The files are committed;
// run this again after changing a picture:
//   QT_QPA_PLATFORM=offscreen build/gui/app/make_resources gui/app/resources
//
// Each icon is drawn for each size it is used at, on whole pixels, so that it
// stays crisp at 16 x 16.
#include <QConicalGradient>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

using Draw = std::function<void(QPainter&, int size)>;

QImage Blank(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

bool Save(const QImage& image, const QString& folder, const QString& name) {
  const QString path = QDir(folder).filePath(name);
  if (!image.save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

bool SaveIcon(const QString& folder, int resource, std::initializer_list<int> sizes,
              const Draw& draw) {
  for (const int size : sizes) {
    QImage image = Blank(size);
    QPainter painter(&image);
    draw(painter, size);
    painter.end();
    if (!Save(image, folder, QStringLiteral("icon%1_%2.png").arg(resource).arg(size))) return false;
  }
  return true;
}

// Icon 128, the program: an optical disc with a light meter's needle.
void DrawProgram(QPainter& p, int size) {
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  const QPointF centre(s / 2, s / 2);
  const double r = s / 2 - std::max(0.5, s / 32);
  QConicalGradient sheen(centre, 30);
  sheen.setColorAt(0.00, QColor(214, 222, 232));
  sheen.setColorAt(0.15, QColor(255, 244, 200));
  sheen.setColorAt(0.30, QColor(190, 232, 255));
  sheen.setColorAt(0.45, QColor(236, 208, 255));
  sheen.setColorAt(0.60, QColor(214, 222, 232));
  sheen.setColorAt(0.75, QColor(200, 255, 222));
  sheen.setColorAt(0.90, QColor(255, 214, 214));
  sheen.setColorAt(1.00, QColor(214, 222, 232));
  p.setPen(QPen(QColor(70, 84, 104), std::max(1.0, s / 32)));
  p.setBrush(sheen);
  p.drawEllipse(centre, r, r);
  // The hub and the hole.
  p.setBrush(QColor(245, 247, 250));
  p.setPen(QPen(QColor(120, 132, 150), std::max(1.0, s / 48)));
  p.drawEllipse(centre, s * 0.17, s * 0.17);
  p.setBrush(QColor(70, 84, 104));
  p.setPen(Qt::NoPen);
  p.drawEllipse(centre, s * 0.07, s * 0.07);
  // The meter's needle, pointing up and to the right.
  p.setPen(QPen(QColor(0, 150, 60), std::max(1.5, s / 14), Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre, QPointF(s * 0.84, s * 0.22));
}

// Icon 133, open tray: a triangle pointing up over a bar (eject).
void DrawEject(QPainter& p, int) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 60, 110));
  p.setRenderHint(QPainter::Antialiasing);
  p.drawPolygon(QPolygonF({QPointF(8, 2), QPointF(14.5, 9), QPointF(1.5, 9)}));
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(QRect(2, 11, 12, 3), QColor(40, 60, 110));
}

// Icon 134, save: a floppy disk.
void DrawFloppy(QPainter& p, int) {
  const QColor body(44, 82, 160), edge(24, 44, 96), label(250, 250, 250), shutter(190, 196, 206);
  p.fillRect(QRect(1, 1, 14, 14), body);
  p.setPen(edge);
  p.drawRect(QRect(1, 1, 13, 13));
  p.fillRect(QRect(4, 2, 8, 5), label);     // paper label
  p.fillRect(QRect(4, 10, 8, 4), shutter);  // metal shutter
  p.fillRect(QRect(9, 11, 2, 2), edge);     // shutter window
  p.setPen(QColor(150, 160, 180));
  p.drawLine(5, 4, 10, 4);  // writing on the label
}

// Icon 135, rescan devices: two arrows chasing each other round a circle.
void DrawRescan(QPainter& p, int) {
  p.setRenderHint(QPainter::Antialiasing);
  const QColor colour(0, 128, 64);
  p.setPen(QPen(colour, 2.0, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  const QRectF ring(2.5, 2.5, 11, 11);
  p.drawArc(ring, 30 * 16, 140 * 16);
  p.drawArc(ring, 210 * 16, 140 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  // Heads at the clockwise ends of the arcs: down on the right, up on the left.
  p.drawPolygon(QPolygonF({QPointF(9.8, 4.2), QPointF(15.8, 4.2), QPointF(12.8, 8.8)}));
  p.drawPolygon(QPolygonF({QPointF(0.2, 11.8), QPointF(6.2, 11.8), QPointF(3.2, 7.2)}));
}

// Icons 136 to 139: a bar and a triangle, in the order the name gives. The
// triangle's edges step one pixel a column, so they stay sharp.
void DrawStep(QPainter& p, bool barFirst, bool pointsRight) {
  const QColor colour(40, 60, 110);
  const int barX = barFirst ? 3 : 11;
  const int left = barFirst ? 6 : 3;
  p.fillRect(QRect(barX, 3, 2, 11), colour);
  for (int i = 0; i < 6; ++i) {
    const int half = pointsRight ? 5 - i : i;
    p.fillRect(QRect(left + i, 8 - half, 1, 2 * half + 1), colour);
  }
}

// Icons 140 and 141: a round button with a white check or cross.
void DrawAnswer(QPainter& p, bool yes) {
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient shade(QPointF(6, 5), 9);
  shade.setColorAt(0, yes ? QColor(110, 220, 110) : QColor(250, 120, 110));
  shade.setColorAt(1, yes ? QColor(20, 140, 40) : QColor(200, 30, 30));
  p.setPen(QPen(yes ? QColor(10, 100, 30) : QColor(150, 20, 20), 1.0));
  p.setBrush(shade);
  p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
  p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  if (yes) {
    p.drawPolyline(QPolygonF({QPointF(4.5, 8.5), QPointF(7, 11), QPointF(11.5, 5)}));
  } else {
    p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
  }
}

// Bitmap 146, the about picture: 373 x 111, 24 bits per pixel. The product
// name and version are drawn on it at run time at (22, 70), so that area
// stays light.
QImage AboutPicture() {
  QImage image(373, 111, QImage::Format_RGB888);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 111);
  sky.setColorAt(0, QColor(255, 255, 255));
  sky.setColorAt(1, QColor(214, 228, 244));
  p.fillRect(image.rect(), sky);
  // A disc rising at the right edge.
  QImage disc = Blank(190);
  {
    QPainter d(&disc);
    DrawProgram(d, 190);
  }
  p.setOpacity(0.9);
  p.drawImage(QPointF(230, -20), disc);
  p.setOpacity(1);
  // The word mark.
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(30);
  font.setBold(true);
  p.setFont(font);
  p.setPen(QColor(28, 52, 104));
  p.drawText(QPointF(20, 50), QStringLiteral("Lumeter"));
  font.setPixelSize(12);
  font.setBold(false);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
  p.setFont(font);
  p.setPen(QColor(90, 110, 150));
  p.drawText(QPointF(22, 18), QStringLiteral("CORVANE"));
  // A thin rule under the text area.
  p.fillRect(QRect(0, 104, 373, 7), QColor(28, 52, 104));
  p.fillRect(QRect(0, 102, 373, 2), QColor(0, 150, 60));
  p.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_resources FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const bool ok =
      SaveIcon(folder, 128, {16, 24, 32, 48, 64, 128, 256}, DrawProgram) &&
      SaveIcon(folder, 133, {16}, DrawEject) && SaveIcon(folder, 134, {16}, DrawFloppy) &&
      SaveIcon(folder, 135, {16}, DrawRescan) &&
      SaveIcon(folder, 136, {16}, [](QPainter& p, int) { DrawStep(p, true, false); }) &&
      SaveIcon(folder, 137, {16}, [](QPainter& p, int) { DrawStep(p, false, true); }) &&
      SaveIcon(folder, 138, {16}, [](QPainter& p, int) { DrawStep(p, false, false); }) &&
      SaveIcon(folder, 139, {16}, [](QPainter& p, int) { DrawStep(p, true, true); }) &&
      SaveIcon(folder, 140, {16}, [](QPainter& p, int) { DrawAnswer(p, true); }) &&
      SaveIcon(folder, 141, {16}, [](QPainter& p, int) { DrawAnswer(p, false); }) &&
      Save(AboutPicture(), folder, QStringLiteral("bitmap146.png"));
  return ok ? 0 : 1;
}
