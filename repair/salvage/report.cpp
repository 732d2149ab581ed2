#include "repair/salvage/report.h"

#include <sstream>

#include "data/values/error.h"
#include "platform/file_ops.h"

namespace ornetta::repair::salvage {

namespace fs = std::filesystem;

namespace {
std::string Rows(long long n) { return std::to_string(n) + (n == 1 ? " row" : " rows"); }
std::string Pages(long long n) { return std::to_string(n) + (n == 1 ? " damaged page" : " damaged pages"); }

// Rows lost where no index counts them: on which pages, or that the table's pages were not found.
std::string UncountedLoss(const TableOutcome& t) {
  return t.lost_pages > 0 ? "the rows of " + Pages(t.lost_pages) + " (how many is not known)"
                          : "its pages were not found, so its rows are lost (how many is not known)";
}

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

// How many rows of `t` are lost, in words; "" when none is.
std::string LostRows(const TableOutcome& t) {
  if (t.lost_known > 0 && t.count_exact) return Rows(t.lost_known);
  if (t.lost_known > 0) return "at least " + Rows(t.lost_known);
  if (t.rows_lost) return UncountedLoss(t);
  return "";
}
}  // namespace

std::string ReportText(const std::vector<SalvageOutcome>& outcomes, const fs::path& backup_folder) {
  std::ostringstream out;
  out << "Salvage of damaged databases\n"
      << "============================\n\n"
      << "The damaged originals are kept, byte for byte, in " << backup_folder.string() << ".\n"
      << "Only pages that passed their authentication were read into the repaired databases.\n";
  for (const SalvageOutcome& o : outcomes) {
    out << "\n"
        << o.file_name << "\n"
        << std::string(o.file_name.size(), '-') << "\n"
        << "Pages: " << o.page_count << " of " << o.page_size << " bytes; lost: " << o.lost_pages.size() << "\n"
        << "Key: " << o.key_source << "\n"
        << "List of tables: " << o.schema_source << "\n";
    for (size_t i = 0; i < o.lost_pages.size(); ++i)
      out << "  lost page " << o.lost_pages[i] << ": " << o.lost_owners[i] << "\n";
    out << "\nTables:\n";
    for (const TableOutcome& t : o.tables) {
      out << "  " << t.name << ": " << Rows(t.recovered) << " recovered";
      if (t.lost_known > 0)
        out << ", " << Rows(t.lost_known) << " lost" << (t.count_exact ? "" : " (at least)");
      else if (t.rows_lost)
        out << "; lost: " << UncountedLoss(t);
      out << "\n";
      for (const std::string& key : t.lost_keys) out << "      lost: " << key << "\n";
      if (t.lost_keys.size() < static_cast<size_t>(t.lost_known))
        out << "      ... and " << t.lost_known - static_cast<long long>(t.lost_keys.size()) << " more\n";
      for (const int64_t rowid : t.restored_rowids)
        out << "      put back from the backup of " << o.restored_from << ": rowid " << rowid << "\n";
    }
    if (!o.lost_objects.empty()) out << "\nNot in the repaired database:\n";
    for (const std::string& lost : o.lost_objects) out << "  " << lost << "\n";
    if (o.set_aside_rows > 0)
      out << "\nSet aside (readable, but not given to a table with certainty, so not in the repaired database): "
          << Rows(o.set_aside_rows) << "\n";
    if (!o.notes.empty()) out << "\nNotes:\n";
    for (const std::string& note : o.notes) out << "  " << note << "\n";
  }
  return out.str();
}

fs::path WriteReport(const std::vector<SalvageOutcome>& outcomes, const fs::path& backup_folder,
                     platform::FileOps& file_ops) {
  const fs::path path = backup_folder / kReportName;
  const fs::path partial = backup_folder / (std::string(kReportName) + ".part");
  std::error_code ec = file_ops.WriteFileDurably(partial, ReportText(outcomes, backup_folder));
  if (!ec) ec = file_ops.ReplaceFileAtomically(partial, path);
  if (ec)
    throw Error(err::kPathFileAccess,
                "The salvage report could not be written to '" + path.string() + "' (" + ec.message() + ").");
  return path;
}

std::string LostRowsSummary(const std::vector<SalvageOutcome>& outcomes) {
  std::string summary;
  for (const SalvageOutcome& o : outcomes) {
    for (const TableOutcome& t : o.tables)
      if (const std::string lost = LostRows(t); !lost.empty())
        summary += (summary.empty() ? "" : "; ") + t.name + ": " + lost;
    if (o.set_aside_rows > 0)
      summary += (summary.empty() ? "" : "; ") + Rows(o.set_aside_rows) + " of " + o.file_name + " set aside";
    if (!o.lost_objects.empty()) summary += (summary.empty() ? "" : "; ") + Joined(o.lost_objects);
  }
  return summary;
}

std::string LossLines(const SalvageOutcome& o) {
  std::string lines;
  for (const TableOutcome& t : o.tables)
    if (const std::string lost = LostRows(t); !lost.empty())
      lines += "  " + t.name + ": " + Rows(t.recovered) + " recovered, " + lost + " lost\r\n";
  if (o.set_aside_rows > 0)
    lines += "  " + Rows(o.set_aside_rows) + " readable but set aside (not given to a table with certainty)\r\n";
  if (!o.lost_objects.empty()) lines += "  lost: " + Joined(o.lost_objects) + "\r\n";
  return lines;
}

}  // namespace ornetta::repair::salvage
