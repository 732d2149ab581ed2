#include "tests/support/recording_host.h"

#include <gtest/gtest.h>

#include "tools/demo/demo_installation.h"

namespace ornetta::testing {

void RecordingHost::MessageBox(const std::string& text, int icon, const std::string& title) {
  // Every message of every test passes here: none may carry the database password.
  if (text.find(demo::DeploymentPassword()) != std::string::npos ||
      title.find(demo::DeploymentPassword()) != std::string::npos)
    ADD_FAILURE() << "a message shows the database password";
  messages.push_back({text, icon, title});
}

void RecordingHost::ProcessPendingMessages() {
  ++pending_message_yields;
  if (on_yield) on_yield();
}

}  // namespace ornetta::testing
