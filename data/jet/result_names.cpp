#include "data/jet/result_names.h"

#include "data/jet/names.h"

namespace ornetta::jet {

std::vector<std::string> ResultNames(const ast::Core& core) {
  std::vector<std::string> names;
  for (size_t i = 0; i < core.items.size(); ++i) {
    const ast::SelectItem& item = core.items[i];
    if (!item.expr) names.emplace_back();
    else if (!item.alias.empty()) names.push_back(item.alias);
    else if (item.expr->kind == ast::ExprKind::kColumn) names.push_back(item.expr->text);
    else names.push_back("Expr" + std::to_string(1000 + i));
  }
  // Orders.OrderID beside Lines.OrderID: each keeps its table's name in front, so that neither
  // hides the other.
  std::vector<std::string> out = names;
  for (size_t i = 0; i < names.size(); ++i) {
    const ast::SelectItem& item = core.items[i];
    if (!item.expr || !item.alias.empty() || item.expr->kind != ast::ExprKind::kColumn || item.expr->qualifier.empty()) continue;
    for (size_t j = 0; j < names.size(); ++j)
      if (j != i && SameName(names[i], names[j])) out[i] = item.expr->qualifier + "." + names[i];
  }
  return out;
}

}  // namespace ornetta::jet
