// The command line of ornetta-repair: PROGRAM_FOLDER [DATABASE_FILE]
// [--accept-loss [--restore-from-backup]], or --help.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace ornetta::repair_cli {

struct Arguments {
  bool help = false;
  std::filesystem::path program_folder;
  std::string database_file;         // the bare file name; empty: the current year database
  bool accept_loss = false;          // a salvage that lacks something replaces the database all the same
  bool restore_from_backup = false;  // and the lost rows a backup holds are put back
};

// Thrown for a command line that names no repair; the text says what is wrong.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads the arguments after the program's name. A DATABASE_FILE given with a folder must lie in
// PROGRAM_FOLDER's database folder, as the window's chooser would name it, and must exist there.
Arguments ParseArguments(const std::vector<std::string>& args);

extern const char* const kHelp;

}  // namespace ornetta::repair_cli
