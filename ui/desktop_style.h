// The style the window is drawn in: Fusion, which paints the controls' own colours the same on
// every desktop, with the focus shown as on the desktop the users come from.
#pragma once

#include <QProxyStyle>

namespace ornetta::ui {

class DesktopStyle : public QProxyStyle {
 public:
  DesktopStyle();

  // The focused button or option shows a dotted rectangle in its text colour (Fusion's own
  // focus mark is a faint tint that cannot be seen on the window's blue).
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

}  // namespace ornetta::ui
