#include "tests/ui/message_boxes.h"

#include <QApplication>
#include <QMessageBox>

namespace ornetta::ui {

MessageBoxAnswerer::MessageBoxAnswerer() {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    const int icon = box->icon() == QMessageBox::Critical ? 16 : box->icon() == QMessageBox::Information ? 64 : 0;
    seen.push_back({box->text().toStdString(), icon, box->windowTitle().toStdString()});
    box->accept();
  });
  timer_.start();
}

}  // namespace ornetta::ui
