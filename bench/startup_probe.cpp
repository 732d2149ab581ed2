// The utility's start-up, as ui/main.cpp does it, for the start-up and memory benchmarks:
//
//   startup_probe database|window [--stay]
//
// `database` runs the program's own start (Form_Load opens the year database through clsProd);
// `window` builds and shows the same window with no database work. When the window has painted
// for the first time the probe prints "shown <CLOCK_MONOTONIC nanoseconds> <1 when the year
// database is open, else 0>" and quits, or with
// --stay keeps running idle so that its memory can be read. It must sit in a program folder:
// the program finds its databases beside its own executable.
#include <QApplication>
#include <QEvent>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "data/clsProd.h"
#include "platform/files.h"
#include "ui/frmRepairCompact.h"
#include "ui/qt_host.h"

namespace {
long long MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Waits for the window's first paint; the report comes after the paint has been flushed, that is
// once the event loop is back from delivering it.
class FirstPaint : public QObject {
 public:
  FirstPaint(const ornetta::ui::frmRepairCompact& window, bool stay) : window_(window), stay_(stay) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!seen_ && event->type() == QEvent::Paint) {
      seen_ = true;
      QTimer::singleShot(0, [this] {
        const long long now = MonotonicNs();
        // Whether the year database is open, so that the driver knows which start it timed.
        const ornetta::clsProd* prod = window_.objProd();
        const bool open = prod && prod->dbconnection && prod->dbconnection->State() == ornetta::Connection::kStateOpen;
        std::printf("shown %lld %d\n", now, open ? 1 : 0);
        std::fflush(stdout);
        if (!stay_) QCoreApplication::quit();
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  const ornetta::ui::frmRepairCompact& window_;
  bool stay_;
  bool seen_ = false;
};
}  // namespace

int main(int argc, char** argv) {
  const bool database = argc >= 2 && std::strcmp(argv[1], "database") == 0;
  const bool window_only = argc >= 2 && std::strcmp(argv[1], "window") == 0;
  const bool stay = argc >= 3 && std::strcmp(argv[2], "--stay") == 0;
  if (!database && !window_only) {
    std::fprintf(stderr, "usage: startup_probe database|window [--stay]\n");
    return 2;
  }
  std::unique_ptr<ornetta::crypto::KeyPreparation> keys;
  if (database) keys = ornetta::clsProd::PrepareKeys(ornetta::platform::ExecutableFolder());
  int qt_argc = 1;  // the program reads no command line: Qt sees none either
  QApplication app(qt_argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  ornetta::ui::QtHost host;
  ornetta::ui::frmRepairCompact window(host);
  FirstPaint first_paint(window, stay);
  window.installEventFilter(&first_paint);
  if (database) window.Form_Load();
  window.show();
  return app.exec();
}
