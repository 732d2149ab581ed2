// One run of ornetta-repair: finds the year database, repairs it and the start database through
// Repair_Compact_DB (the window's own procedure), and prints what became of every table.
#pragma once

#include <ostream>

#include "tools/repair/arguments.h"

namespace ornetta::repair_cli {

enum ExitStatus : int {
  kRepaired = 0,          // no live row lost
  kNotRepaired = 1,       // nothing changed; the reason is printed
  kRepairedRowsLost = 2,  // rows lost or set aside; replaced only with --accept-loss; the report says which
  kStartNotRepaired = 3,  // the year database is in place (as 0 or 2), the start database is as it was
};

// Runs the repair that `args` names. Stages go to `out` (as a bar when `terminal`), failures to
// `err`. Returns the exit status.
ExitStatus RunRepair(const Arguments& args, std::ostream& out, std::ostream& err, bool terminal);

}  // namespace ornetta::repair_cli
