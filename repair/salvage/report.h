// What a salvage tells people: the report file kept with the backup, and the message's summary.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "repair/salvage/salvage.h"

namespace ornetta::repair::salvage {

constexpr const char* kReportName = "Salvage report.txt";

// The report of the salvages of one repair: per database, the lost pages and whose they were,
// where the key and the list of tables came from, per table the rows recovered and the rows
// known lost (by key where an index names them), what was set aside, and notes.
std::string ReportText(const std::vector<SalvageOutcome>& outcomes, const std::filesystem::path& backup_folder);

// Writes the report into `backup_folder` (flushed through `file_ops`); returns its path. Throws
// Error on failure.
std::filesystem::path WriteReport(const std::vector<SalvageOutcome>& outcomes,
                                  const std::filesystem::path& backup_folder,
                                  platform::FileOps& file_ops = platform::SystemFileOps());

// The lost rows in a few words for a message: "Invoices: 12 rows; InvoiceLines: rows of 1
// damaged page (how many is not known)". Empty when no row was lost.
// Tables and views lost are named too.
std::string LostRowsSummary(const std::vector<SalvageOutcome>& outcomes);

// What the rebuilt copy of one database lacks, a line each: per table that lost rows, the rows
// recovered and lost; the rows set aside; the tables and views lost. For the question asked
// before such a copy replaces the database.
std::string LossLines(const SalvageOutcome& outcome);

}  // namespace ornetta::repair::salvage
