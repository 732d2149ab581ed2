// The services of the desktop that the data and repair code need, behind one interface so that
// the window (ui/qt_host.h) or a shell (ornetta-repair's console host) provides them and tests
// record them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "data/values/clock.h"

namespace ornetta::platform {

// Icon codes of a message box.
constexpr int kIconNone = 0;
constexpr int kIconCritical = 16;
constexpr int kIconExclamation = 48;
constexpr int kIconInformation = 64;

// The buttons of a question, and the one pressed.
enum class Buttons { kYesNo, kYesNoCancel };
enum class Answer { kYes, kNo, kCancel };

// The title a message box shows when the caller names none, and the one it names when it does.
inline const std::string kAppTitle = "TARVIK - ORNETTA";
inline const std::string kVendorTitle = "TARVIK Software";

// The host is also the clock (Clock::Now, the local date and time) of everything done for it: the
// date repair's today, the names of the backup folders, and Now(), Date() and Time() in the
// statements of the connections opened for it.
class Host : public Clock {
 public:
  virtual ~Host() = default;

  // A modal box with one OK button; returns when the user has acknowledged it.
  virtual void MessageBox(const std::string& text, int icon, const std::string& title) = 0;
  void MessageBox(const std::string& text, int icon = kIconNone) { MessageBox(text, icon, kAppTitle); }

  // A modal box titled `title` that asks for one line of text under `prompt`, with OK and Cancel:
  // the text typed, or nullopt when cancelled. A host with no one to ask cancels.
  virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title) {
    (void)prompt, (void)title;
    return std::nullopt;
  }

  // A modal box titled `title` that asks `text` with `buttons`: the one pressed. A host with no one
  // to ask answers the last button (No, or Cancel when offered): the answer that changes nothing.
  virtual Answer Question(const std::string& text, int icon, const std::string& title, Buttons buttons) {
    (void)text, (void)icon, (void)title;
    return buttons == Buttons::kYesNoCancel ? Answer::kCancel : Answer::kNo;
  }

  // Ends the program at once, without the window's unload step.
  [[noreturn]] virtual void EndProgram() = 0;

  // The folder of the running executable.
  virtual std::filesystem::path ProgramFolder() const = 0;

  // Lets the window repaint and handle queued input once, then returns.
  virtual void ProcessPendingMessages() = 0;

  // Puts the screen's mouse pointer back to the default arrow.
  virtual void SetDefaultPointer() = 0;
};

}  // namespace ornetta::platform
