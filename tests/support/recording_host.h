// A host for tests: records message boxes and questions (answered from a queue), pending-message yields and pointer
// resets instead of showing them, and turns "end the program" into an exception the test can catch.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"

namespace ornetta::testing {

struct ShownMessage {
  std::string text;
  int icon;
  std::string title;
  bool operator==(const ShownMessage&) const = default;
};

// Thrown by RecordingHost::EndProgram.
struct ProgramEnded {};

class RecordingHost : public platform::Host {
 public:
  explicit RecordingHost(std::filesystem::path program_folder) : folder_(std::move(program_folder)) {}

  void MessageBox(const std::string& text, int icon, const std::string& title) override;
  using platform::Host::MessageBox;
  // Records the box and answers with the next of `answers` (nullopt: cancel; none left: cancel).
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title) override {
    inputs.push_back({prompt, 0, title});
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  // Records the question and answers with the next of `replies` (none left: as no one there).
  platform::Answer Question(const std::string& text, int icon, const std::string& title,
                            platform::Buttons buttons) override;
  [[noreturn]] void EndProgram() override { throw ProgramEnded{}; }
  std::filesystem::path ProgramFolder() const override { return folder_; }
  void ProcessPendingMessages() override;
  void SetDefaultPointer() override { ++pointer_resets; }
  CivilDateTime Now() const override { return now; }

  std::vector<ShownMessage> messages;
  std::vector<ShownMessage> inputs;  // input boxes: prompt, 0, title
  std::vector<std::optional<std::string>> answers;
  std::vector<ShownMessage> questions;
  std::vector<platform::Answer> replies;
  int pending_message_yields = 0;
  int pointer_resets = 0;
  CivilDateTime now{2026, 12, 9, 14, 5, 30};  // the clock stands still
  std::function<void()> on_yield;             // runs inside ProcessPendingMessages, like queued input

 private:
  std::filesystem::path folder_;
};

}  // namespace ornetta::testing
