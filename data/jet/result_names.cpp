#include "data/jet/result_names.h"

#include "data/jet/names.h"

namespace ornetta::jet {

std::vector<std::string> ResultNames(const ast::Core& core) {
  std::vector<std::string> names;
  for (size_t i = 0; i < core.items.size(); ++i) {
    const ast::SelectItem& item = core.items[i];
    if (!item.expr)
      names.emplace_back();
    else if (!item.alias.empty())
      names.push_back(item.alias);
    else if (item.expr->kind == ast::ExprKind::kColumn)
      names.push_back(item.expr->text);
    else
      names.push_back("Expr" + std::to_string(1000 + i));
  }
  // Orders.OrderID beside Lines.OrderID: each keeps its table's name in front, so that neither
  // hides the other.
  std::vector<std::string> out = names;
  for (size_t i = 0; i < names.size(); ++i) {
    const ast::SelectItem& item = core.items[i];
    if (!item.expr || !item.alias.empty() || item.expr->kind != ast::ExprKind::kColumn || item.expr->qualifier.empty())
      continue;
    for (size_t j = 0; j < names.size(); ++j)
      if (j != i && SameName(names[i], names[j])) out[i] = item.expr->qualifier + "." + names[i];
  }
  return out;
}

std::vector<std::string> ColumnNames(sqlite3_stmt* stmt) {
  const int n = sqlite3_column_count(stmt);
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) {
    const char* name = sqlite3_column_name(stmt, i);
    names.emplace_back(name ? name : "");
  }
  std::vector<std::string> out = names;
  for (int i = 0; i < n; ++i) {
    const char* table = sqlite3_column_table_name(stmt, i);
    const char* origin = sqlite3_column_origin_name(stmt, i);
    // Only a stored column under its own name (ResultNames has named the others).
    if (!table || !origin || !SameName(origin, names[static_cast<size_t>(i)])) continue;
    for (int j = 0; j < n; ++j) {
      const char* other = sqlite3_column_table_name(stmt, j);
      if (j != i && other && !SameName(other, table) &&
          SameName(names[static_cast<size_t>(i)], names[static_cast<size_t>(j)]))
        out[static_cast<size_t>(i)] = std::string(table) + "." + names[static_cast<size_t>(i)];
    }
  }
  return out;
}

}  // namespace ornetta::jet
