// The window's controls as one table: what each is, where it stands, and how it looks.
//
// Places and sizes are in twips (15 to a pixel at 96 dots per inch), from the top-left corner
// of the client area. The table runs from the front control to the back one.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <vector>

namespace ornetta::ui {

enum class ControlKind { kOption, kButton, kTextBox, kLabel, kPicture, kShape, kLine };

// Settings beyond the toolkit's ordinary ones.
enum ControlFlag : unsigned {
  kCentred = 1,     // text centred in its box
  kAutoSize = 2,    // a label that sizes itself to its text, keeping its place
  kSystemFill = 4,  // a shape filled with the desktop's window colour
  kRounded = 8,     // a frame with rounded corners
};

struct FontSpec {
  QStringList families;  // first the face asked for, then close free faces
  double points;
  bool bold, italic = false, underline = false;
  QFont ToFont() const;
};

struct ControlSpec {
  const char* name;
  ControlKind kind;
  int left, top, width, height;  // twips; a line runs from (left, top) to (width, height)
  QString caption;               // text, or the picture's resource file
  FontSpec font;
  QColor back, fore;   // invalid: the toolkit's own (or the palette role noted in code)
  int tab_index;       // -1: takes no place in the tab order
  unsigned flags = 0;  // ControlFlag values

  bool Has(ControlFlag f) const { return (flags & f) != 0; }
};

constexpr int kTwipsPerPixel = 15;
constexpr int kClientWidth = 836, kClientHeight = 552;  // 12540 x 8280 twips
inline const QColor kWindowBack{0x80, 0xC0, 0xFF};

QRect Pixels(const ControlSpec& c);  // the box in pixels at 96 dots per inch
FontSpec WindowFont();
const std::vector<ControlSpec>& Controls();  // front to back

// The vendor's web address shown in Label3, and the clients page it opens.
QString VendorHost();
QString ClientsPageUrl();

}  // namespace ornetta::ui
