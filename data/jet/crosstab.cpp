#include "data/jet/crosstab.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "data/values/datetime.h"
#include "data/values/error.h"
#include "data/jet/names.h"
#include "data/jet/writer.h"
#include "data/values/sql_quoting.h"

namespace ornetta::jet {

namespace {

Error At(size_t offset, const std::string& what) {
  return Error(err::kSyntax, "Syntax error at character " + std::to_string(offset + 1) + ": " + what + ".");
}

const ast::Expr* FirstOrLast(const ast::Expr& e) {
  if (e.kind == ast::ExprKind::kCall && (SameName(e.text, "FIRST") || SameName(e.text, "LAST"))) return &e;
  for (const ast::ExprPtr& a : e.args)
    if (const ast::Expr* found = FirstOrLast(*a)) return found;
  return nullptr;
}

// A date's column is named as the date reads, without a midnight time.
std::string DateName(const std::string& stored) {
  const auto dt = ParseStoredDate(stored);
  if (!dt) return stored;
  std::string name = std::to_string(dt->month) + "/" + std::to_string(dt->day) + "/" + std::to_string(dt->year);
  if (dt->hour || dt->minute || dt->second) name += stored.substr(10);
  return name;
}

// The values come from the rows: they are written as literals, never as they stand.
ast::PivotColumn ColumnOf(const BoundValue& v) {
  switch (v.kind) {
    case BoundValue::kNull: return {"NULL", "<>"};
    case BoundValue::kInteger: return {std::to_string(v.integer), std::to_string(v.integer)};
    case BoundValue::kReal: {
      if (std::isinf(v.real)) return {v.real > 0 ? "9e999" : "-9e999", v.real > 0 ? "Infinity" : "-Infinity"};
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", v.real);
      std::string name = buf;
      for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, v.real);
        if (std::strtod(buf, nullptr) == v.real) break;
      }
      return {"(" + name + ")", buf};
    }
    case BoundValue::kText: return {QuotedText(v.text), v.text};
  }
  return {"NULL", "<>"};
}

void Resolve(ast::Select& s, const PivotLookup& pivot_values, bool in_view);

void Resolve(ast::FromList& from, const PivotLookup& pivot_values, bool in_view) {
  for (ast::FromItem& item : from) {
    if (item.table.select) Resolve(*item.table.select, pivot_values, in_view);
    if (item.table.group) Resolve(*item.table.group, pivot_values, in_view);
  }
}

void Resolve(ast::Select& s, const PivotLookup& pivot_values, bool in_view) {
  for (ast::Core& c : s.cores) Resolve(c.from, pivot_values, in_view);
  if (!s.crosstab) return;
  ast::Crosstab& x = *s.crosstab;
  x.columns.clear();
  if (!x.values.empty()) {
    Writer writer;
    for (const ast::ExprPtr& v : x.values) {
      const bool literal = v->kind == ast::ExprKind::kString || v->kind == ast::ExprKind::kNumber ||
                           v->kind == ast::ExprKind::kDate || v->kind == ast::ExprKind::kNull;
      if (!literal) throw At(v->offset, "PIVOT ... IN lists values: texts, numbers or dates");
      std::string sql;
      writer.Expr(*v, sql);
      const std::string name = v->kind == ast::ExprKind::kNull   ? "<>"
                               : v->kind == ast::ExprKind::kDate ? DateName(v->text)
                                                                 : v->text;
      x.columns.push_back({sql, name});
    }
  } else {
    if (in_view)
      throw At(x.offset,
               "a view cannot hold a crosstab whose columns come from the rows; list them with PIVOT ... IN (...)");
    if (!pivot_values)
      throw At(x.offset,
               "a crosstab's columns come from the rows of an open database; list them with PIVOT ... IN (...)");
    for (const BoundValue& v : pivot_values(Writer().PivotValuesQuery(s))) {
      x.columns.push_back(ColumnOf(v));
      if (x.pivot->type == Type::kDate) x.columns.back().name = DateName(x.columns.back().name);
      if (x.columns.size() > kMaxCrosstabColumns) break;
    }
  }
  if (x.columns.size() + s.cores[0].items.size() > kMaxCrosstabColumns)
    throw Error(err::kSyntax, "Too many crosstab column headers (" + std::to_string(x.columns.size()) +
                                  "): a crosstab has at most " + std::to_string(kMaxCrosstabColumns) +
                                  " columns; list the ones wanted with PIVOT ... IN (...).");
  s.item_types.insert(s.item_types.end(), x.columns.size(), x.cell->type);
}

}  // namespace

void CheckCrosstabCell(const ast::Crosstab& crosstab, bool has_aggregate) {
  if (!has_aggregate)
    throw At(crosstab.cell->offset, "TRANSFORM's value must be an aggregate, such as Sum(Amount) or Count(*)");
  if (const ast::Expr* f = FirstOrLast(*crosstab.cell))
    throw At(f->offset, f->text + " cannot be split by the pivot's values; use Min or Max in a crosstab");
}

void ResolveCrosstabs(ast::Statement& statement, const PivotLookup& pivot_values) {
  const bool in_view = statement.kind == ast::Statement::kCreateView;
  if (statement.select) Resolve(*statement.select, pivot_values, in_view);
  Resolve(statement.from, pivot_values, in_view);
}

}  // namespace ornetta::jet
