#include "tests/ui/message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTest>

namespace ornetta::ui {

MessageBoxAnswerer::MessageBoxAnswerer() {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    const int icon = box->iconPixmap().isNull()                ? 0
                     : box->icon() == QMessageBox::Critical    ? 16
                     : box->icon() == QMessageBox::Warning     ? 48
                     : box->icon() == QMessageBox::Information ? 64
                                                               : 0;
    seen.push_back({box->text().toStdString(), icon, box->windowTitle().toStdString()});
    bool progress = false;
    for (QWidget* w : QApplication::topLevelWidgets())
      progress = progress || (qobject_cast<QProgressDialog*>(w) && w->isVisible());
    const QCursor* pointer = QApplication::overrideCursor();
    behind.push_back({progress, pointer && pointer->shape() == Qt::WaitCursor});
    buttons.push_back(box->standardButtons());
    if (box->standardButtons() == QMessageBox::Ok) {
      box->accept();
    } else if (presses.empty()) {
      QTest::keyClick(box, Qt::Key_Escape);
    } else {
      box->button(presses.front())->click();
      presses.erase(presses.begin());
    }
  });
  timer_.start();
}

FileDialogAnswerer::FileDialogAnswerer(std::function<void(QFileDialog*)> answer) {
  timer_.setInterval(10);
  QObject::connect(&timer_, &QTimer::timeout, [this, answer = std::move(answer)] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer_.stop();
    answered = true;
    answer(dialog);
  });
  timer_.start();
}

ProgressWatcher::ProgressWatcher() { qApp->installEventFilter(this); }

ProgressWatcher::~ProgressWatcher() { qApp->removeEventFilter(this); }

bool ProgressWatcher::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && qobject_cast<QProgressDialog*>(watched)) {
    ++shown;
    if (answer) {
      auto* progress = static_cast<QWidget*>(watched);
      QTimer::singleShot(0, progress, [this, progress] { answer(progress); });
    }
  }
  return false;
}

}  // namespace ornetta::ui
