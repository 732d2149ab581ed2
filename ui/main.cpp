// ORNETTA: the database repair utility of TARVIK Software. It reads no command line.
#include "data/clsProd.h"
#include "platform/files.h"
#include "ui/application.h"
#include "ui/frmRepairCompact.h"
#include "ui/qt_host.h"

int main(int argc, char** argv) {
  // The databases' keys take longer to derive than the toolkit to start: begin them first.
  const auto keys = ornetta::clsProd::PrepareKeys(ornetta::platform::ExecutableFolder());
  const auto app = ornetta::ui::MakeApplication(argc, argv);
  ornetta::ui::QtHost host;
  ornetta::ui::frmRepairCompact window(host);
  window.Form_Load();
  window.show();
  return app->exec();
}
