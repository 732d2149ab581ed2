// The jetsql shell: runs Jet SQL statements on one database and prints their rows.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "data/values/variant.h"

namespace ornetta::jetsql {

struct Options {
  std::string database;
  std::string password;
  bool typed = false;                   // print values with their types
  std::vector<std::string> statements;  // when empty, read them from the input
  std::vector<std::string> parameters;  // --param: "[name]=value" or "name=value", for every statement
};

// The value --param gives the parameter `name` (any case), or nullopt. `parameters` as in Options.
std::optional<std::string> ParameterValue(const std::vector<std::string>& parameters, const std::string& name);

// Splits input into statements: one a line, or several lines joined until a line ends in ';'.
std::vector<std::string> ReadStatements(std::istream& in);

// Runs every statement; rows go to `out`, errors to `err`. Returns the number of failed statements.
int Run(const Options& options, std::istream& in, std::ostream& out, std::ostream& err);

// Stops the statement that Run is running now (Ctrl+C): it fails with nothing changed, and Run
// goes on with the next one. False when no statement runs. Safe from a signal handler on the
// thread that runs Run.
bool StopRunningStatement();

// Text of one value as --typed prints it: null, bool:true, int:N, double:N, currency:N, str:TEXT,
// date:...
std::string TypedText(const Variant& v);

}  // namespace ornetta::jetsql
