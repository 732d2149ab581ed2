// ornetta-demo PROGRAM_FOLDER [--invoices N] [--size-mb N]
// Creates a demo installation in PROGRAM_FOLDER (database/DBStart.mdb and three year databases).
#include <cstdlib>
#include <iostream>
#include <string>

#include "data/values/error.h"
#include "tools/demo/demo_installation.h"

int main(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) == "--help") {
    std::cerr << "usage: ornetta-demo PROGRAM_FOLDER [--invoices N] [--size-mb N] [--delete-fraction F]\n"
                 "Creates PROGRAM_FOLDER/database with DBStart.mdb and three year databases.\n"
                 "--size-mb N makes each year database roughly N MB (about 4,600 invoices a MB).\n";
    return argc < 2 ? 2 : 0;
  }
  ornetta::demo::Options options;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    const double value = std::atof(argv[i + 1]);
    if (flag == "--invoices")
      options.invoices = static_cast<int>(value);
    else if (flag == "--size-mb")
      options.invoices = static_cast<int>(value * 4600);
    else if (flag == "--delete-fraction")
      options.delete_fraction = value;
    else {
      std::cerr << "ornetta-demo: unknown option " << flag << "\n";
      return 2;
    }
  }
  try {
    ornetta::demo::CreateInstallation(argv[1], options);
  } catch (const std::exception& e) {
    std::cerr << "ornetta-demo: " << e.what() << "\n";
    return 1;
  }
  std::cout << "Demo installation created in " << argv[1] << "\n";
  return 0;
}
