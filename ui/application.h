// The toolkit's application object as the utility needs it: it reads no command line and no
// settings file, and draws with one style on every desktop.
#pragma once

#include <QApplication>
#include <memory>

namespace ornetta::ui {

// Only the program's own name reaches the toolkit: none of its options (-style, -reverse,
// -stylesheet, ...) can take effect. The toolkit's settings (the file dialog's history and
// folders) are neither read nor written.
std::unique_ptr<QApplication> MakeApplication(int argc, char** argv);

}  // namespace ornetta::ui
