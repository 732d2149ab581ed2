#include "tests/support/recording_host.h"

namespace ornetta::testing {

void RecordingHost::MessageBox(const std::string& text, int icon, const std::string& title) {
  messages.push_back({text, icon, title});
}

void RecordingHost::ProcessPendingMessages() {
  ++pending_message_yields;
  if (on_yield) on_yield();
}

}  // namespace ornetta::testing
