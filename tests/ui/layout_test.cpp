// The window as it opens: every control of the layout table, the tab order, what covers what,
// the window's own properties and its pictures.
#include <gtest/gtest.h>

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "tests/support/recording_host.h"
#include "ui/frmRepairCompact.h"
#include "ui/layout.h"

namespace ornetta::ui {
namespace {

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  QColor PixelAt(int x, int y) { return window.grab().toImage().pixelColor(x, y); }

  testing::RecordingHost host{"/nonexistent"};
  frmRepairCompact window{host};
};

TEST_F(LayoutTest, EveryControlHasItsKindPlaceCaptionFontAndColours) {
  for (const ControlSpec& c : Controls()) {
    SCOPED_TRACE(c.name);
    QWidget* w = window.findChild<QWidget*>(c.name);
    ASSERT_NE(w, nullptr);
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
        EXPECT_TRUE(qobject_cast<QLineEdit*>(w)->isEnabled());
        EXPECT_FALSE(qobject_cast<QLineEdit*>(w)->isReadOnly());
        EXPECT_EQ(w->palette().color(QPalette::Base), c.back);
        break;
      case ControlKind::kLabel:
        ASSERT_TRUE(qobject_cast<QLabel*>(w));
        EXPECT_EQ(qobject_cast<QLabel*>(w)->text(), c.caption);
        EXPECT_EQ(w->focusPolicy(), Qt::NoFocus);
        break;
      default:
        break;
    }
    const bool sizes_itself = std::string_view(c.name) == "Label1" || std::string_view(c.name) == "Label4";
    if (c.kind != ControlKind::kLine && !sizes_itself) {
      EXPECT_EQ(w->geometry(), Pixels(c));
    }
    if (c.font.points > 0) {
      EXPECT_EQ(w->font().pointSizeF(), c.font.points);
      EXPECT_EQ(w->font().bold(), c.font.bold);
      EXPECT_EQ(w->font().italic(), c.font.italic);
      EXPECT_EQ(w->font().underline(), c.font.underline);
    }
  }
  // Captions keep their blanks exactly.
  EXPECT_EQ(window.OptSQL()->text(), "Enter here the  SQL Statement given by Software Team");
  EXPECT_EQ(window.optsysDate()->text(), "Trouble in your  System DATE (Not Correct)");
  EXPECT_EQ(window.findChild<QLabel*>("Label1")->text(), "Compact and Repair of DB will be done. ");
  EXPECT_EQ(window.findChild<QLabel*>("Label3")->text(), "www.tarvik.example");
}

TEST_F(LayoutTest, TheWindowItself) {
  EXPECT_EQ(window.windowTitle(), "ORNETTA");
  EXPECT_EQ(window.size(), QSize(836, 552));
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(PixelAt(300, 270), QColor(0x80, 0xC0, 0xFF)) << "the window's own background";
  const QList<QSize> icon_sizes = window.windowIcon().availableSizes();
  EXPECT_TRUE(icon_sizes.contains(QSize(16, 16)));
  EXPECT_TRUE(icon_sizes.contains(QSize(32, 32)));
}

TEST_F(LayoutTest, TabOrderFocusAndNoOptionSelected) {
  EXPECT_EQ(QApplication::focusWidget(), window.txtCurrDB());
  const std::vector<QWidget*> order = {window.cmdSelectDB(), window.optsysDate(), window.optScreenProb(),
                                       window.txtSQL(),      window.cmdExit(),    window.cmdOK(),
                                       window.OptSQL(),      window.optDBRepair()};
  QWidget* w = window.txtCurrDB();
  for (QWidget* expected : order) {
    do w = w->nextInFocusChain();
    while (w->focusPolicy() == Qt::NoFocus);
    EXPECT_EQ(w, expected) << w->objectName().toStdString();
  }
  QRadioButton* options[] = {window.optDBRepair(), window.OptSQL(), window.optScreenProb(), window.optsysDate()};
  for (QRadioButton* o : options) EXPECT_FALSE(o->isChecked());
  for (QRadioButton* chosen : options) {
    chosen->setChecked(true);
    for (QRadioButton* o : options) EXPECT_EQ(o->isChecked(), o == chosen);
  }
}

TEST_F(LayoutTest, WhatCoversWhat) {
  // OptSQL covers the top rows of txtSQL; the frame Shape3 runs behind OptSQL.
  const QRect opt = window.OptSQL()->geometry(), txt = window.txtSQL()->geometry();
  ASSERT_GT(opt.bottom(), txt.top());
  EXPECT_EQ(PixelAt(opt.center().x(), txt.top() + 1), QColor(0x80, 0xC0, 0xFF));
  EXPECT_EQ(PixelAt(opt.right() - 5, 142), QColor(0x80, 0xC0, 0xFF)) << "Shape3's top edge is hidden under OptSQL";
  // The bands lie behind their pictures: the pictures' own pixels show.
  const QRect header_picture = window.findChild<QWidget*>("Image6")->geometry();
  EXPECT_NE(PixelAt(header_picture.left() + 3, header_picture.top() + 3), QColor(Qt::white));
  const QRect globe = window.findChild<QWidget*>("Image2")->geometry();
  EXPECT_NE(PixelAt(globe.center().x(), globe.center().y()), QColor(0x00, 0x00, 0x40));
  EXPECT_EQ(PixelAt(600, 540), QColor(0x00, 0x00, 0x40)) << "the footer band";
  EXPECT_EQ(PixelAt(400, 437), QColor(0x00, 0x00, 0x80)) << "the separator line";
}

TEST_F(LayoutTest, PicturesHaveTheirSizesAndDepths) {
  struct Picture {
    const char* file;
    int w, h, depth;
  } pictures[] = {{"imgDBProblem.bmp", 463, 216, 24}, {"Image6.bmp", 338, 89, 24},   {"Image5.bmp", 230, 177, 24},
                  {"imgScrProb.bmp", 315, 292, 24},   {"Image2.bmp", 113, 146, 24},   {"imgSQLQuery.bmp", 225, 225, 8},
                  {"imgSysDateProb.bmp", 1000, 1026, 24}, {"Image1.jpg", 113, 82, 24}};
  for (const Picture& p : pictures) {
    QFile file(QString(":/images/") + p.file);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << p.file;
    const QByteArray bytes = file.readAll();
    const QImage image = QImage::fromData(bytes);
    EXPECT_EQ(image.size(), QSize(p.w, p.h)) << p.file;
    if (bytes.startsWith("BM")) {
      EXPECT_EQ(static_cast<unsigned char>(bytes[28]), p.depth) << p.file << " bits a pixel";
    } else {
      EXPECT_TRUE(bytes.startsWith("\xFF\xD8")) << p.file << " is a JPEG";
    }
  }
}

TEST_F(LayoutTest, AltRPressesRepair) {
  QSignalSpy clicked(window.cmdOK(), &QPushButton::clicked);
  window.activateWindow();
  QTest::keyClick(&window, Qt::Key_R, Qt::AltModifier);
  QTRY_COMPARE(clicked.count(), 1);
}

}  // namespace
}  // namespace ornetta::ui
