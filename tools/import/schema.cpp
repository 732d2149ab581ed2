#include "tools/import/schema.h"

#include <algorithm>
#include <cctype>

#include "data/values/error.h"
#include "data/jet/translate.h"
#include "data/values/ascii_case.h"

namespace ornetta::import {

namespace {

std::string Declaration(const TargetType& t) {
  return t.jet_type + (t.size > 0 ? "(" + std::to_string(t.size) + ")" : "");
}

// Access writes a default as a form's expression: "=Date()", "Yes", "No". The dialect reads
// expressions, with True and False for Yes/No.
std::string DefaultExpression(std::string text) {
  if (!text.empty() && text[0] == '=') text.erase(0, 1);
  const std::string word = AsciiUpper(text);
  if (word == "YES" || word == "ON") return "True";
  if (word == "NO" || word == "OFF") return "False";
  return text;
}

// Whether the dialect takes the default for a column of this declaration; the refusal otherwise.
std::string DefaultRefusal(const std::string& decl, const std::string& expression) {
  try {
    jet::Translate("CREATE TABLE [t] ([c] " + decl + " DEFAULT (" + expression + "))");
    return {};
  } catch (const Error& e) {
    return e.Description();
  }
}

}  // namespace

std::string JetName(const std::string& name) { return "[" + name + "]"; }

TablePlan PlanTable(const SourceTable& table, std::set<std::string>& index_names, Report& report) {
  TablePlan plan;
  plan.name = table.name;
  const std::string table_ref = "table " + table.name;
  std::vector<std::string> parts;
  const SourceIndex* primary = nullptr;
  for (const SourceIndex& x : table.indexes)
    if (x.primary) primary = &x;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const SourceColumn& c = table.columns[i];
    const std::string ref = "column " + table.name + "." + c.name;
    std::string why;
    const auto type = MapType(c, why);
    if (!type) {
      report.NotCarried(ref, why);
      continue;
    }
    if (!type->loss.empty()) report.NotCarried(ref, type->loss);
    plan.columns.push_back(static_cast<int>(i));
    const std::string decl = Declaration(*type);
    std::string part = JetName(c.name) + " " + decl;
    if (type->jet_type == "COUNTER") plan.counter_column = c.name;
    // A counter is the engine's row key, never Null; Yes/No is never Null in Jet either.
    else if (c.required)
      part += " NOT NULL";
    // A Replication ID AutoNumber's default (GenGUID()) is its numbering, reported with its type.
    if (!c.default_value.empty() && !c.guid_autonumber) {
      const std::string expression = DefaultExpression(c.default_value);
      const std::string refusal = DefaultRefusal(decl, expression);
      if (refusal.empty())
        part += " DEFAULT (" + expression + ")";
      else
        report.NotCarried(ref, "the default value " + c.default_value + " is not carried: " + refusal);
    }
    if (!c.validation_rule.empty())
      report.NotCarried(ref, "the validation rule " + c.validation_rule +
                                 (c.validation_text.empty() ? "" : " (\"" + c.validation_text + "\")") +
                                 " is not carried: the dialect's CREATE TABLE has no CHECK clause");
    parts.push_back(part);
  }
  if (!table.validation_rule.empty())
    report.NotCarried(table_ref, "the validation rule " + table.validation_rule +
                                     " is not carried: the dialect's CREATE TABLE has no CHECK clause");
  if (primary && !primary->columns.empty()) {
    std::vector<std::string> cols;
    for (const auto& [name, descending] : primary->columns) cols.push_back(JetName(name));
    std::string list;
    for (const std::string& c : cols) list += (list.empty() ? "" : ", ") + c;
    const bool counter_is_key =
        cols.size() == 1 && AsciiUpper(primary->columns[0].first) == AsciiUpper(plan.counter_column);
    if (plan.counter_column.empty()) {
      parts.push_back("CONSTRAINT " + JetName(primary->name) + " PRIMARY KEY (" + list + ")");
      plan.primary_key = true;
    } else if (counter_is_key) {
      plan.primary_key = true;  // the counter's declaration makes it the key
    } else {
      // The AutoNumber column is the engine's row key already: the table's own key becomes a unique
      // constraint on the same columns, which refuses the same rows.
      parts.push_back("CONSTRAINT " + JetName(primary->name) + " UNIQUE (" + list + ")");
      report.NotCarried(table_ref, "the primary key " + primary->name + " (" + list +
                                       ") is a unique constraint: the AutoNumber column " + plan.counter_column +
                                       " is the engine's row key");
    }
  }
  std::string body;
  for (const std::string& p : parts) body += (body.empty() ? "" : ", ") + p;
  plan.jet_ddl = "CREATE TABLE " + JetName(table.name) + " (" + body + ")";

  for (const SourceIndex& x : table.indexes) {
    if (x.primary || x.foreign || x.columns.empty()) continue;  // the key is above; relationships are listed apart
    std::string name = x.name;
    if (index_names.count(AsciiUpper(name))) {
      name = table.name + "_" + x.name;
      report.AddNote("index " + x.name + " of " + table.name + " is named " + name +
                     ": index names belong to the whole file in the engine");
    }
    index_names.insert(AsciiUpper(name));
    std::string cols;
    for (const auto& [column, descending] : x.columns)
      cols += (cols.empty() ? "" : ", ") + JetName(column) + (descending ? " DESC" : "");
    plan.indexes.emplace_back(name, std::string("CREATE ") + (x.unique ? "UNIQUE " : "") + "INDEX " + JetName(name) +
                                        " ON " + JetName(table.name) + " (" + cols + ")" +
                                        (x.ignore_nulls ? " WITH IGNORE NULL" : ""));
    if (x.required)
      report.NotCarried(
          "index " + table.name + "." + x.name,
          "its Required setting (no Null in the index) is not carried: the dialect has no WITH DISALLOW NULL");
  }
  return plan;
}

}  // namespace ornetta::import
