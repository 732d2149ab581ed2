#include "ui/application.h"

#include <QSettings>
#include <string>

#include "ui/desktop_style.h"

namespace ornetta::ui {

namespace {
// The toolkit keeps the file dialog's state in a settings file of the user's, read when a dialog
// opens and written when it closes. A folder below a device file can be neither read nor
// created, so nothing is read and no file is written.
void ConfineToolkitSettings() {
  const QString nowhere = "/dev/null/ornetta";
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    for (QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
      QSettings::setPath(format, scope, nowhere);
}
}  // namespace

std::unique_ptr<QApplication> MakeApplication(int argc, char** argv) {
  // The toolkit keeps references to these for the application's life.
  static std::string program = argc > 0 && argv[0] ? argv[0] : "ornetta";
  static char* toolkit_argv[] = {program.data(), nullptr};
  static int toolkit_argc = 1;
  ConfineToolkitSettings();
  auto app = std::make_unique<QApplication>(toolkit_argc, toolkit_argv);
  QApplication::setStyle(new DesktopStyle);
  return app;
}

}  // namespace ornetta::ui
