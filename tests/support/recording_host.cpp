#include "tests/support/recording_host.h"

#include <gtest/gtest.h>

#include "tools/demo/demo_installation.h"

namespace ornetta::testing {

namespace {
// Every message and question of every test passes here: none may carry the database password.
void ExpectNoPassword(const std::string& text, const std::string& title) {
  if (text.find(demo::DeploymentPassword()) != std::string::npos ||
      title.find(demo::DeploymentPassword()) != std::string::npos)
    ADD_FAILURE() << "a message shows the database password";
}
}  // namespace

void RecordingHost::MessageBox(const std::string& text, int icon, const std::string& title) {
  ExpectNoPassword(text, title);
  messages.push_back({text, icon, title});
}

platform::Answer RecordingHost::Question(const std::string& text, int icon, const std::string& title,
                                         platform::Buttons buttons) {
  ExpectNoPassword(text, title);
  questions.push_back({text, icon, title});
  if (replies.empty()) return platform::Host::Question(text, icon, title, buttons);
  const platform::Answer answer = replies.front();
  replies.erase(replies.begin());
  return answer;
}

void RecordingHost::ProcessPendingMessages() {
  ++pending_message_yields;
  if (on_yield) on_yield();
}

}  // namespace ornetta::testing
