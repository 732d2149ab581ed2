// TMP copies: the compacted copy "TMP" + name that a repair writes beside a database before it
// puts it in the database's place.
//
// A repair killed while it compacts leaves half a copy under that name (and the engine's journal
// of it). Start-up gives a lone TMP copy its database's name only when a finished compaction
// marked it whole: the mark, a small file "<copy>-whole" beside it, is written after the copy has
// passed its checks and records which file it vouches for (identity, size, time of the last
// change), so that a copy written or replaced afterwards is not taken for it.
#pragma once

#include <filesystem>
#include <system_error>

#include "data/values/datetime.h"
#include "platform/file_ops.h"

namespace ornetta {

// The mark's file beside `copy`.
std::filesystem::path WholeMarkPath(const std::filesystem::path& copy);

// Marks `copy` whole, durably (the mark and its folder are flushed through `file_ops`).
std::error_code MarkWholeCopy(const std::filesystem::path& copy,
                              platform::FileOps& file_ops = platform::SystemFileOps());

// True when `copy` is a regular file whose mark fits it.
bool IsMarkedWhole(const std::filesystem::path& copy);

// Removes the mark of `copy`, if any.
void ForgetWholeMark(const std::filesystem::path& copy);

// The folder that holds the repairs' backups, under the program folder.
std::filesystem::path BackupRoot(const std::filesystem::path& program_folder);

// Moves a copy that is not whole, with its journal, out of the database folder into the
// installation's partial copies folder (installation.h), where the user can still find it; its
// mark (a stale one) goes. The destination's name begins with the local time `now`. Returns the
// first error; what was moved stays moved.
std::error_code MovePartialCopyAside(const std::filesystem::path& copy, const std::filesystem::path& program_folder,
                                     const CivilDateTime& now);

}  // namespace ornetta
