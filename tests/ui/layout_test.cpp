// The window as it opens: every control of the layout table, the tab order, what covers what
// (sampled from the rendered window), the window's own properties and its pictures.
#include <gtest/gtest.h>

#include <QFile>
#include <QFontInfo>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "tests/support/recording_host.h"
#include "ui/frmRepairCompact.h"
#include "ui/layout.h"

namespace ornetta::ui {
namespace {

const QColor kFormBack(0x80, 0xC0, 0xFF);

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    shot = window.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(kClientWidth, kClientHeight));
  }
  QWidget* Named(const char* name) { return window.findChild<QWidget*>(name); }
  QColor PixelAt(QPoint p) const { return shot.pixelColor(p); }
  QColor PixelAt(int x, int y) const { return shot.pixelColor(x, y); }
  // How many pixels of the rendered window inside `area` have exactly `colour`.
  int CountColour(QRect area, const QColor& colour) const {
    int n = 0;
    area &= shot.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) n += shot.pixelColor(x, y) == colour;
    return n;
  }

  testing::RecordingHost host{"/nonexistent"};
  frmRepairCompact window{host};
  QImage shot;
};

TEST_F(LayoutTest, EveryControlHasItsKindPlaceCaptionFontAndColours) {
  for (const ControlSpec& c : Controls()) {
    SCOPED_TRACE(c.name);
    QWidget* w = Named(c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), &window) << "every control sits directly on the window";
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_TRUE(w->toolTip().isEmpty());
    switch (c.kind) {
      case ControlKind::kOption:
        ASSERT_TRUE(qobject_cast<QRadioButton*>(w));
        EXPECT_EQ(qobject_cast<QRadioButton*>(w)->text(), c.caption);
        EXPECT_EQ(w->palette().color(w->foregroundRole()), c.fore);
        EXPECT_EQ(w->palette().color(w->backgroundRole()), c.back);
        break;
      case ControlKind::kButton:
        ASSERT_TRUE(qobject_cast<QPushButton*>(w));
        EXPECT_EQ(qobject_cast<QPushButton*>(w)->text(), c.caption);
        break;
      case ControlKind::kTextBox:
        ASSERT_TRUE(qobject_cast<QLineEdit*>(w));
        EXPECT_EQ(qobject_cast<QLineEdit*>(w)->text(), "");
        EXPECT_FALSE(qobject_cast<QLineEdit*>(w)->isReadOnly());
        EXPECT_EQ(w->palette().color(QPalette::Base), c.back);
        if (c.fore.isValid()) {
          EXPECT_EQ(w->palette().color(QPalette::Text), c.fore);
        }
        break;
      case ControlKind::kLabel: {
        auto* label = qobject_cast<QLabel*>(w);
        ASSERT_TRUE(label);
        EXPECT_EQ(label->text(), c.caption);
        EXPECT_EQ(w->focusPolicy(), Qt::NoFocus);
        EXPECT_FALSE(label->wordWrap());
        EXPECT_FALSE(label->autoFillBackground()) << "transparent";
        EXPECT_EQ(w->palette().color(QPalette::WindowText), c.fore);
        EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, c.Has(kCentred) ? Qt::AlignHCenter : Qt::AlignLeft);
        break;
      }
      case ControlKind::kPicture:
        ASSERT_TRUE(qobject_cast<PictureWidget*>(w));
        EXPECT_FALSE(qobject_cast<PictureWidget*>(w)->image().isNull()) << "its picture loads";
        break;
      case ControlKind::kShape:
      case ControlKind::kLine: break;
    }
    const QRect box = Pixels(c);
    if (c.Has(kAutoSize)) {
      // Sized to its text, at its place (a centred caption about its centre).
      EXPECT_EQ(w->size(), w->sizeHint());
      EXPECT_EQ(w->y(), box.y());
      if (c.Has(kCentred))
        EXPECT_LE(std::abs(w->geometry().center().x() - box.center().x()), 1);
      else
        EXPECT_EQ(w->x(), box.x());
      // With the substitute faces the size stays close to the one the table was measured with.
      EXPECT_LE(std::abs(w->width() - box.width()), box.width() / 8);
      EXPECT_LE(std::abs(w->height() - box.height()), 2);
    } else {
      EXPECT_EQ(w->geometry(), box);
    }
    if (c.font.points > 0) {
      const QFont f = w->font();
      EXPECT_EQ(f.pointSizeF(), c.font.points);
      EXPECT_EQ(f.bold(), c.font.bold);
      EXPECT_EQ(f.weight(), c.font.bold ? QFont::Bold : QFont::Normal);
      EXPECT_EQ(f.italic(), c.font.italic);
      EXPECT_EQ(f.underline(), c.font.underline);
      EXPECT_FALSE(f.strikeOut());
      // The face drawn is the one asked for or one of its listed stand-ins, not a chance match.
      const QString face = QFontInfo(f).family();
      EXPECT_TRUE(c.font.families.contains(face)) << face.toStdString();
    }
  }
}

TEST_F(LayoutTest, CaptionsKeepTheirBlanksAndTheWebAddressIsTheBuildsSetting) {
  EXPECT_EQ(window.OptSQL()->text(), "Enter here the  SQL Statement given by Software Team");
  EXPECT_EQ(window.optsysDate()->text(), "Trouble in your  System DATE (Not Correct)");
  EXPECT_EQ(window.Label1()->text(), "Compact and Repair of DB will be done. ");
  EXPECT_EQ(window.Label3()->text(), ORNETTA_VENDOR_HOST);
  EXPECT_EQ(window.cmdOK()->text(), "&Repair");
  // A blank the font drops would make the label narrower than its text with the blank.
  EXPECT_GT(window.Label1()->width(),
            window.Label1()->fontMetrics().horizontalAdvance("Compact and Repair of DB will be done."));
}

TEST_F(LayoutTest, ColoursAsRendered) {
  // Button faces show their own colour, flat, inside the raised border.
  for (QPushButton* b : {window.cmdOK(), window.cmdExit(), window.cmdSelectDB()}) {
    SCOPED_TRACE(b->objectName().toStdString());
    const QColor face = [&] {
      for (const ControlSpec& c : Controls())
        if (b->objectName() == c.name) return c.back;
      return QColor();
    }();
    EXPECT_EQ(PixelAt(b->geometry().left() + 4, b->geometry().center().y()), face);
    EXPECT_EQ(PixelAt(b->geometry().right() - 4, b->geometry().top() + 4), face);
  }
  EXPECT_EQ(PixelAt(window.txtCurrDB()->geometry().right() - 6, window.txtCurrDB()->geometry().center().y()),
            QColor(0xE0, 0xE0, 0xE0));
  EXPECT_EQ(PixelAt(window.txtSQL()->geometry().right() - 6, window.txtSQL()->geometry().center().y()),
            QColor(Qt::white));
  // Every caption is drawn in its own colour (glyph stems carry the exact colour).
  window.txtCurrDB()->setText("/some/folder/DB2026_27.mdb");
  window.txtCurrDB()->clearFocus();  // no caret over the text
  shot = window.grab().toImage();
  for (const ControlSpec& c : Controls()) {
    if (c.kind != ControlKind::kLabel && c.kind != ControlKind::kOption && std::string_view(c.name) != "txtCurrDB")
      continue;
    SCOPED_TRACE(c.name);
    EXPECT_GT(CountColour(Named(c.name)->geometry(), c.fore), 10);
  }
  EXPECT_EQ(PixelAt(300, 270), kFormBack) << "the window's own background";
}

TEST_F(LayoutTest, TheWindowItself) {
  EXPECT_EQ(window.windowTitle(), "ORNETTA");
  EXPECT_EQ(window.size(), QSize(836, 552));
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::Window);
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  const QRect screen = window.screen()->availableGeometry();
  EXPECT_LE((window.frameGeometry().center() - screen.center()).manhattanLength(), 1) << "centred";
  EXPECT_EQ(window.palette().color(QPalette::Window), kFormBack);
  EXPECT_TRUE(WindowFont().families.contains(QFontInfo(window.font()).family()));
  EXPECT_EQ(window.font().pointSizeF(), 8.25);
  EXPECT_TRUE(window.font().bold());
}

TEST_F(LayoutTest, TabOrderFocusAndNoOptionSelected) {
  EXPECT_EQ(QApplication::focusWidget(), window.txtCurrDB());
  const std::vector<QWidget*> order = {window.cmdSelectDB(), window.optsysDate(),  window.optScreenProb(),
                                       window.txtSQL(),      window.cmdExit(),     window.cmdOK(),
                                       window.OptSQL(),      window.optDBRepair(), window.txtCurrDB()};
  QWidget* w = window.txtCurrDB();
  for (QWidget* expected : order) {
    do w = w->nextInFocusChain();
    while (w->focusPolicy() == Qt::NoFocus || w == &window);
    EXPECT_EQ(w, expected) << w->objectName().toStdString();
  }
  // Tab itself moves the focus the same way, passing over Label2.
  QTest::keyClick(window.txtCurrDB(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), window.cmdSelectDB());

  QRadioButton* options[] = {window.optDBRepair(), window.OptSQL(), window.optScreenProb(), window.optsysDate()};
  for (QRadioButton* o : options) EXPECT_FALSE(o->isChecked());
  for (QRadioButton* chosen : options) {
    chosen->setChecked(true);
    for (QRadioButton* o : options) EXPECT_EQ(o->isChecked(), o == chosen) << o->objectName().toStdString();
  }
}

TEST_F(LayoutTest, WhatCoversWhat) {
  // OptSQL covers the top rows of txtSQL, and the top edge of the frame Shape3 runs behind it.
  const QRect opt = window.OptSQL()->geometry(), txt = window.txtSQL()->geometry();
  ASSERT_GT(opt.bottom(), txt.top());
  EXPECT_EQ(PixelAt(opt.right() - 5, txt.top() + 1), kFormBack);
  EXPECT_EQ(PixelAt(opt.right() - 5, 142), kFormBack) << "Shape3's top edge is hidden under OptSQL";
  EXPECT_EQ(PixelAt(opt.right() + 5, 142), QApplication::palette().color(QPalette::Text)) << "and shows beyond it";
  // The pictures lie in front of the bands and the frame: each shows its own pixels there.
  for (const char* name : {"Image6", "Image5", "Image2", "Image1", "imgDBProblem"}) {
    SCOPED_TRACE(name);
    QWidget* picture = Named(name);
    const QImage own = picture->grab().toImage();
    for (QPoint p : {QPoint(2, 2), own.rect().center(), QPoint(own.width() - 3, own.height() - 3)}) {
      if (!shot.rect().contains(picture->mapToParent(p))) continue;
      EXPECT_EQ(PixelAt(picture->mapToParent(p)), own.pixelColor(p)) << p.x() << "," << p.y();
    }
  }
  // The footer labels lie in front of the band; the band shows around them.
  EXPECT_GT(CountColour(window.Label3()->geometry(), QColor(0x80, 0xFF, 0xFF)), 10);
  EXPECT_EQ(PixelAt(600, 540), QColor(0x00, 0x00, 0x40)) << "the footer band";
  // The header band: its fill is the desktop's window colour, its bottom outline the text colour.
  EXPECT_EQ(PixelAt(100, 60), QApplication::palette().color(QPalette::Base));
  EXPECT_EQ(PixelAt(100, 116), QApplication::palette().color(QPalette::Text));
  EXPECT_EQ(PixelAt(400, 437), QColor(0x00, 0x00, 0x80)) << "the separator line";
  EXPECT_EQ(PixelAt(400, 436), kFormBack);
}

TEST_F(LayoutTest, PicturesHaveTheirSizesAndDepths) {
  struct Picture {
    const char* name;
    int w, h, depth;
  } pictures[] = {{"imgDBProblem", 463, 216, 24},     {"Image6", 338, 89, 24},  {"Image5", 230, 177, 24},
                  {"imgScrProb", 315, 292, 24},       {"Image2", 113, 146, 24}, {"imgSQLQuery", 225, 225, 8},
                  {"imgSysDateProb", 1000, 1026, 24}, {"Image1", 113, 82, 24}};
  for (const Picture& p : pictures) {
    SCOPED_TRACE(p.name);
    const auto* widget = qobject_cast<PictureWidget*>(Named(p.name));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->image().size(), QSize(p.w, p.h));
    const QString file =
        std::string_view(p.name) == "Image1" ? ":/images/Image1.jpg" : QString(":/images/%1.bmp").arg(p.name);
    QFile resource(file);
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    const QByteArray bytes = resource.readAll();
    if (p.name == std::string_view("Image1")) {
      EXPECT_TRUE(bytes.startsWith("\xFF\xD8\xFF")) << "a JPEG";
      EXPECT_FALSE(widget->image().allGray()) << "in colour";
    } else {
      ASSERT_TRUE(bytes.startsWith("BM"));
      EXPECT_EQ(static_cast<unsigned char>(bytes[28]), p.depth) << "bits a pixel";
      EXPECT_EQ(static_cast<unsigned char>(bytes[30]), 0) << "uncompressed";
      if (p.depth == 8) {
        EXPECT_EQ(widget->image().format(), QImage::Format_Indexed8) << "with a palette";
      }
    }
  }
}

TEST_F(LayoutTest, TheIconHoldsTwoImagesOfSixteenColours) {
  QFile ico(":/images/ornetta.ico");
  ASSERT_TRUE(ico.open(QIODevice::ReadOnly));
  const QByteArray b = ico.readAll();
  ASSERT_GE(b.size(), 6 + 2 * 16);
  auto u8 = [&](int at) { return static_cast<unsigned char>(b[at]); };
  EXPECT_EQ(u8(2), 1) << "an icon, not a cursor";
  ASSERT_EQ(u8(4), 2) << "two images";
  std::vector<int> sizes;
  for (int i = 0; i < 2; ++i) {
    const int entry = 6 + 16 * i;
    EXPECT_EQ(u8(entry), u8(entry + 1)) << "square";
    sizes.push_back(u8(entry));
    EXPECT_EQ(u8(entry + 2), 16) << "colours";
    EXPECT_EQ(u8(entry + 6), 4) << "bits a pixel";
  }
  EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
  const QList<QSize> icon_sizes = window.windowIcon().availableSizes();
  EXPECT_TRUE(icon_sizes.contains(QSize(16, 16)));
  EXPECT_TRUE(icon_sizes.contains(QSize(32, 32)));
}

TEST_F(LayoutTest, AltRPressesRepair) {
  QSignalSpy clicked(window.cmdOK(), &QPushButton::clicked);
  window.activateWindow();
  QTest::keyClick(&window, Qt::Key_R, Qt::AltModifier);
  QTRY_COMPARE(clicked.count(), 1);
}

}  // namespace
}  // namespace ornetta::ui
