// The writer's SELECT: its parts, UNION, ORDER BY, and TOP n with Jet's ties.
#include <algorithm>
#include <utility>

#include "data/values/error.h"
#include "data/jet/result_names.h"
#include "data/jet/writer.h"

namespace ornetta::jet {

namespace {
constexpr size_t kMaxTiesSql = 4'000'000;
}  // namespace

// fold_case: expressions compare without regard to case where rows are told apart (DISTINCT,
// UNION); columns do so by their collation. Unnamed expressions are named as Jet names them.
void Writer::Core(const ast::Core& c, bool fold_case, std::string& out, const std::string* extra_key,
                  const std::string* tie_condition, const std::string* extra_columns) {
  out += c.distinct ? "SELECT DISTINCT " : "SELECT ";
  const std::vector<std::string> names = ResultNames(c);
  for (size_t i = 0; i < c.items.size(); ++i) {
    const ast::SelectItem& item = c.items[i];
    if (i) out += ", ";
    if (item.kind == ast::SelectItem::kStar) {
      out += '*';
      continue;
    }
    if (item.kind == ast::SelectItem::kTableStar) {
      Qualifier(item.qualifier, out);
      out += ".*";
      continue;
    }
    Expr(*item.expr, out);
    // A column as it stands keeps its type and collation; the engine names a table's column
    // itself, but not always as Jet does (after a parenthesised join it gave the table's name).
    const bool plain_column = item.expr->kind == ast::ExprKind::kColumn && !item.expr->alias_of;
    if (!plain_column && fold_case) out += " COLLATE NOCASE";
    if (!plain_column || !item.alias.empty() || !item.expr->qualifier.empty() || names[i] != item.expr->text)
      out += " AS " + QuoteName(names[i]);
  }
  if (extra_key)
    out += (c.items.empty() ? "" : ", ") + *extra_key + (fold_case ? " COLLATE NOCASE" : "") + " AS [jet_key]";
  if (extra_columns) out += *extra_columns;
  if (c.has_from) {
    out += " FROM ";
    From(c.from, out);
  }
  // TOP's ties are a condition on the rows, or on the groups when there are groups.
  auto clause = [&](const char* keyword, const ast::ExprPtr& own, bool tie) {
    if (!own && !tie) return;
    out += keyword;
    if (own && tie) out += '(';
    if (own) Expr(*own, out);
    if (own && tie) out += ") AND ";
    if (tie) out += *tie_condition;
  };
  clause(" WHERE ", c.where, tie_condition && c.group.empty());
  // DISTINCTROW: one row for each combination of the shown tables' rows.
  for (size_t i = 0; i < c.row_keys.size() && c.group.empty(); ++i) {
    out += i ? ", " : " GROUP BY ";
    Qualifier(c.row_keys[i], out);
    out += ".rowid";
  }
  for (size_t i = 0; i < c.group.size(); ++i) {
    out += i ? ", " : " GROUP BY ";
    Expr(*c.group[i], out);
    out += " COLLATE NOCASE";
  }
  clause(" HAVING ", c.having, tie_condition && !c.group.empty());
}

void Writer::Order(const ast::Select& s, std::string& out) {
  for (size_t i = 0; i < s.order.size(); ++i) {
    out += i ? ", " : " ORDER BY ";
    Expr(*s.order[i].expr, out);
    out += s.order[i].desc ? " COLLATE NOCASE DESC" : " COLLATE NOCASE";
  }
}

void Writer::Select(const ast::Select& s, std::string& out) {
  // A subquery's aggregates are its own, whatever crosstab cell it stands in.
  const std::string filter = std::exchange(pivot_filter_, std::string());
  struct Restore {
    std::string& to;
    const std::string from;
    ~Restore() { to = from; }
  } restore{pivot_filter_, filter};
  if (s.crosstab) return Crosstab(s, out);
  const ast::Core& first = s.cores[0];
  if (s.cores.size() > 1) {
    const bool union_distinct = std::find(s.union_all.begin(), s.union_all.end(), false) != s.union_all.end();
    Core(first, first.distinct || union_distinct, out);
    for (size_t i = 1; i < s.cores.size(); ++i) {
      out += s.union_all[i - 1] ? " UNION ALL " : " UNION ";
      Core(s.cores[i], s.cores[i].distinct || union_distinct, out);
    }
    Order(s, out);
    return;
  }
  if (!first.top) {
    Core(first, first.distinct, out);
    Order(s, out);
    return;
  }
  const bool one_group =
      first.group.empty() && (first.aggregate || std::any_of(s.order.begin(), s.order.end(),
                                                             [](const ast::OrderKey& k) { return k.aggregate; }));
  if (s.order.empty() || one_group) {
    Core(first, first.distinct, out);
    Order(s, out);
    out += " LIMIT " + TopRows(first);
    return;
  }
  const std::string tie = TiedRows(s);
  Core(first, first.distinct, out, nullptr, &tie);
  Order(s, out);
}

// TOP n's n; TOP n PERCENT's number of rows, n for each hundred rows rounded up, as Jet counts.
std::string Writer::TopRows(const ast::Core& c) {
  if (!c.top_percent) return std::to_string(c.top);
  std::string rows = "((SELECT count(*) FROM (";
  Core(c, c.distinct, rows);
  return rows + ")) * " + std::to_string(c.top) + " + 99) / 100";
}

// TOP n keeps, as Jet does, every row that sorts level with the n-th: the rows whose keys do not
// sort after the n-th row's keys (all rows when there are fewer than n).
std::string Writer::TiedRows(const ast::Select& s) {
  const ast::Core& c = s.cores[0];
  std::string order;
  Order(s, order);
  auto nth = [&](const std::string& key) {
    std::string probe = "(";
    Core(c, c.distinct, probe, &key);
    return probe + order + " LIMIT 1 OFFSET " + (c.top_percent ? TopRows(c) + " - 1" : std::to_string(c.top - 1)) + ")";
  };
  std::vector<std::string> keys;
  for (const ast::OrderKey& k : s.order) keys.push_back(Text(*k.expr));
  std::string cond = "1";
  for (size_t j = keys.size(); j-- > 0;) {
    const std::string& k = keys[j];
    const std::string b = "(SELECT [jet_key] FROM " + nth(k) + ")";
    // Nulls sort first, as in Jet.
    const std::string before =
        s.order[j].desc ? "(" + k + " > " + b + " COLLATE NOCASE OR (" + b + " IS NULL AND " + k + " IS NOT NULL))"
                        : "(" + k + " < " + b + " COLLATE NOCASE OR (" + k + " IS NULL AND " + b + " IS NOT NULL))";
    const std::string level = "(" + k + " IS " + b + " COLLATE NOCASE)";
    cond = "(" + before + " OR " + (cond == "1" ? level : "(" + level + " AND " + cond + ")") + ")";
    // Each key repeats the whole SELECT: many keys over a long SELECT would grow without bound.
    if (cond.size() > kMaxTiesSql)
      throw Error(err::kSyntax, "TOP " + std::to_string(c.top) + " with these " + std::to_string(keys.size()) +
                                    " sort keys is too complex to translate; sort by fewer keys.");
  }
  return "(NOT EXISTS (SELECT 1 FROM " + nth(keys[0]) + ") OR " + cond + ")";
}

}  // namespace ornetta::jet
