// ornetta-artwork OUTPUT_FOLDER: draws the window's eight pictures and its icon.
//
// Each picture is drawn on a 100 x 100 design grid scaled to its stored size, so the drawings
// keep their shape at the sizes the window's layout asks for.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "ico_writer.h"

namespace {

QImage Canvas(int w, int h, QColor background) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(background);
  return img;
}

// A database: a stack of cylinder discs.
void Cylinder(QPainter& p, QRectF r, QColor body, QColor top) {
  const double rim = r.height() * 0.18;
  QLinearGradient g(r.topLeft(), r.topRight());
  g.setColorAt(0, body.darker(130));
  g.setColorAt(0.45, body.lighter(125));
  g.setColorAt(1, body.darker(150));
  p.setPen(QPen(body.darker(200), 1.5));
  p.setBrush(g);
  QPainterPath path;
  path.moveTo(r.left(), r.top() + rim / 2);
  path.lineTo(r.left(), r.bottom() - rim / 2);
  path.arcTo(QRectF(r.left(), r.bottom() - rim, r.width(), rim), 180, 180);
  path.lineTo(r.right(), r.top() + rim / 2);
  path.arcTo(QRectF(r.left(), r.top(), r.width(), rim), 0, -180);
  p.drawPath(path);
  for (int band = 1; band < 3; ++band) {
    const double y = r.top() + (r.height() - rim) * band / 3.0;
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(r.left(), y, r.width(), rim), 180 * 16, 180 * 16);
  }
  p.setBrush(top);
  p.drawEllipse(QRectF(r.left(), r.top(), r.width(), rim));
}

void Wrench(QPainter& p, QPointF at, double size, double angle, QColor colour) {
  p.save();
  p.translate(at);
  p.rotate(angle);
  p.setPen(QPen(colour.darker(170), size * 0.04));
  p.setBrush(colour);
  p.drawRoundedRect(QRectF(-size * 0.08, 0, size * 0.16, size * 0.75), size * 0.05, size * 0.05);
  QPainterPath head;
  head.addEllipse(QPointF(0, 0), size * 0.2, size * 0.2);
  QPainterPath jaw;
  jaw.addRect(QRectF(-size * 0.07, -size * 0.25, size * 0.14, size * 0.22));
  p.drawPath(head.subtracted(jaw));
  p.restore();
}

void Warning(QPainter& p, QPointF centre, double size) {
  QPolygonF tri;
  tri << QPointF(centre.x(), centre.y() - size / 2) << QPointF(centre.x() + size / 2, centre.y() + size / 2)
      << QPointF(centre.x() - size / 2, centre.y() + size / 2);
  p.setPen(QPen(QColor(120, 0, 0), size * 0.05, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(QColor(255, 200, 0));
  p.drawPolygon(tri);
  p.setPen(QPen(QColor(90, 0, 0), size * 0.1, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(centre.x(), centre.y() - size * 0.12), QPointF(centre.x(), centre.y() + size * 0.18));
  p.drawPoint(QPointF(centre.x(), centre.y() + size * 0.34));
}

void Text(QPainter& p, QRectF r, const QString& text, double px, QColor colour, bool bold = true,
          int flags = Qt::AlignCenter) {
  QFont f("DejaVu Sans");
  f.setPixelSize(int(px));
  f.setBold(bold);
  p.setFont(f);
  p.setPen(colour);
  p.drawText(r, flags, text);
}

QImage DatabaseProblem() {  // 463 x 216
  QImage img = Canvas(463, 216, QColor(0x80, 0xC0, 0xFF));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  Cylinder(p, QRectF(40, 30, 120, 160), QColor(70, 110, 200), QColor(150, 190, 250));
  Cylinder(p, QRectF(180, 55, 100, 135), QColor(60, 150, 120), QColor(150, 220, 190));
  Wrench(p, QPointF(345, 50), 170, -35, QColor(190, 190, 200));
  Warning(p, QPointF(400, 160), 70);
  return img;
}

QImage HeaderBanner() {  // 338 x 89
  QImage img = Canvas(338, 89, QColor(255, 255, 255));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 338, 0);
  g.setColorAt(0, QColor(0, 40, 110));
  g.setColorAt(1, QColor(40, 120, 220));
  p.fillRect(QRectF(0, 0, 338, 89), g);
  Text(p, QRectF(0, 6, 338, 50), "ORNETTA", 40, QColor(255, 255, 255));
  Text(p, QRectF(0, 54, 338, 28), "Database care for TARVIK Software", 15, QColor(200, 230, 255), false);
  return img;
}

QImage HeaderGears() {  // 230 x 177
  QImage img = Canvas(230, 177, QColor(255, 255, 255));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  auto gear = [&](QPointF c, double r, int teeth, QColor colour) {
    QPainterPath path;
    for (int i = 0; i < teeth * 2; ++i) {
      const double a = i * 3.14159265 / teeth;
      const double rr = i % 2 ? r : r * 1.22;
      const QPointF pt(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
      i ? path.lineTo(pt) : path.moveTo(pt);
    }
    path.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, r * 0.35, r * 0.35);
    p.setPen(QPen(colour.darker(160), 2));
    p.setBrush(colour);
    p.drawPath(path.subtracted(hole));
  };
  gear(QPointF(80, 95), 50, 12, QColor(70, 120, 210));
  gear(QPointF(165, 60), 32, 9, QColor(240, 160, 40));
  gear(QPointF(170, 140), 22, 8, QColor(90, 180, 120));
  return img;
}

QImage ScreenProblem() {  // 315 x 292
  QImage img = Canvas(315, 292, QColor(0x80, 0xC0, 0xFF));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 40, 50), 4));
  p.setBrush(QColor(60, 60, 70));
  p.drawRoundedRect(QRectF(25, 25, 265, 185), 12, 12);
  p.setBrush(QColor(235, 240, 250));
  p.drawRect(QRectF(42, 42, 231, 150));
  p.setBrush(QColor(60, 60, 70));
  p.drawRect(QRectF(135, 210, 45, 35));
  p.drawRoundedRect(QRectF(90, 245, 135, 18), 6, 6);
  p.setBrush(QColor(40, 90, 180));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(70, 62, 175, 22));
  p.setBrush(QColor(255, 255, 255));
  p.setPen(QPen(QColor(40, 90, 180), 2));
  p.drawRect(QRectF(70, 84, 175, 90));
  p.setPen(QPen(QColor(210, 30, 30), 14, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(120, 100), QPointF(195, 160));
  p.drawLine(QPointF(195, 100), QPointF(120, 160));
  return img;
}

QImage FooterGlobe() {  // 113 x 146
  QImage img = Canvas(113, 146, QColor(0, 0, 0x40));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(8, 24, 97, 97);
  p.setPen(QPen(QColor(0xC0, 0xFF, 0xFF), 4));
  p.setBrush(QColor(30, 90, 170));
  p.drawEllipse(r);
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(r.center().x() - 22, r.top(), 44, r.height()));
  p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
  p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
  p.drawArc(QRectF(r.left() + 6, r.top() + 14, r.width() - 12, 30), 0, 180 * 16);
  p.drawArc(QRectF(r.left() + 6, r.bottom() - 44, r.width() - 12, 30), 180 * 16, 180 * 16);
  return img;
}

QImage SqlQuery() {  // 225 x 225, 8 bits a pixel with a palette
  QImage img = Canvas(225, 225, QColor(0x80, 0xC0, 0xFF));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(60, 60, 90), 3));
  p.setBrush(QColor(255, 255, 250));
  QPolygonF page;
  page << QPointF(35, 15) << QPointF(150, 15) << QPointF(190, 55) << QPointF(190, 210) << QPointF(35, 210);
  p.drawPolygon(page);
  p.drawPolyline(QPolygonF() << QPointF(150, 15) << QPointF(150, 55) << QPointF(190, 55));
  Text(p, QRectF(35, 60, 155, 50), "SQL", 42, QColor(0, 0, 0xC0));
  p.setPen(QPen(QColor(120, 120, 150), 5, Qt::SolidLine, Qt::RoundCap));
  for (int y = 125; y <= 185; y += 20) p.drawLine(QPointF(55, y), QPointF(y == 185 ? 120 : 170, y));
  p.setPen(QPen(QColor(80, 50, 20), 12, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(170, 175), QPointF(210, 215));
  p.setPen(QPen(QColor(80, 80, 80), 6));
  p.setBrush(QColor(200, 230, 255, 180));
  p.drawEllipse(QPointF(150, 155), 32, 32);
  p.end();
  QImage indexed = img.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
  // Qt's BMP writer copies each scan line's padding; clear it so that every run writes the same file.
  for (int y = 0; y < indexed.height(); ++y)
    std::memset(indexed.scanLine(y) + indexed.width(), 0, size_t(indexed.bytesPerLine() - indexed.width()));
  return indexed;
}

QImage SystemDate() {  // 1000 x 1026
  QImage img = Canvas(1000, 1026, QColor(0x80, 0xC0, 0xFF));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(60, 60, 70), 14));
  p.setBrush(QColor(255, 255, 255));
  p.drawRoundedRect(QRectF(90, 150, 700, 720), 50, 50);
  p.setBrush(QColor(200, 40, 40));
  p.drawRoundedRect(QRectF(90, 150, 700, 190), 50, 50);
  p.drawRect(QRectF(90, 260, 700, 80));
  p.setBrush(QColor(90, 90, 100));
  for (int x : {230, 440, 650}) p.drawRoundedRect(QRectF(x - 20, 100, 40, 110), 18, 18);
  Text(p, QRectF(90, 170, 700, 150), "DATE", 120, QColor(255, 255, 255));
  Text(p, QRectF(90, 380, 700, 420), "31", 380, QColor(40, 40, 60));
  // A clock over the corner, its hands at an impossible hour.
  p.setPen(QPen(QColor(40, 40, 60), 16));
  p.setBrush(QColor(255, 240, 170));
  p.drawEllipse(QPointF(760, 790), 190, 190);
  p.setPen(QPen(QColor(40, 40, 60), 22, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(760, 790), QPointF(760, 650));
  p.drawLine(QPointF(760, 790), QPointF(860, 850));
  Warning(p, QPointF(200, 880), 230);
  return img;
}

QImage FooterContact() {  // 113 x 82, stored as JPEG
  QImage img = Canvas(113, 82, QColor(0, 0, 0x40));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x80, 0xFF, 0xFF), 3));
  p.setBrush(QColor(240, 250, 255));
  p.drawRect(QRectF(14, 16, 85, 52));
  p.drawPolyline(QPolygonF() << QPointF(14, 16) << QPointF(56, 46) << QPointF(99, 16));
  return img;
}

QImage IconImage(int size) {
  QImage img(size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, size > 16);
  const double s = size / 32.0;
  Cylinder(p, QRectF(3 * s, 3 * s, 20 * s, 26 * s), QColor(0, 0, 200), QColor(0, 200, 255));
  Wrench(p, QPointF(24 * s, 8 * s), 24 * s, -35, QColor(192, 192, 192));
  p.end();
  // 16 colours: the standard VGA palette, index 0 transparent.
  QList<QRgb> vga = {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
                     qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
                     qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
                     qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  QImage indexed = img.convertToFormat(QImage::Format_Indexed8, vga, Qt::ThresholdDither);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (qAlpha(img.pixel(x, y)) < 128) indexed.setPixel(x, y, 0);
  return indexed;
}

bool Save(const QImage& img, const QString& path, const char* format) {
  if (img.save(path, format, format[0] == 'J' ? 92 : -1)) return true;
  std::fprintf(stderr, "ornetta-artwork: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: ornetta-artwork OUTPUT_FOLDER\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]) + "/";
  bool ok = Save(DatabaseProblem(), out + "imgDBProblem.bmp", "BMP") &&
            Save(HeaderBanner(), out + "Image6.bmp", "BMP") && Save(HeaderGears(), out + "Image5.bmp", "BMP") &&
            Save(ScreenProblem(), out + "imgScrProb.bmp", "BMP") && Save(FooterGlobe(), out + "Image2.bmp", "BMP") &&
            Save(SqlQuery(), out + "imgSQLQuery.bmp", "BMP") && Save(SystemDate(), out + "imgSysDateProb.bmp", "BMP") &&
            Save(FooterContact(), out + "Image1.jpg", "JPEG");
  ok = ok && WriteIco16Colours(out + "ornetta.ico", {IconImage(32), IconImage(16)}, true);
  return ok ? 0 : 1;
}
