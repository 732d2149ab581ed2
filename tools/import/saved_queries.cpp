#include "tools/import/saved_queries.h"

#include <algorithm>
#include <map>
#include <set>

namespace ornetta::import {

namespace {

// MSysQueries.Attribute: what one row of a query says.
enum Attribute {
  kType = 1,       // Flag: the query's kind; Expression: the statement of DDL and pass-through queries
  kParameter = 2,  // Name1: name, Flag: type
  kFlags = 3,      // Flag: DISTINCT, TOP...; Name1: TOP's number
  kTable = 5,      // Name1: table or query, Name2: alias; for a union Expression is a part
  kColumn = 6,     // Expression, Name1: alias; Flag in a crosstab: 0 value, 1 column heading, 2 row heading
  kJoin = 7,       // Name1 left, Name2 right, Expression: ON, Flag: 1 inner, 2 left, 3 right
  kWhere = 8,
  kGroupBy = 9,  // Flag as for kColumn in a crosstab
  kHaving = 10,
  kOrderBy = 11,  // Name1 "D": descending
};

constexpr int kDistinct = 0x02, kDistinctRow = 0x08, kTop = 0x10, kPercent = 0x20, kSelectStar = 0x01;
constexpr int kUnionAll = 0x02;

struct Row {
  int attribute = 0, flag = 0;
  std::string name1, name2, expression;
};

std::string Bracket(const std::string& name) {
  if (name.empty() || name.front() == '[' || name.find_first_of(" .()") == std::string::npos) return name;
  return "[" + name + "]";
}

std::string Join(const std::vector<std::string>& parts, const std::string& sep) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : sep) + p;
  return out;
}

// FROM with its joins nested the way Jet writes them: each join takes the two groups its tables are
// in and makes one of them, so that "(A INNER JOIN B ON ...) LEFT JOIN C ON ..." comes out of three.
std::string From(const std::vector<Row>& rows) {
  struct Group {
    std::string sql;
    std::set<std::string> members;
  };
  std::vector<Group> groups;
  for (const Row& r : rows) {
    if (r.attribute != kTable || r.name1.empty()) continue;
    const std::string ref = r.name2.empty() ? r.name1 : r.name2;
    groups.push_back({Bracket(r.name1) + (r.name2.empty() ? "" : " AS " + Bracket(r.name2)), {ref}});
  }
  // Two joins between the same pair of tables are one join on both conditions.
  std::vector<std::pair<std::pair<std::string, std::string>, std::pair<int, std::string>>> joins;
  for (const Row& r : rows) {
    if (r.attribute != kJoin) continue;
    auto same = std::find_if(joins.begin(), joins.end(),
                             [&](const auto& j) { return j.first == std::make_pair(r.name1, r.name2); });
    if (same != joins.end())
      same->second.second += " AND " + r.expression;
    else
      joins.push_back({{r.name1, r.name2}, {r.flag, r.expression}});
  }
  auto group_of = [&](const std::string& ref) {
    return std::find_if(groups.begin(), groups.end(), [&](const Group& g) { return g.members.count(ref) > 0; });
  };
  for (const auto& [pair, how] : joins) {
    auto left = group_of(pair.first);
    auto right = group_of(pair.second);
    if (left == groups.end() || right == groups.end() || left == right) continue;
    const char* kind = how.first == 2 ? " LEFT JOIN " : how.first == 3 ? " RIGHT JOIN " : " INNER JOIN ";
    Group merged{"(" + left->sql + kind + right->sql + " ON " + how.second + ")", left->members};
    merged.members.insert(right->members.begin(), right->members.end());
    *left = merged;
    groups.erase(right);
  }
  std::vector<std::string> parts;
  for (Group& g : groups) {
    // The outermost parentheses of a lone join are Jet's habit, not needed.
    if (groups.size() == 1 && g.sql.front() == '(' && g.sql.back() == ')') g.sql = g.sql.substr(1, g.sql.size() - 2);
    parts.push_back(g.sql);
  }
  return Join(parts, ", ");
}

std::vector<std::string> Collect(const std::vector<Row>& rows, int attribute, int flag = -1) {
  std::vector<std::string> out;
  for (const Row& r : rows)
    if (r.attribute == attribute && (flag < 0 || r.flag == flag) && !r.expression.empty()) out.push_back(r.expression);
  return out;
}

std::string Columns(const std::vector<Row>& rows, int flag_filter) {
  std::vector<std::string> cols;
  for (const Row& r : rows) {
    if (r.attribute != kColumn || (flag_filter >= 0 && r.flag != flag_filter)) continue;
    cols.push_back(r.expression + (r.name1.empty() ? "" : " AS " + Bracket(r.name1)));
  }
  return Join(cols, ", ");
}

std::string Select(const std::vector<Row>& rows, bool crosstab) {
  int flags = 0;
  std::string top;
  std::vector<std::string> parameters;
  for (const Row& r : rows) {
    if (r.attribute == kFlags) flags = r.flag, top = r.name1;
    if (r.attribute == kParameter) parameters.push_back(Bracket(r.name1));
  }
  std::string sql;
  if (!parameters.empty()) sql = "PARAMETERS " + Join(parameters, ", ") + "; ";
  if (crosstab) sql += "TRANSFORM " + Join(Collect(rows, kColumn, 0), ", ") + " ";
  sql += "SELECT ";
  if (flags & kDistinct) sql += "DISTINCT ";
  if (flags & kDistinctRow) sql += "DISTINCTROW ";
  if ((flags & kTop) && !top.empty()) sql += "TOP " + top + ((flags & kPercent) ? " PERCENT " : " ");
  std::string cols = Columns(rows, crosstab ? 2 : -1);
  if (flags & kSelectStar) cols = cols.empty() ? "*" : "*, " + cols;
  sql += cols;
  const std::string from = From(rows);
  if (!from.empty()) sql += " FROM " + from;
  if (auto w = Collect(rows, kWhere); !w.empty()) sql += " WHERE " + w[0];
  if (auto g = crosstab ? Collect(rows, kGroupBy, 2) : Collect(rows, kGroupBy); !g.empty())
    sql += " GROUP BY " + Join(g, ", ");
  if (auto h = Collect(rows, kHaving); !h.empty()) sql += " HAVING " + h[0];
  std::vector<std::string> order;
  for (const Row& r : rows)
    if (r.attribute == kOrderBy) order.push_back(r.expression + (r.name1 == "D" ? " DESC" : ""));
  if (!order.empty()) sql += " ORDER BY " + Join(order, ", ");
  if (crosstab) sql += " PIVOT " + Join(Collect(rows, kColumn, 1), ", ");
  return sql;
}

// Access ends some of these texts with a NUL of its own.
std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

std::map<uint32_t, std::vector<Row>> ReadRows(const MdbSource& source) {
  std::map<uint32_t, std::vector<Row>> by_id;
  if (!source.HasSystemTable("MSysQueries")) return by_id;
  const SourceTable def = source.ReadTable("MSysQueries");
  std::map<std::string, int> at;
  for (size_t i = 0; i < def.columns.size(); ++i) at[def.columns[i].name] = static_cast<int>(i);
  for (const char* needed : {"Attribute", "Expression", "Flag", "Name1", "Name2", "ObjectId"})
    if (!at.count(needed))
      throw SourceError(std::string("The table of saved queries (MSysQueries) has no column ") + needed +
                        ": the file is damaged.");
  MdbSource::Rows rows(source, "MSysQueries");
  std::vector<SourceValue> v;
  while (rows.Next(v)) {
    Row r;
    r.attribute = static_cast<int>(v[at["Attribute"]].integer);
    r.flag = static_cast<int>(v[at["Flag"]].integer);
    r.name1 = Trimmed(v[at["Name1"]].bytes);
    r.name2 = Trimmed(v[at["Name2"]].bytes);
    r.expression = Trimmed(v[at["Expression"]].bytes);
    by_id[static_cast<uint32_t>(v[at["ObjectId"]].integer) & 0xffffff].push_back(std::move(r));
  }
  return by_id;
}

SavedQuery Build(const std::string& name, const std::vector<Row>& rows) {
  SavedQuery q;
  q.name = name;
  int type = 0;
  std::string statement;
  for (const Row& r : rows) {
    if (r.attribute == kType) type = r.flag, statement = r.expression;
    if (r.attribute == kTable && !r.name1.empty()) q.sources.push_back(r.name1);
  }
  using K = SavedQuery::Kind;
  static const K kinds[] = {K::kUnknown, K::kSelect,   K::kMakeTable,      K::kAppend,      K::kUpdate,
                            K::kDelete,  K::kCrosstab, K::kDataDefinition, K::kPassThrough, K::kUnion};
  q.kind = type >= 1 && type <= 9 ? kinds[type] : K::kUnknown;
  switch (q.kind) {
    case K::kSelect: q.jet_sql = Select(rows, false); break;
    case K::kCrosstab: q.jet_sql = Select(rows, true); break;
    case K::kUnion: {
      std::vector<std::string> parts = Collect(rows, kTable);
      int flags = 0;
      for (const Row& r : rows)
        if (r.attribute == kFlags) flags = r.flag;
      q.jet_sql = Join(parts, (flags & kUnionAll) ? " UNION ALL " : " UNION ");
      break;
    }
    default: q.jet_sql = statement; break;
  }
  return q;
}

bool Hidden(const std::string& name) { return !name.empty() && name[0] == '~'; }

}  // namespace

const char* KindName(SavedQuery::Kind kind) {
  switch (kind) {
    case SavedQuery::Kind::kSelect: return "select";
    case SavedQuery::Kind::kMakeTable: return "make-table";
    case SavedQuery::Kind::kAppend: return "append";
    case SavedQuery::Kind::kUpdate: return "update";
    case SavedQuery::Kind::kDelete: return "delete";
    case SavedQuery::Kind::kCrosstab: return "crosstab";
    case SavedQuery::Kind::kDataDefinition: return "data-definition";
    case SavedQuery::Kind::kPassThrough: return "pass-through";
    case SavedQuery::Kind::kUnion: return "union";
    case SavedQuery::Kind::kUnknown: break;
  }
  return "unknown";
}

std::vector<SavedQuery> ReadSavedQueries(const MdbSource& source) {
  const auto rows = ReadRows(source);
  std::vector<SavedQuery> pending;
  for (const SourceQuery& q : source.Queries()) {
    if (Hidden(q.name)) continue;
    auto it = rows.find(q.id);
    pending.push_back(Build(q.name, it == rows.end() ? std::vector<Row>{} : it->second));
  }
  // Each pass takes the queries whose sources that are queries are already placed.
  std::set<std::string> names, placed;
  for (const SavedQuery& q : pending) names.insert(q.name);
  std::vector<SavedQuery> ordered;
  while (!pending.empty()) {
    auto ready = std::stable_partition(pending.begin(), pending.end(), [&](const SavedQuery& q) {
      return std::all_of(q.sources.begin(), q.sources.end(),
                         [&](const std::string& s) { return !names.count(s) || placed.count(s) || s == q.name; });
    });
    if (ready == pending.begin()) ready = pending.begin() + 1;  // a cycle: the engine will say what is wrong
    for (auto it = pending.begin(); it != ready; ++it) {
      placed.insert(it->name);
      ordered.push_back(std::move(*it));
    }
    pending.erase(pending.begin(), ready);
  }
  return ordered;
}

int HiddenQueryCount(const MdbSource& source) {
  const auto queries = source.Queries();
  return static_cast<int>(
      std::count_if(queries.begin(), queries.end(), [](const SourceQuery& q) { return Hidden(q.name); }));
}

}  // namespace ornetta::import
