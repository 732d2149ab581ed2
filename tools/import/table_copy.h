// A table's rows copied from the source into the target in one transaction, streamed one row at a
// time, and read back from the target for the check.
#pragma once

#include <sqlcipher/sqlite3.h>

#include "tools/import/checksum.h"
#include "tools/import/mdb_source.h"
#include "tools/import/progress.h"
#include "tools/import/report.h"
#include "tools/import/schema.h"

namespace ornetta::import {

// Copies every row of `table` into the target table `plan` made. Returns the checksum of the values
// as the source reads them; a value the target cannot hold exactly (a Decimal or Currency beyond a
// Double's 15 digits) is listed in `report` and counted in the checksum as it is stored. Throws
// Error when a row cannot be stored, SourceError when one cannot be read; the transaction is then
// rolled back.
TableChecksum CopyRows(const MdbSource& source, const SourceTable& table, const TablePlan& plan, sqlite3* db,
                       Progress& progress, Report& report);

// The checksum of the target table's values, read back through the engine.
TableChecksum StoredChecksum(sqlite3* db, const SourceTable& table, const TablePlan& plan);

}  // namespace ornetta::import
