#include "ico_writer.h"

#include <QFile>

namespace {
void Put16(QByteArray& b, quint16 v) {
  b.append(char(v & 0xFF));
  b.append(char(v >> 8));
}
void Put32(QByteArray& b, quint32 v) {
  for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

// One icon image: BITMAPINFOHEADER, 16-entry palette, 4-bit pixels bottom-up, 1-bit mask.
QByteArray Dib(const QImage& img, bool transparent0) {
  const int w = img.width(), h = img.height();
  const int xor_row = ((w * 4 + 31) / 32) * 4, and_row = ((w + 31) / 32) * 4;
  QByteArray b;
  Put32(b, 40);
  Put32(b, quint32(w));
  Put32(b, quint32(h * 2));
  Put16(b, 1);
  Put16(b, 4);
  Put32(b, 0);
  Put32(b, quint32((xor_row + and_row) * h));
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 16);
  Put32(b, 0);
  const QList<QRgb> table = img.colorTable();
  for (int i = 0; i < 16; ++i) {
    const QRgb c = i < table.size() ? table[i] : 0;
    b.append(char(qBlue(c)));
    b.append(char(qGreen(c)));
    b.append(char(qRed(c)));
    b.append(char(0));
  }
  for (int y = h - 1; y >= 0; --y) {
    QByteArray row(xor_row, 0);
    for (int x = 0; x < w; ++x) {
      const int idx = img.pixelIndex(x, y) & 0x0F;
      row[x / 2] = char(row[x / 2] | (x % 2 ? idx : idx << 4));
    }
    b.append(row);
  }
  for (int y = h - 1; y >= 0; --y) {
    QByteArray row(and_row, 0);
    for (int x = 0; x < w; ++x)
      if (transparent0 && img.pixelIndex(x, y) == 0) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
    b.append(row);
  }
  return b;
}
}  // namespace

bool WriteIco16Colours(const QString& path, const std::vector<QImage>& images, bool transparent0) {
  QByteArray out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, quint16(images.size()));
  std::vector<QByteArray> dibs;
  for (const QImage& img : images) dibs.push_back(Dib(img, transparent0));
  quint32 offset = 6 + 16 * quint32(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.append(char(images[i].width() & 0xFF));
    out.append(char(images[i].height() & 0xFF));
    out.append(char(16));
    out.append(char(0));
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, quint32(dibs[i].size()));
    Put32(out, offset);
    offset += quint32(dibs[i].size());
  }
  for (const QByteArray& d : dibs) out.append(d);
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(out) == out.size();
}
