// ornetta-snapshot OUTPUT.png: the window as a user first sees it, rendered without a display.
#include <QApplication>
#include <QStyleFactory>
#include <cstdio>

#include "ui/frmRepairCompact.h"
#include "ui/qt_host.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  if (argc != 2) {
    std::fprintf(stderr, "usage: ornetta-snapshot OUTPUT.png\n");
    return 2;
  }
  ornetta::ui::QtHost host;
  ornetta::ui::frmRepairCompact window(host);
  window.txtCurrDB()->setText("/opt/tarvik/database/DB2026_27.mdb");
  window.show();
  QApplication::processEvents();
  return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
