// Translation in three passes over one parse tree: the parser reads the statement (parser.h), the
// binder types it (binder.h), the writer writes the engine's SQL (writer.h).
#include "data/jet/translate.h"

#include "data/jet/binder.h"
#include "data/jet/crosstab.h"
#include "data/jet/parser.h"
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

Statement Translate(std::string_view jet_sql, const ColumnTypeLookup& columns, const DatabaseLookups& lookups) {
  ast::Statement tree = Parse(jet_sql);
  Bind(tree, columns, lookups.tables);
  ResolveCrosstabs(tree, lookups.pivot_values);
  Statement out{Write(tree), tree.kind == ast::Statement::kSelect, {}, tree.parameters};
  if (out.returns_rows) {
    const ast::Select& select = *tree.select;
    for (size_t i = 0; i < select.item_types.size(); ++i) {
      const bool listed = i < select.cores[0].items.size();
      out.items.push_back({ResultType(select.item_types[i]),
                           listed && select.cores[0].items[i].kind != ast::SelectItem::kExpr});
    }
  }
  return out;
}

}  // namespace ornetta::jet
