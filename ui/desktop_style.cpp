#include "ui/desktop_style.h"

#include <QPainter>
#include <QStyleOption>

namespace ornetta::ui {

DesktopStyle::DesktopStyle() : QProxyStyle("Fusion") {}

void DesktopStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const {
  if (element != PE_FrameFocusRect) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, false);
  QPen pen(option->palette.color(QPalette::WindowText), 1, Qt::DotLine);
  painter->setPen(pen);
  painter->setBrush(Qt::NoBrush);
  painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
  painter->restore();
}

}  // namespace ornetta::ui
