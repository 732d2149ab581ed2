#include "tools/import/report.h"

#include <cstdio>

namespace ornetta::import {

void Report::AddTable(const std::string& name, uint64_t rows, const std::string& checksum, int indexes) {
  tables_.push_back({name, rows, checksum, indexes});
}

void Report::AddView(const std::string& name) { views_.push_back(name); }

// One line an item: a saved query's SQL may run over several.
void Report::NotCarried(const std::string& object, const std::string& why) {
  std::string line;
  for (char c : why) {
    if (c == '\r') continue;
    line += c == '\n' ? ' ' : c;
  }
  not_carried_.emplace_back(object, line);
}

std::string Report::Text(double seconds) const {
  std::string out =
      "Import of " + source_ + (version_.empty() ? "" : " (" + version_ + ")") + "\n     into " + target_ + "\n\n";
  uint64_t total = 0;
  out += "Tables: " + std::to_string(tables_.size()) + "\n";
  for (const TableLine& t : tables_) {
    char line[512];
    std::snprintf(line, sizeof line, "  %-32s %12llu rows  %d index%s  checksum %s\n", t.name.c_str(),
                  static_cast<unsigned long long>(t.rows), t.indexes, t.indexes == 1 ? "" : "es", t.checksum.c_str());
    out += line;
    total += t.rows;
  }
  out += "Rows: " + std::to_string(total) + ", each table's count and checksum equal to the source's.\n";
  out += "Views (saved queries): " + std::to_string(views_.size()) + "\n";
  for (const std::string& v : views_) out += "  " + v + "\n";
  if (not_carried_.empty()) {
    out += "Not carried: nothing.\n";
  } else {
    out += "Not carried (" + std::to_string(not_carried_.size()) + "):\n";
    for (const auto& [object, why] : not_carried_) out += "  " + object + ": " + why + "\n";
  }
  for (const std::string& n : notes_) out += "Note: " + n + "\n";
  char line[128];
  std::snprintf(line, sizeof line, "Time: %.2f s\n", seconds);
  return out + line;
}

}  // namespace ornetta::import
