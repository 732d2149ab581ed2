// The host services of the desktop, provided with Qt: message boxes and questions, the pointer, the program's
// folder, pending window messages.
#pragma once

#include <functional>

#include "platform/host.h"

namespace ornetta::ui {

class QtHost : public platform::Host {
 public:
  void MessageBox(const std::string& text, int icon, const std::string& title) override;
  using platform::Host::MessageBox;
  platform::Answer Question(const std::string& text, int icon, const std::string& title,
                            platform::Buttons buttons) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title) override;
  [[noreturn]] void EndProgram() override;
  std::filesystem::path ProgramFolder() const override;
  void ProcessPendingMessages() override;
  void SetDefaultPointer() override;
  CivilDateTime Now() const override;

  // How the program ends at once; tests replace it with one that throws.
  std::function<void()> end_program;
};

}  // namespace ornetta::ui
