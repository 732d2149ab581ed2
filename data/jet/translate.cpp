// Translation in three passes over one parse tree: the parser reads the statement (parser.h), the
// binder types it (binder.h), the writer writes the engine's SQL (writer.h).
#include "data/jet/translate.h"

#include <algorithm>

#include "data/jet/binder.h"
#include "data/jet/crosstab.h"
#include "data/jet/parser.h"
#include "data/jet/right_join.h"
#include "data/jet/writer.h"

namespace ornetta::jet {

namespace {

// The types the caller cannot tell from a value's storage: a date (stored as text) and a
// Currency amount (stored as the number nearest to it).
JetType ResultType(Type t) {
  if (t == Type::kDate) return JetType::DateTime;
  if (t == Type::kCurrency) return JetType::Currency;
  return JetType::Unknown;
}

}  // namespace

Statement Translate(std::string_view jet_sql, const ColumnTypeLookup& columns, const DatabaseLookups& lookups,
                    const Clock& clock) {
  ast::Statement tree = Parse(jet_sql, clock);
  RewriteRightJoins(tree);
  Bind(tree, columns, lookups.tables, lookups.table_columns);
  ResolveCrosstabs(tree, lookups.pivot_values);
  Statement out{Write(tree), tree.kind == ast::Statement::kSelect, {}, tree.parameters, {}};
  if (tree.kind == ast::Statement::kSelectInto) out.make_table = tree.table;
  if (tree.select && (out.returns_rows || !out.make_table.empty())) {
    const ast::Select& select = *tree.select;
    for (size_t i = 0; i < select.item_types.size(); ++i) {
      const bool listed = i < select.cores[0].items.size();
      out.items.push_back({ResultType(select.item_types[i]),
                           listed && select.cores[0].items[i].kind != ast::SelectItem::kExpr,
                           ColumnOfType(select.item_types[i])});
    }
  }
  return out;
}

std::vector<const ResultItem*> PlaceItems(const std::vector<ResultItem>& items, int columns) {
  std::vector<const ResultItem*> placed(static_cast<size_t>(std::max(columns, 0)), nullptr);
  const size_t n = placed.size();
  size_t front = 0;
  while (front < items.size() && front < n && !items[front].expands) placed[front] = &items[front], ++front;
  if (front == items.size()) return placed;
  for (size_t back = 0; back < items.size() - front - 1 && back < n - front; ++back) {
    const ResultItem& item = items[items.size() - 1 - back];
    if (item.expands) break;
    placed[n - 1 - back] = &item;
  }
  return placed;
}

}  // namespace ornetta::jet
