#include "tools/repair/console_host.h"

namespace ornetta::repair_cli {

ConsoleHost::ConsoleHost(std::filesystem::path program_folder, std::ostream& out, std::ostream& err,
                         std::function<void()> before_output)
    : folder_(std::move(program_folder)), out_(out), err_(err), before_output_(std::move(before_output)) {}

std::string AsText(const std::string& text, int icon, const std::string& title) {
  std::string result = "[" + title +
                       (icon == platform::kIconCritical      ? ", error"
                        : icon == platform::kIconExclamation ? ", warning"
                                                             : "") +
                       "]";
  std::string line;
  bool first = true;
  const auto end_line = [&] {
    if (!line.empty()) result += (first ? " " : "  ") + line;
    result += "\n";
    line.clear();
    first = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      end_line();
    } else {
      line += text[i];
    }
  }
  end_line();
  return result;
}

void ConsoleHost::MessageBox(const std::string& text, int icon, const std::string& title) {
  if (before_output_) before_output_();
  std::ostream& stream = icon == platform::kIconCritical ? err_ : out_;
  stream << AsText(text, icon, title);
  stream.flush();
}

void ConsoleHost::EndProgram() { throw EndRequested{}; }

}  // namespace ornetta::repair_cli
