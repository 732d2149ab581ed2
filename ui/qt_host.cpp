#include "ui/qt_host.h"

#include <QApplication>
#include <QDateTime>
#include <QInputDialog>
#include <QMessageBox>

#include <cstdlib>

#include "ui/progress_dialog.h"

namespace ornetta::ui {

namespace {
QMessageBox::Icon IconOf(int icon) {
  switch (icon) {
    case platform::kIconCritical: return QMessageBox::Critical;
    case platform::kIconExclamation: return QMessageBox::Warning;
    case platform::kIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

// Shows `box` over the window that the progress stood over and returns the button pressed. A box
// ends or interrupts the work: no window may go on saying that it runs meanwhile (the next stage
// brings the progress back).
int Show(QMessageBox& box, const std::string& text, int icon, const std::string& title) {
  QString body = QString::fromStdString(text);
  body.replace("\r\n", "\n");
  QWidget* owner = QApplication::activeWindow();
  if (dynamic_cast<BusyWindow*>(owner)) owner = owner->parentWidget();
  TakeDownProgressWindows();
  box.setParent(owner, box.windowFlags());
  box.setIcon(IconOf(icon));
  box.setWindowTitle(QString::fromStdString(title));
  box.setText(body);
  box.setTextFormat(Qt::PlainText);
  // The user must see an arrow to answer, even in the middle of a busy repair.
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int pressed = box.exec();
  QApplication::restoreOverrideCursor();
  return pressed;
}
}  // namespace

void QtHost::MessageBox(const std::string& text, int icon, const std::string& title) {
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Ok);
  Show(box, text, icon, title);
}

platform::Answer QtHost::Question(const std::string& text, int icon, const std::string& title,
                                  platform::Buttons buttons) {
  QMessageBox box;
  const bool cancel = buttons == platform::Buttons::kYesNoCancel;
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | (cancel ? QMessageBox::Cancel : QMessageBox::NoButton));
  // Enter, Escape and closing the box take the answer that changes nothing.
  const QMessageBox::StandardButton safe = cancel ? QMessageBox::Cancel : QMessageBox::No;
  box.setDefaultButton(safe);
  box.setEscapeButton(safe);
  const int pressed = Show(box, text, icon, title);
  return pressed == QMessageBox::Yes  ? platform::Answer::kYes
         : pressed == QMessageBox::No ? platform::Answer::kNo
                                      : platform::Answer::kCancel;
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
