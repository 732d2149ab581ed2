// A database that is a symbolic link to the real file elsewhere (an office that keeps its data on
// another disk). The repair works on the file the link names, in that file's own folder (its TMP
// copy and swap beside it), and leaves the link as it is: putting the compacted copy in the
// link's place would leave the real file behind with the old data, and the data split in two.
#pragma once

#include <filesystem>

namespace ornetta::repair {

// The file `path` names with every link followed; `path` itself when it is no link. Throws Error,
// before anything is changed, when a link loops, names nothing, or leads off the file system of
// `program_folder` (where the backups and the moved-aside copies go).
std::filesystem::path LinkedDatabase(const std::filesystem::path& path, const std::filesystem::path& program_folder);

}  // namespace ornetta::repair
