#include "ui/widgets.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace ornetta::ui {

ShapeWidget::ShapeWidget(QWidget* parent, QColor fill, bool system_fill, bool rounded)
    : QWidget(parent), fill_(fill), system_fill_(system_fill), rounded_(rounded) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeWidget::paintEvent(QPaintEvent*) {
  // The desktop's own window colours (text boxes and documents), not this window's face.
  const QPalette desktop = QApplication::palette();
  QPainter p(this);
  p.setPen(QPen(desktop.color(QPalette::Text), 1));
  if (system_fill_)
    p.setBrush(desktop.color(QPalette::Base));
  else if (fill_.isValid())
    p.setBrush(fill_);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  if (rounded_) {
    p.setRenderHint(QPainter::Antialiasing);
    p.drawRoundedRect(r, 8, 8);
  } else {
    p.drawRect(r);
  }
}

LineWidget::LineWidget(QWidget* parent, QColor colour) : QWidget(parent), colour_(colour) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), colour_);
}

PictureWidget::PictureWidget(QWidget* parent, const QString& resource)
    : QWidget(parent), image_(":/images/" + resource) {}

void PictureWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(rect(), image_);  // stretched, the aspect ratio not kept
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

}  // namespace ornetta::ui
