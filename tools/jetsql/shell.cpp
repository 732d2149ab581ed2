#include "tools/jetsql/shell.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <istream>
#include <memory>
#include <ostream>

#include "data/engine/connection.h"
#include "data/engine/connection_string.h"
#include "data/values/datetime.h"
#include "data/engine/recordset.h"
#include "data/engine/statement_watch.h"
#include "data/values/variant.h"
#include "data/values/ascii_case.h"

namespace ornetta::jetsql {

namespace {
std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\t')
      out += "\\t";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

// The shortest text that reads back as the same double; a whole number below 2^53 in plain digits
// (100, not 1e+02), as every such number is exact.
std::string ShortestDouble(double d) {
  char buf[40];
  if (d == std::floor(d) && std::fabs(d) < 9007199254740992.0) {
    std::snprintf(buf, sizeof buf, "%.0f", d == 0 ? 0.0 : d);  // no "-0"
    return buf;
  }
  for (int precision = 1; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, d);
    if (std::strtod(buf, nullptr) == d) break;
  }
  return buf;
}

std::string PlainText(const Variant& v) { return v.IsNull() ? "" : Escape(v.ToText()); }

std::atomic<StatementWatch*> running{nullptr};

// Makes a watch the one that StopRunningStatement stops, for one statement.
struct Running {
  explicit Running(StatementWatch& watch) { running.store(&watch); }
  ~Running() { running.store(nullptr); }
};
}  // namespace

bool StopRunningStatement() {
  StatementWatch* watch = running.load();
  if (!watch) return false;
  watch->Stop();
  return true;
}

std::string TypedText(const Variant& v) {
  switch (v.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null: return "null";
    case Variant::Type::Boolean: return v.AsBoolean() ? "bool:true" : "bool:false";
    case Variant::Type::Integer:
    case Variant::Type::Long: return "int:" + v.ToText();
    case Variant::Type::Double: {
      const double d = v.AsDouble();
      return "double:" + ShortestDouble(d);
    }
    case Variant::Type::String: return "str:" + Escape(v.AsString());
    case Variant::Type::Date: return "date:" + FormatStoredDate(CivilFromSerial(v.AsDate()));
    case Variant::Type::Currency: return "currency:" + v.ToText();
  }
  return "null";
}

std::optional<std::string> ParameterValue(const std::vector<std::string>& parameters, const std::string& name) {
  for (const std::string& p : parameters) {
    const bool bracketed = !p.empty() && p[0] == '[';
    const size_t close = bracketed ? p.find(']') : 0;
    const size_t equals = close == std::string::npos ? std::string::npos : p.find('=', close);
    if (equals == std::string::npos) continue;
    const std::string given = bracketed ? p.substr(1, close - 1) : p.substr(0, equals);
    if (EqualIgnoringAsciiCase(given, name)) return p.substr(equals + 1);
  }
  return std::nullopt;
}

std::vector<std::string> ReadStatements(std::istream& in) {
  // When any line ends in ';', statements run over lines up to one that does; otherwise each
  // non-blank line is a statement.
  std::vector<std::string> lines;
  bool semicolons = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t last = line.find_last_not_of(" \t");
    if (last == std::string::npos) continue;
    semicolons = semicolons || line[last] == ';';
    lines.push_back(line.substr(0, last + 1));
  }
  if (!semicolons) return lines;
  std::vector<std::string> out;
  std::string pending;
  for (const std::string& line : lines) {
    pending += (pending.empty() ? "" : "\n") + line;
    if (line.back() == ';') {
      out.push_back(pending);
      pending.clear();
    }
  }
  if (!pending.empty()) out.push_back(pending);
  return out;
}

int Run(const Options& options, std::istream& in, std::ostream& out, std::ostream& err) {
  auto conn = std::make_shared<Connection>();
  try {
    conn->Open(OpenConnectionString(options.database, options.password));
  } catch (const std::exception& e) {
    err << "jetsql: " << e.what() << "\n";
    return 1;
  }
  const std::vector<std::string> statements = options.statements.empty() ? ReadStatements(in) : options.statements;
  int failed = 0;
  for (const std::string& sql : statements) {
    StatementWatch watch(conn->NativeHandle(), {});
    Running now(watch);
    try {
      Recordset rs;
      rs.SetParameterPrompt([&options](const std::string& name) -> std::optional<std::string> {
        if (auto value = ParameterValue(options.parameters, name)) return value;
        throw Error(-2147217904,
                    "No value given for the parameter [" + name + "]: give it with --param \"[" + name + "]=value\".");
      });
      rs.Open(sql, conn);
      if (rs.FieldCount() == 0) continue;
      for (int i = 0; i < rs.FieldCount(); ++i) out << (i ? "\t" : "") << rs.FieldName(i);
      out << "\n";
      for (; !rs.Eof(); rs.MoveNext()) {
        for (int i = 0; i < rs.FieldCount(); ++i)
          out << (i ? "\t" : "") << (options.typed ? TypedText(rs.Fields(i)) : PlainText(rs.Fields(i)));
        out << "\n";
      }
    } catch (const std::exception& e) {
      if (watch.stopped())
        err << "jetsql: stopped before it finished; nothing was changed: " << sql << "\n";
      else
        err << "jetsql: " << e.what() << "\n";
      ++failed;
    }
  }
  return failed;
}

}  // namespace ornetta::jetsql
