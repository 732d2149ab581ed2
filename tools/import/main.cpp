// ornetta-import SOURCE.mdb TARGET.mdb [--overwrite]
#include <cstdio>
#include <string>

#include <unistd.h>

#include "tools/demo/demo_installation.h"
#include "tools/import/importer.h"

namespace {

const char kUsage[] =
    "usage: ornetta-import SOURCE.mdb TARGET.mdb [--overwrite]\n"
    "\n"
    "Carries an Access (Jet 3 or Jet 4) database into the application's encrypted format: tables\n"
    "with their types, keys, indexes, defaults and Required columns, saved select queries as views,\n"
    "and every row. Each table's row count and checksum are compared with the source's before the\n"
    "target takes its name; the report (printed, and written to TARGET.mdb.import.txt) lists what\n"
    "was not carried and why.\n"
    "\n"
    "  --overwrite  replace TARGET.mdb when it exists\n"
    "\n"
    "Exit status: 0 everything carried, 2 something listed as not carried, 1 failure (no target\n"
    "is written).\n";

}  // namespace

int main(int argc, char** argv) {
  ornetta::import::Options options;
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--overwrite") {
      options.overwrite = true;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      std::fprintf(stderr, "ornetta-import: unknown option '%s'\n\n%s", arg.c_str(), kUsage);
      return ornetta::import::kFailed;
    } else if (files == 0) {
      options.source = arg, ++files;
    } else if (files == 1) {
      options.target = arg, ++files;
    } else {
      ++files;
    }
  }
  if (files != 2) {
    std::fputs(kUsage, stderr);
    return ornetta::import::kFailed;
  }
  options.password = ornetta::demo::DeploymentPassword();
  return ornetta::import::Import(options, stdout, stderr, isatty(fileno(stderr)) != 0, stderr);
}
