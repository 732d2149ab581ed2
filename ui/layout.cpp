#include "ui/layout.h"

#ifndef ORNETTA_VENDOR_HOST
#error "ORNETTA_VENDOR_HOST names the vendor's web site; the build sets it"
#endif

namespace ornetta::ui {

namespace {
// Free faces with the metrics of the ones asked for: Liberation Sans matches Arial, and is the
// closest to MS Sans Serif; DejaVu Sans is cut like Verdana.
const QStringList kSansSerif{"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans"};
const QStringList kVerdana{"Verdana", "DejaVu Sans"};
const QStringList kArial{"Arial", "Liberation Sans", "DejaVu Sans"};

const QColor kNone;
const QColor kOptionText{0x00, 0x00, 0xC0};
}  // namespace

QFont FontSpec::ToFont() const {
  QFont f;
  f.setFamilies(families);
  f.setPointSizeF(points);
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  f.setStrikeOut(false);
  return f;
}

FontSpec WindowFont() { return {kSansSerif, 8.25, true}; }

QRect Pixels(const ControlSpec& c) {
  // A horizontal line covers both its end points, one pixel high.
  if (c.kind == ControlKind::kLine)
    return QRect(c.left / kTwipsPerPixel, c.top / kTwipsPerPixel, (c.width - c.left) / kTwipsPerPixel + 1, 1);
  return QRect(c.left / kTwipsPerPixel, c.top / kTwipsPerPixel, c.width / kTwipsPerPixel, c.height / kTwipsPerPixel);
}

const std::vector<ControlSpec>& Controls() {
  static const FontSpec kOptionFont{kSansSerif, 9.75, true};
  static const FontSpec kButtonFont{kVerdana, 9.75, true, true};
  static const FontSpec kNoFont{{}, 0, false};
  static const std::vector<ControlSpec> kControls = {
      {"optDBRepair", ControlKind::kOption, 8850, 5010, 3555, 495, "Trouble in your Database", kOptionFont, kWindowBack,
       kOptionText, 11},
      {"OptSQL", ControlKind::kOption, 2400, 1980, 5565, 315, "Enter here the  SQL Statement given by Software Team",
       WindowFont(), kWindowBack, QColor(0, 0, 0), 8},
      {"cmdOK", ControlKind::kButton, 6270, 6150, 1005, 345, "&Repair", kButtonFont, QColor(0xC0, 0xFF, 0xC0), kNone,
       7},
      {"cmdExit", ControlKind::kButton, 7440, 6150, 1005, 345, "Exit", kButtonFont, QColor(0xFF, 0xC0, 0xC0), kNone, 6},
      {"txtSQL", ControlKind::kTextBox, 2400, 2250, 9945, 555, "", WindowFont(), QColor(0xFF, 0xFF, 0xFF), kNone, 5},
      {"optScreenProb", ControlKind::kOption, 2370, 5520, 6045, 465,
       "Trouble in Opening some Screens inside the software", kOptionFont, kWindowBack, kOptionText, 4},
      {"optsysDate", ControlKind::kOption, 2370, 4470, 4875, 465, "Trouble in your  System DATE (Not Correct)",
       kOptionFont, kWindowBack, kOptionText, 3},
      {"cmdSelectDB", ControlKind::kButton, 10530, 6990, 1935, 345, "Change Database", WindowFont(),
       QColor(0xE0, 0xE0, 0xE0), kNone, 2},
      {"txtCurrDB", ControlKind::kTextBox, 60, 6960, 10425, 345, "", WindowFont(), QColor(0xE0, 0xE0, 0xE0),
       QColor(0x40, 0x40, 0x40), 0},
      {"Label1", ControlKind::kLabel, 8880, 3210, 3480, 195, "Compact and Repair of DB will be done. ", WindowFont(),
       kNone, QColor(0xFF, 0xFF, 0xFF), 12, kAutoSize},
      {"imgDBProblem", ControlKind::kPicture, 8820, 3480, 3555, 1410, "imgDBProblem.bmp", kNoFont, kNone, kNone, -1},
      {"Shape4", ControlKind::kShape, 8670, 3120, 3825, 2595, "", kNoFont, kNone, kNone, -1, kRounded},
      {"Image6", ControlKind::kPicture, 2940, 0, 3120, 1515, "Image6.bmp", kNoFont, kNone, kNone, -1},
      {"Image5", ControlKind::kPicture, 6210, 210, 3120, 1515, "Image5.bmp", kNoFont, kNone, kNone, -1},
      {"imgScrProb", ControlKind::kPicture, 660, 5310, 1680, 1050, "imgScrProb.bmp", kNoFont, kNone, kNone, -1},
      {"Image2", ControlKind::kPicture, 2220, 7740, 495, 465, "Image2.bmp", kNoFont, kNone, kNone, -1},
      {"Line1", ControlKind::kLine, 30, 6555, 12536, 6555, "", kNoFont, kNone, QColor(0x00, 0x00, 0x80), -1},
      {"imgSQLQuery", ControlKind::kPicture, 780, 1860, 1440, 1140, "imgSQLQuery.bmp", kNoFont, kNone, kNone, -1},
      {"imgSysDateProb", ControlKind::kPicture, 660, 4170, 1680, 1050, "imgSysDateProb.bmp", kNoFont, kNone, kNone, -1},
      {"Label4",
       ControlKind::kLabel,
       2820,
       7860,
       1155,
       285,
       "Visit us @",
       {kArial, 12, true},
       kNone,
       QColor(0xC0, 0xFF, 0xFF),
       10,
       kCentred | kAutoSize},
      {"Image1", ControlKind::kPicture, 11760, 7650, 765, 645, "Image1.jpg", kNoFont, kNone, kNone, -1},
      {"Shape3", ControlKind::kShape, 2280, 2130, 10155, 765, "", kNoFont, kNone, kNone, -1},
      {"Label2", ControlKind::kLabel, 90, 6750, 3705, 315, "Currently Selected Database", WindowFont(), kNone,
       QColor(0x40, 0x40, 0x40), 1},
      {"Label3",
       ControlKind::kLabel,
       4110,
       7800,
       4245,
       435,
       VendorHost(),
       {kArial, 15.75, true, false, true},
       kNone,
       QColor(0x80, 0xFF, 0xFF),
       9,
       kCentred},
      {"Shape2", ControlKind::kShape, 0, 7650, 12585, 675, "", kNoFont, QColor(0x00, 0x00, 0x40), kNone, -1},
      {"Shape1", ControlKind::kShape, 0, -30, 12585, 1785, "", kNoFont, kNone, kNone, -1, kSystemFill},
  };
  return kControls;
}

QString VendorHost() { return QStringLiteral(ORNETTA_VENDOR_HOST); }
QString ClientsPageUrl() { return "http://" + VendorHost() + "/clients.html"; }

}  // namespace ornetta::ui
