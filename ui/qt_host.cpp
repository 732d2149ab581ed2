#include "ui/qt_host.h"

#include <QApplication>
#include <QDateTime>
#include <QInputDialog>
#include <QMessageBox>

#include <cstdlib>

#include "ui/progress_dialog.h"

namespace ornetta::ui {

void QtHost::MessageBox(const std::string& text, int icon, const std::string& title) {
  const QMessageBox::Icon kind = icon == platform::kIconCritical      ? QMessageBox::Critical
                                 : icon == platform::kIconInformation ? QMessageBox::Information
                                                                      : QMessageBox::NoIcon;
  QString body = QString::fromStdString(text);
  body.replace("\r\n", "\n");
  // A message ends or interrupts the work: no window may go on saying that it runs. The box
  // belongs to the window that the progress stood over.
  QWidget* owner = QApplication::activeWindow();
  if (dynamic_cast<BusyWindow*>(owner)) owner = owner->parentWidget();
  TakeDownProgressWindows();
  QMessageBox box(kind, QString::fromStdString(title), body, QMessageBox::Ok, owner);
  box.setTextFormat(Qt::PlainText);
  // The user must see an arrow to answer, even in the middle of a busy repair.
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  QApplication::restoreOverrideCursor();
}

std::optional<std::string> QtHost::InputBox(const std::string& prompt, const std::string& title) {
  QWidget* owner = QApplication::activeWindow();
  if (dynamic_cast<BusyWindow*>(owner)) owner = owner->parentWidget();
  QInputDialog box(owner);
  box.setWindowTitle(QString::fromStdString(title));
  box.setLabelText(QString::fromStdString(prompt));
  box.setInputMode(QInputDialog::TextInput);
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  const bool ok = box.exec() == QDialog::Accepted;
  QApplication::restoreOverrideCursor();
  if (!ok) return std::nullopt;
  return box.textValue().toStdString();
}

void QtHost::EndProgram() {
  if (end_program) end_program();
  std::exit(EXIT_FAILURE);
}

std::filesystem::path QtHost::ProgramFolder() const {
  return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
}

void QtHost::ProcessPendingMessages() { QCoreApplication::processEvents(); }

void QtHost::SetDefaultPointer() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

CivilDateTime QtHost::Now() const {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

}  // namespace ornetta::ui
