// jetsql [--password TEXT] [--typed] [--param "[NAME]=VALUE" ...] DATABASE [STATEMENT ...]
#include <csignal>
#include <iostream>
#include <string>

#include "tools/demo/demo_installation.h"
#include "tools/jetsql/shell.h"

namespace {
const char* const kHelp =
    "usage: jetsql [--password TEXT] [--typed] [--param \"[NAME]=VALUE\" ...] DATABASE [STATEMENT ...]\n"
    "\n"
    "Runs Jet (Access) SQL statements on an encrypted database of the application and prints\n"
    "the rows of each query as tab-separated text with a header row. Without statements on the\n"
    "command line, reads them from standard input: one a line, or over several lines up to a\n"
    "line that ends in ';'.\n"
    "\n"
    "  --password TEXT  the database password (default: the deployment password)\n"
    "  --typed          print each value with its type: null, bool:true, int:N, double:N,\n"
    "                   currency:N (exact, up to four decimals), str:TEXT (\\t, \\n and \\\\\n"
    "                   escaped), date:YYYY-MM-DD HH:MM:SS\n"
    "  --param \"[NAME]=VALUE\"  the value of a parameter: a name the statements declare with\n"
    "                   PARAMETERS, or a [bracketed name] that is no column; read as its declared\n"
    "                   type (--param \"[Start Date]=#1/1/2026#\"); empty for Null. Repeat for each.\n"
    "\n"
    "Like uses the wildcards of the Jet OLE DB provider (ANSI-92): % any run of characters,\n"
    "_ one character, [abc] and [!abc] sets; * ? and # match themselves. (Access's own query\n"
    "window reads * and ? as wildcards instead: translate them when a statement comes from there.)\n"
    "Dates are written #month/day/year# or #year-month-day#, with or without a time; True is -1.\n"
    "Text compares without regard to case. TOP n keeps the rows level with the n-th, as Access does;\n"
    "TOP n PERCENT takes n of every hundred rows, rounded up. SELECT ... INTO makes a table.\n"
    "Columns keep their Jet types: a value of another form is refused (write 42, not '42', for a\n"
    "Long; #12/9/2026#, not '2026-12-09', for a Date/Time; True or False for a Yes/No).\n"
    "What Jet SQL the translation cannot run with Access's meaning is refused with a message\n"
    "(FULL JOIN, relationships, other database files, form references such as Forms!Orders!ID).\n"
    "Crosstabs (TRANSFORM Sum(x) SELECT ... GROUP BY ... PIVOT column [IN (...)]) get a column for\n"
    "each value; CREATE VIEW name AS SELECT ... keeps a query that later statements read as a table.\n"
    "The statements reach only the named database: ATTACH, PRAGMA and extensions are refused.\n"
    "\n"
    "Ctrl+C stops the statement that runs (it changes nothing) and goes on with the next one.\n"
    "\n"
    "Exit status: 0 when every statement ran, 1 when any failed (its error goes to standard error).\n";

// Ctrl+C stops a running statement; at any other moment it ends the program as usual.
void OnInterrupt(int) {
  if (ornetta::jetsql::StopRunningStatement()) return;
  std::signal(SIGINT, SIG_DFL);
  std::raise(SIGINT);
}
}  // namespace

int main(int argc, char** argv) {
  ornetta::jetsql::Options options;
  options.password = ornetta::demo::DeploymentPassword();
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kHelp;
      return 0;
    } else if (arg == "--typed") {
      options.typed = true;
    } else if (arg == "--param" && i + 1 < argc) {
      options.parameters.push_back(argv[++i]);
      if (options.parameters.back().find('=') == std::string::npos) {
        std::cerr << "jetsql: --param needs \"[NAME]=VALUE\", not " << options.parameters.back() << "\n";
        return 2;
      }
    } else if (arg == "--password" && i + 1 < argc) {
      options.password = argv[++i];
    } else if (arg.rfind("--", 0) == 0) {
      std::cerr << "jetsql: unknown option " << arg << "\n" << kHelp;
      return 2;
    } else {
      break;
    }
  }
  if (i >= argc) {
    std::cerr << kHelp;
    return 2;
  }
  options.database = argv[i++];
  std::signal(SIGINT, OnInterrupt);
  for (; i < argc; ++i) options.statements.push_back(argv[i]);
  return ornetta::jetsql::Run(options, std::cin, std::cout, std::cerr) == 0 ? 0 : 1;
}
