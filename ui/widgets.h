// The window's drawn controls: shapes, the line and the pictures, which the toolkit has no
// widget for.
#pragma once

#include <QImage>
#include <QLabel>
#include <QWidget>

namespace ornetta::ui {

// A rectangle: an outline in the window-text colour, filled or not.
class ShapeWidget : public QWidget {
 public:
  ShapeWidget(QWidget* parent, QColor fill, bool system_fill, bool rounded);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QColor fill_;
  bool system_fill_, rounded_;
};

// A one-pixel horizontal line.
class LineWidget : public QWidget {
 public:
  LineWidget(QWidget* parent, QColor colour);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QColor colour_;
};

// A picture stretched to fill its box; it reports clicks.
class PictureWidget : public QWidget {
  Q_OBJECT
 public:
  PictureWidget(QWidget* parent, const QString& resource);
  const QImage& image() const { return image_; }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage image_;
};

// A label that reports clicks.
class ClickableLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace ornetta::ui
