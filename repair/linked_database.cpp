#include "repair/linked_database.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "data/values/error.h"

namespace ornetta::repair {

namespace fs = std::filesystem;

fs::path LinkedDatabase(const fs::path& path, const fs::path& program_folder) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
  const std::string link = "'" + path.filename().string() + "' is a link";
  const fs::path target = fs::canonical(path, ec);
  if (ec == std::errc::too_many_symbolic_link_levels)
    throw Error(err::kPathFileAccess,
                link + " that leads back to itself. Point it at the database file; nothing was changed.");
  if (ec)
    throw Error(err::kFileNotFound,
                link + " to '" + fs::read_symlink(path, ec).string() +
                    "', which cannot be found. Point it at the database file; nothing was changed.");
  struct stat installation {
  }, file{};
  if (::stat(program_folder.c_str(), &installation) != 0 || ::stat(target.c_str(), &file) != 0 ||
      installation.st_dev != file.st_dev)
    throw Error(err::kPathFileAccess, link + " to '" + target.string() +
                                          "', on another file system than the program: the repair cannot keep its "
                                          "backup beside it. Nothing was changed.");
  return target;
}

}  // namespace ornetta::repair
