// The writer's crosstab: the grouping SELECT with one column for each pivot value.
//   TRANSFORM Sum(n) SELECT a FROM t GROUP BY a PIVOT p IN ('x', 'y')
// is
//   SELECT a, (CASE WHEN count(CASE WHEN (p) = 'x' THEN 1 END) = 0 THEN NULL
//             ELSE sum(CASE WHEN (p) = 'x' THEN n END) END) AS [x], ... FROM t GROUP BY a
// A cell without rows of its value is Null, as Jet leaves it, Count's included.
#include "data/jet/names.h"
#include "data/jet/writer.h"

namespace ornetta::jet {

std::string Writer::PivotValuesQuery(const ast::Select& s) {
  const ast::Core& c = s.cores[0];
  std::string out = "SELECT DISTINCT ";
  Expr(*s.crosstab->pivot, out);
  out += " COLLATE NOCASE AS [pivot]";
  if (c.has_from) {
    out += " FROM ";
    From(c.from, out);
  }
  if (c.where) {
    out += " WHERE ";
    Expr(*c.where, out);
  }
  return out + " ORDER BY 1";
}

void Writer::Crosstab(const ast::Select& s, std::string& out) {
  const ast::Crosstab& x = *s.crosstab;
  const std::string pivot = "(" + Text(*x.pivot) + ")";
  std::string columns;
  for (const ast::PivotColumn& column : x.columns) {
    pivot_filter_ = column.sql == "NULL" ? pivot + " IS NULL" : pivot + " = " + column.sql + " COLLATE NOCASE";
    columns += (s.cores[0].items.empty() && columns.empty() ? "" : ", ");
    columns += "(CASE WHEN count(CASE WHEN " + pivot_filter_ + " THEN 1 END) = 0 THEN NULL ELSE ";
    Expr(*x.cell, columns);
    // The name comes from the rows and may hold any character, ']' included.
    std::string name = "\"";
    for (char ch : column.name) name += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    columns += " END) AS " + name + "\"";
  }
  pivot_filter_.clear();
  Core(s.cores[0], s.cores[0].distinct, out, nullptr, nullptr, &columns);
  Order(s, out);
}

}  // namespace ornetta::jet
