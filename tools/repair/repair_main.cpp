// ornetta-repair PROGRAM_FOLDER [DATABASE_FILE] [--accept-loss [--restore-from-backup]]
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "tools/repair/arguments.h"
#include "tools/repair/repair_run.h"

int main(int argc, char** argv) {
  using namespace ornetta::repair_cli;
  Arguments args;
  try {
    args = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::cerr << "ornetta-repair: " << e.what()
              << "\nusage: ornetta-repair PROGRAM_FOLDER [DATABASE_FILE] [--accept-loss [--restore-from-backup]]"
                 "   (ornetta-repair --help explains)\n";
    return kNotRepaired;
  }
  if (args.help) {
    std::cout << kHelp;
    return kRepaired;
  }
  try {
    return RunRepair(args, std::cout, std::cerr, isatty(STDOUT_FILENO) == 1);
  } catch (const std::exception& e) {
    std::cerr << "ornetta-repair: " << e.what() << "\n";
    return kNotRepaired;
  }
}
