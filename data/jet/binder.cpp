#include "data/jet/binder.h"
#include "data/jet/names.h"

#include <algorithm>
#include <cctype>
#include <list>
#include <optional>

#include "data/values/error.h"
#include "data/jet/catalogue.h"
#include "data/jet/grouping.h"
#include "data/jet/crosstab.h"
#include "data/jet/result_names.h"

namespace ornetta::jet {

namespace {

using ast::ExprKind;
using ast::Op;

// Whether the engine can read the node as a condition: the logical operators and comparisons.
// Any other value is a value wherever it stands.
bool IsLogical(const ast::Expr& e) {
  switch (e.kind) {
    case ExprKind::kUnary: return e.op == Op::kNot;
    case ExprKind::kBinary: return e.op <= Op::kGe;
    case ExprKind::kLike:
    case ExprKind::kBetween:
    case ExprKind::kIn:
    case ExprKind::kIsNull: return true;
    default: return false;
  }
}

// A date moved by a number of days is a date; numbers add; two texts join.
Type AddType(Type a, Type b) {
  if (a == Type::kNull || b == Type::kNull) return Type::kNull;
  if ((a == Type::kDate && (IsNumeric(b) || b == Type::kDate)) || (IsNumeric(a) && b == Type::kDate))
    return Type::kDate;
  if (IsNumeric(a) && IsNumeric(b)) return Wider(a, b);
  if (IsText(a) && IsText(b)) return Type::kText;
  return Type::kUnknown;
}

// The days between two dates are a number (Jet's rule); a date less days is a date.
Type SubtractType(Type a, Type b) {
  if (a == Type::kNull || b == Type::kNull) return Type::kNull;
  if (a == Type::kDate && b == Type::kDate) return Type::kDouble;
  if (a == Type::kDate && IsNumeric(b)) return Type::kDate;
  if (IsNumeric(a) && IsNumeric(b)) return Wider(a, b);
  return Type::kUnknown;
}

// The type a bitwise operator works in: the operand's own whole-number type, else Long.
Type IntegerType(Type t) { return t >= Type::kByte && t <= Type::kLong ? t : Type::kLong; }

// A whole number that fits is a Long, any other a Double (the parser refuses one past a Double's
// range).
Type NumberLiteralType(const std::string& text) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    return Type::kDouble;
  return std::stoll(text) <= 2147483647LL ? Type::kLong : Type::kDouble;
}

// The type of \ and Mod: their operands are rounded to whole numbers first, so the narrowest
// whole-number type that holds both.
Type WholeDivisionType(Type a, Type b) {
  if (a == Type::kNull || b == Type::kNull) return Type::kNull;
  return Wider(IntegerType(a), IntegerType(b));
}

// A table or subquery of a FROM list, as the columns of a SELECT find it.
struct ScopeTable {
  std::string name;  // empty for a subquery
  std::string alias;
  const ast::Select* select = nullptr;  // a subquery's: its columns are its result's
  std::vector<std::string> names;       // a subquery's result names
  bool output = false;                  // the select list shows a column of it
  bool grouped = false;                 // inside a parenthesised join

  const std::string& Ref() const { return alias.empty() ? name : alias; }
};

enum ItemState { kUnbound, kBinding, kBound };

struct Scope {
  std::vector<ScopeTable> tables;
  ast::Core* core = nullptr;
  bool in_items = false;    // binding the select list
  size_t current_item = 0;  // the item being bound
  std::vector<ItemState> item_state;
  std::vector<size_t> weight;  // each item's nodes, aliases written out
  std::string unresolved;      // a column of the list whose table cannot be told
};

// Where a column was found: scope and table, or neither; `absent` when no table of any SELECT
// around it has it (the tables' columns all known).
struct Found {
  Type type = Type::kUnknown;
  Scope* scope = nullptr;
  int table = -1;
  bool absent = false;
};

// Items whose aliases, written out, make more nodes than this are refused: a chain of aliases that
// each use the one before twice doubles at every step.
constexpr size_t kMaxItemNodes = 100000;
constexpr int kMaxAliasDepth = 200;

class Binder {
 public:
  Binder(const ColumnTypeLookup& columns, const TableLookup& tables, const ColumnListLookup& table_columns)
      : columns_(columns), tables_(tables), table_columns_(table_columns) {}

  void Statement(ast::Statement& s) {
    RefuseInternalTarget(s);
    statement_ = &s;
    // The statements that read rows may ask for values; a definition's DEFAULT may not.
    asks_ = s.kind <= ast::Statement::kJoinedUpdate || s.kind == ast::Statement::kCreateView;
    // A statement that changes rows runs only on values someone declared: an undeclared name
    // there is most often a misspelt column, and the value typed for it would decide which rows
    // change.
    writes_ = s.kind >= ast::Statement::kSelectInto && s.kind <= ast::Statement::kJoinedUpdate;
    // The table an UPDATE or DELETE works on is the scope of its SET, WHERE and ON.
    scopes_.emplace_back();
    if (s.kind == ast::Statement::kUpdate) scopes_.back().tables.push_back({s.table, ""});
    Tables(s.from, scopes_.back().tables);
    if (s.select) Select(*s.select);
    for (ast::FromItem& item : s.from) FromItem(item);
    if (s.kind == ast::Statement::kInsert) s.stored_as = InsertedTypes(s);
    for (size_t i = 0; i < s.values.size(); ++i) {
      NoAggregate(*s.values[i], false, "VALUES clause", kInSubquery);
      if (i < s.stored_as.size()) InferParameter(*s.values[i], s.stored_as[i]);
    }
    for (ast::Assignment& a : s.sets) {
      NoAggregate(*a.value, false, "SET clause", kInSubquery);
      a.stored_as = StoredType(s.table, a.column);
      InferParameter(*a.value, a.stored_as);
    }
    if (s.where) NoAggregate(*s.where, true, "WHERE clause", kInSubquery);
    for (ast::ColumnDef& d : s.column_defs)
      for (auto& c : d.constraints)
        if (c.value) Expr(*c.value, false);
    scopes_.pop_back();
    if (s.kind == ast::Statement::kCreateView && !s.parameters.empty())
      throw Error(err::kSyntax,
                  "A view cannot ask for values: the parameter [" + s.parameters[0].name +
                      "] is neither declared as a column nor a column of its tables. Save the query without it, "
                      "or run it as a statement.");
  }

 private:
  // The engine's own tables (sqlite_sequence: the counters' last values; sqlite_stat*; the
  // schema) may be read, never changed: a changed counter breaks every later insert into its table.
  static void RefuseInternalTarget(const ast::Statement& s) {
    std::string target = s.table;
    if (s.kind == ast::Statement::kDelete && s.delete_simple) target = s.from[0].table.name;
    if (s.kind == ast::Statement::kCreateIndex || s.kind == ast::Statement::kDropIndex) {
      if (!IsInternalName(target)) target = s.index_table;
    }
    if (s.kind == ast::Statement::kSelect || !IsInternalName(target)) return;
    throw Error(err::kSyntax,
                "The table '" + target + "' is the database engine's own: a statement may read it but not change it.");
  }
  static bool IsInternalName(const std::string& name) {
    return name.size() >= 7 && SameName(name.substr(0, 7), "sqlite_");
  }

  // The type of a table's column as stored; Unknown when the column is not known.
  Type StoredType(const std::string& table, const std::string& column) const {
    const auto t = columns_ ? columns_(table, column) : std::nullopt;
    return t ? TypeOfColumn(*t) : Type::kUnknown;
  }

  // The type of each column an INSERT writes: those it names, else all of the table's in order.
  std::vector<Type> InsertedTypes(const ast::Statement& s) const {
    std::vector<Type> types;
    const std::vector<std::string> names = !s.columns.empty() || !table_columns_ ? s.columns : table_columns_(s.table);
    for (const std::string& column : names) types.push_back(StoredType(s.table, column));
    return types;
  }

  void Expr(ast::Expr& e, bool cond) {
    ++nodes_;
    e.condition = cond && IsLogical(e);
    auto bind = [&](size_t i, bool c) -> Type {
      Expr(*e.args[i], c);
      return e.args[i]->type;
    };
    switch (e.kind) {
      case ExprKind::kNumber: e.type = NumberLiteralType(e.text); return;
      case ExprKind::kString: e.type = Type::kText; return;
      case ExprKind::kDate: e.type = Type::kDate; return;
      case ExprKind::kBool: e.type = Type::kBoolean; return;
      case ExprKind::kNull: e.type = Type::kNull; return;
      case ExprKind::kColumn:
        if (AsParameter(e)) return Expr(e, cond);
        Column(e);
        return;
      case ExprKind::kParameter: e.type = statement_->parameters[static_cast<size_t>(e.parameter - 1)].type; return;
      case ExprKind::kParen: e.type = bind(0, false); return;
      case ExprKind::kSubquery:
        Select(*e.select);
        // A subquery's value is its one column's.
        e.type = e.select->item_types.size() == 1 ? e.select->item_types[0] : Type::kUnknown;
        return;
      case ExprKind::kExists:
        Select(*e.select);
        e.type = Type::kBoolean;
        return;
      case ExprKind::kCall: Call(e); return;
      case ExprKind::kUnary:
        if (e.op == Op::kNot) {
          bind(0, e.condition);
          e.type = Type::kBoolean;
        } else if (e.op == Op::kPlus) {
          e.type = bind(0, false);
        } else if (e.op == Op::kBNot) {
          e.type = IntegerType(bind(0, false));
        } else {
          // A negated Byte or Yes/No is an Integer: -CByte(1) is -1, -True is 1.
          const Type t = bind(0, false);
          e.type = IsNumeric(t) ? Wider(t, Type::kInteger) : Type::kDouble;
        }
        return;
      case ExprKind::kBinary: {
        // A comparison's left side may itself be one (a = b = c), read in the same way.
        const bool logical = e.op <= Op::kGe;
        const Type a = bind(0, e.condition);
        const Type b = bind(1, e.op == Op::kOr || e.op == Op::kAnd ? e.condition : false);
        if (e.op >= Op::kEq && e.op <= Op::kGe) {
          InferParameter(*e.args[0], b);
          InferParameter(*e.args[1], a);
        }
        if (logical)
          e.type = Type::kBoolean;
        else if (e.op == Op::kConcat)
          e.type = Type::kText;
        else if (e.op == Op::kAdd)
          e.type = AddType(a, b);
        else if (e.op == Op::kSub)
          e.type = SubtractType(a, b);
        else if (e.op == Op::kMul)
          e.type = IsNumeric(a) && IsNumeric(b) ? Wider(a, b) : Type::kDouble;
        else if (e.op == Op::kMod || e.op == Op::kIntDiv)
          e.type = WholeDivisionType(a, b);
        else if (e.op >= Op::kBAnd)
          e.type = Wider(IntegerType(a), IntegerType(b));
        else
          e.type = Type::kDouble;
        (void)logical;
        return;
      }
      case ExprKind::kLike:
      case ExprKind::kBetween:
      case ExprKind::kIn:
      case ExprKind::kIsNull:
        bind(0, e.condition);
        for (size_t i = 1; i < e.args.size(); ++i) bind(i, false);
        if (e.select) Select(*e.select);
        if (e.kind == ExprKind::kBetween || e.kind == ExprKind::kIn)
          for (size_t i = 1; i < e.args.size(); ++i) {
            InferParameter(*e.args[i], e.args[0]->type);
            InferParameter(*e.args[0], e.args[i]->type);
          }
        e.type = Type::kBoolean;
        return;
    }
  }

  void Call(ast::Expr& e) {
    const std::string word = Upper(e.text);
    const FunctionSpec* f = FindFunction(word);
    if (!f)
      throw Error(err::kSyntax, "Undefined function '" + e.text + "' in expression (character " +
                                    std::to_string(e.offset + 1) + ").");
    for (size_t i = 0; i < e.args.size(); ++i) Expr(*e.args[i], word == "IIF" && i == 0);
    if (f->aggregate)
      for (const ast::ExprPtr& arg : e.args)
        if (const ast::Expr* inner = FindAggregate(*arg))
          throw Error(err::kSyntax, "Cannot have aggregate function in expression (" + inner->text + " inside " +
                                        e.text + " at character " + std::to_string(e.offset + 1) +
                                        "): a total of totals needs a subquery that takes the inner ones.");
    if (f->aggregate) ++aggregates_, last_aggregate_ = &e;
    const int n = e.count_star ? 1 : static_cast<int>(e.args.size());
    if (n < f->min_args || n > f->max_args)
      throw Error(err::kSyntax, "Wrong number of arguments used with function '" + e.text + "' in query expression.");
    switch (f->result) {
      case FunctionSpec::kFixed:
        e.type = f->type;
        // Int and Fix of a date cut it to a whole day: still a date.
        if ((word == "INT" || word == "FIX") && e.args[0]->type == Type::kDate) e.type = Type::kDate;
        return;
      case FunctionSpec::kFirstArg: e.type = e.count_star ? Type::kUnknown : e.args[0]->type; return;
      case FunctionSpec::kKeepsCurrency:
        e.type = !e.count_star && e.args[0]->type == Type::kCurrency ? Type::kCurrency : f->type;
        return;
      case FunctionSpec::kChosen: break;
    }
    // IIf, Nz, Switch and Choose take the type of the argument they choose, so the types of all
    // they may choose must agree.
    if (word == "IIF") {
      e.type = Merge(e.args[1]->type, e.args[2]->type);
    } else if (word == "NZ") {
      // Nz(x) stands '' in for Null, which is then no date but also no reason to doubt the others.
      e.type = e.args.size() > 1 ? Merge(e.args[0]->type, e.args[1]->type) : e.args[0]->type;
    } else {
      Type t = Type::kNull;  // no condition holds, or the index is out of range
      for (size_t i = 1; i < e.args.size(); i += word == "SWITCH" ? 2 : 1) t = Merge(t, e.args[i]->type);
      e.type = t;
    }
  }

  void Select(ast::Select& s) {
    const size_t aggregates = aggregates_;  // a subquery's aggregates are its own
    const Clause outer_clause = clause_;    // and so are its clauses
    clause_ = {};
    for (size_t i = 0; i < s.cores.size(); ++i) Core(s.cores[i], i == 0 ? s.crosstab.get() : nullptr);
    // ORDER BY reads the first part's tables and its list's aliases.
    scopes_.emplace_back();
    scopes_.back().core = &s.cores[0];
    Tables(s.cores[0].from, scopes_.back().tables);
    for (ast::OrderKey& key : s.order) {
      const size_t before = aggregates_;
      Expr(*key.expr, false);
      key.aggregate = aggregates_ != before;
    }
    scopes_.pop_back();
    aggregates_ = aggregates;
    clause_ = outer_clause;
    for (const ast::Core& core : s.cores) CheckGrouping(core, s.cores.size() == 1 ? &s.order : nullptr);
    s.item_types.clear();
    const auto item_type = [](const ast::SelectItem& item) { return item.expr ? item.expr->type : Type::kUnknown; };
    for (const ast::SelectItem& item : s.cores[0].items) s.item_types.push_back(item_type(item));
    for (size_t part = 1; part < s.cores.size(); ++part) {
      const ast::Core& core = s.cores[part];
      for (size_t i = 0; i < s.item_types.size(); ++i) {
        const bool same_shape = core.items.size() == s.item_types.size() && core.items[i].expr;
        s.item_types[i] = same_shape ? Merge(s.item_types[i], item_type(core.items[i])) : Type::kUnknown;
      }
    }
  }

  // A crosstab's cell and pivot are read in the scope of its one part.
  void Core(ast::Core& c, ast::Crosstab* crosstab) {
    const size_t aggregates = aggregates_;
    // The list comes before FROM, but its columns are those of FROM's tables (and of its
    // subqueries, bound first).
    scopes_.emplace_back();
    Scope& scope = scopes_.back();
    scope.core = &c;
    Tables(c.from, scope.tables);
    for (ast::FromItem& item : c.from) FromItem(item);
    scope.item_state.assign(c.items.size(), kUnbound);
    scope.weight.assign(c.items.size(), 0);
    for (size_t i = 0; i < c.items.size(); ++i) Item(scope, i);
    if (c.where) NoAggregate(*c.where, true, "WHERE clause", kInHaving);
    for (ast::ExprPtr& g : c.group)
      NoAggregate(*g, false, "GROUP BY clause", "; group by the columns the total is taken over.");
    if (c.having) Expr(*c.having, true);
    if (crosstab) Crosstab(*crosstab);
    c.aggregate = aggregates_ != aggregates;
    if (c.distinct_row) c.row_keys = RowKeys(c, scope);
    scopes_.pop_back();
  }

  // One item of the select list; an item that uses another's alias binds that one first.
  void Item(Scope& scope, size_t i) {
    ast::SelectItem& item = scope.core->items[i];
    if (scope.item_state[i] == kBound) return;
    scope.item_state[i] = kBinding;
    if (item.kind == ast::SelectItem::kStar) {
      for (ScopeTable& t : scope.tables) t.output = true;
    } else if (item.kind == ast::SelectItem::kTableStar) {
      for (ScopeTable& t : scope.tables)
        if (SameName(t.Ref(), item.qualifier)) t.output = true;
    } else {
      const size_t outer_nodes = nodes_;
      const size_t outer_item = scope.current_item;
      nodes_ = 0;
      scope.current_item = i;
      scope.in_items = true;
      Expr(*item.expr, false);
      scope.in_items = false;
      scope.current_item = outer_item;
      scope.weight[i] = nodes_;
      nodes_ += outer_nodes;
      if (scope.weight[i] > kMaxItemNodes)
        throw Error(err::kSyntax, "The select list's aliases repeat too much to translate (at item " +
                                      std::to_string(i + 1) + "); use fewer of them within each other.");
    }
    scope.item_state[i] = kBound;
  }

  // The tables whose rows DISTINCTROW tells apart: those the select list shows columns of. It
  // changes nothing when the list shows every table, or groups.
  static std::vector<std::string> RowKeys(const ast::Core& c, const Scope& scope) {
    if (c.aggregate || !c.group.empty()) return {};
    if (std::all_of(scope.tables.begin(), scope.tables.end(), [](const ScopeTable& t) { return t.output; })) return {};
    if (!scope.unresolved.empty())
      throw Error(err::kSyntax, "DISTINCTROW needs to know the table of each column of the select list: write '" +
                                    scope.unresolved + "' as table." + scope.unresolved + ".");
    std::vector<std::string> keys;
    for (const ScopeTable& t : scope.tables) {
      if (!t.output) continue;
      if (t.select)
        throw Error(err::kSyntax,
                    "DISTINCTROW cannot tell the rows of a subquery in FROM apart; use DISTINCT, or show columns of "
                    "every table.");
      // The engine reads a parenthesised join as a subquery, whose rows have no number.
      if (t.grouped)
        throw Error(err::kSyntax,
                    "DISTINCTROW cannot tell apart the rows of " + t.Ref() +
                        " inside a parenthesised join; write the joins without parentheses, or use DISTINCT.");
      keys.push_back(t.Ref());
    }
    return keys;
  }

  void FromItem(ast::FromItem& item) {
    ast::TableRef& t = item.table;
    if (t.select) Select(*t.select);
    if (t.group)
      for (ast::FromItem& inner : *t.group) FromItem(inner);
    if (item.on) NoAggregate(*item.on, true, "JOIN operation", kInHaving);
  }

  // Totals are taken over the rows that WHERE, ON and GROUP BY choose: they cannot choose by one.
  static constexpr const char* kInHaving = "; a condition on a total belongs in HAVING.";
  static constexpr const char* kInSubquery = "; take the total in a subquery instead.";
  void NoAggregate(ast::Expr& e, bool condition, const char* clause, const char* advice) {
    const size_t before = aggregates_;
    const Clause outer = clause_;
    clause_ = {clause, advice};
    Expr(e, condition);
    clause_ = outer;
    if (aggregates_ != before) RefuseAggregate(*last_aggregate_, clause, advice);
  }

  [[noreturn]] static void RefuseAggregate(const ast::Expr& at, const char* clause, const char* advice) {
    throw Error(err::kSyntax, std::string("Cannot have aggregate function in ") + clause + " (" + at.text +
                                  " at character " + std::to_string(at.offset + 1) + ")" + advice);
  }

  // A name that is no column but the alias of a total, in a clause that may hold none: the engine
  // would read the alias there, and the total with it.
  void RefuseAliasOfAggregate(const ast::Expr& e) const {
    if (!clause_.name || scopes_.empty() || !scopes_.back().core || !e.qualifier.empty()) return;
    for (const ast::SelectItem& item : scopes_.back().core->items)
      if (item.expr && SameName(item.alias, e.text) && FindAggregate(*item.expr))
        RefuseAggregate(e, clause_.name, clause_.advice);
  }

  // The tables and subqueries a FROM list names, those of parenthesised joins included.
  static void Tables(const ast::FromList& list, std::vector<ScopeTable>& out, bool grouped = false) {
    for (const ast::FromItem& item : list) {
      const ast::TableRef& t = item.table;
      if (t.kind == ast::TableRef::kGroup)
        Tables(*t.group, out, true);
      else
        out.push_back({t.kind == ast::TableRef::kTable ? t.name : "", t.alias, t.select.get(),
                       t.select ? ResultNames(t.select->cores[0]) : std::vector<std::string>{}, false, grouped});
    }
  }

  // A name of the select list that no table has, but another item's alias: that item's value.
  bool AliasReference(ast::Expr& e) {
    if (scopes_.empty()) return false;
    Scope& scope = scopes_.back();
    if (!scope.in_items || !e.qualifier.empty()) return false;
    const std::vector<ast::SelectItem>& items = scope.core->items;
    for (size_t j = 0; j < items.size(); ++j) {
      if (!items[j].expr || !SameName(items[j].alias, e.text)) continue;
      if (j == scope.current_item || scope.item_state[j] == kBinding)
        throw Error(err::kSyntax,
                    "Circular reference caused by alias '" + items[j].alias + "' in query definition's SELECT list.");
      // Each alias used before its item is bound binds that item first, deeper in the stack.
      if (++alias_depth_ > kMaxAliasDepth)
        throw Error(err::kSyntax, "The select list's aliases use one another too deeply (at '" + e.text +
                                      "'); use fewer in a chain.");
      Item(scope, j);
      --alias_depth_;
      e.alias_of = items[j].expr.get();
      e.type = items[j].expr->type;
      nodes_ += scope.weight[j];
      return true;
    }
    return false;
  }

  void Column(ast::Expr& e) {
    const Found found = Resolve(e.qualifier, e.text);
    if (found.absent && AliasReference(e)) return;
    if (found.absent) RefuseAliasOfAggregate(e);
    e.type = found.type;
    for (Scope& scope : scopes_) {
      if (!scope.in_items) continue;
      if (found.scope == &scope)
        scope.tables[static_cast<size_t>(found.table)].output = true;
      else if (!found.scope && scope.unresolved.empty())
        scope.unresolved = e.text;
    }
  }

  // Found as the engine finds it: in the innermost SELECT whose FROM has it, then outwards (a
  // correlated subquery's outer tables). A subquery's columns are those of its result.
  Found Resolve(const std::string& qualifier, const std::string& column) {
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      Found found;
      int matches = 0, named = 0, named_table = -1;
      bool unseen_columns = false;
      for (size_t k = 0; k < scope->tables.size(); ++k) {
        const ScopeTable& t = scope->tables[k];
        if (!qualifier.empty() && !SameName(t.Ref(), qualifier)) continue;
        ++named;
        named_table = static_cast<int>(k);
        std::optional<Type> type;
        if (t.select)
          type = SubqueryColumn(t, column, unseen_columns);
        else if (columns_) {
          if (auto jet = columns_(t.name, column)) type = TypeOfColumn(*jet);
        } else {
          unseen_columns = true;
        }
        if (type) {
          found = {*type, &*scope, static_cast<int>(k), false};
          ++matches;
        }
      }
      if (matches == 1 && !unseen_columns) return found;
      if (!qualifier.empty() && named == 1) return {Type::kUnknown, &*scope, named_table, false};
      if (matches > 0 || unseen_columns || (!qualifier.empty() && named > 0)) return {};
    }
    return {Type::kUnknown, nullptr, -1, qualifier.empty()};
  }

  static std::optional<Type> SubqueryColumn(const ScopeTable& t, const std::string& column, bool& unseen) {
    // Until the subquery is bound (its own ORDER BY is bound after its list, in the scope around
    // it) its columns have no types yet.
    const std::vector<Type>& types = t.select->item_types;
    for (size_t i = 0; i < t.names.size(); ++i) {
      if (t.names[i].empty() || i >= types.size())
        unseen = true;
      else if (SameName(t.names[i], column))
        return types[i];
    }
    return std::nullopt;
  }

  // A name that is no column of the tables in scope is a parameter: declared by PARAMETERS, or
  // written [name] where the tables are all known (a subquery's columns are not looked up).
  // Declared ones win over columns, as in Jet. Turns `e` into the parameter.
  bool AsParameter(ast::Expr& e) {
    if (!asks_ || !e.qualifier.empty()) return false;
    auto& list = statement_->parameters;
    auto found =
        std::find_if(list.begin(), list.end(), [&](const ast::Parameter& p) { return SameName(p.name, e.text); });
    if (found == list.end()) {
      if (!e.bracketed || !NoSuchName(e.text)) return false;
      if (writes_) throw NoSuchColumnInWrite(e.text);
      list.push_back({e.text, Type::kUnknown, false});
      found = list.end() - 1;
    }
    e.kind = ExprKind::kParameter;
    e.parameter = static_cast<int>(found - list.begin()) + 1;
    return true;
  }

  // The refusal of an undeclared name in a statement that changes rows, with the nearest column
  // of the tables it reads when one is close.
  Error NoSuchColumnInWrite(const std::string& name) const {
    std::vector<std::string> tables;
    std::string nearest;
    size_t best = name.size() / 3 + 1;  // a third of the name wrong, at most
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope)
      for (const ScopeTable& t : scope->tables) {
        if (t.name.empty() || std::find(tables.begin(), tables.end(), t.name) != tables.end()) continue;
        tables.push_back(t.name);
        if (!table_columns_) continue;
        for (const std::string& column : table_columns_(t.name))
          if (const size_t d = EditDistance(name, column); d < best) best = d, nearest = column;
      }
    std::string of;
    for (size_t i = 0; i < tables.size(); ++i) of += (i == 0 ? "" : i + 1 == tables.size() ? " or " : ", ") + tables[i];
    return Error(err::kNoValueGiven, "No value given for one or more required parameters: [" + name +
                                         "] is not a column" + (of.empty() ? "" : " of " + of) +
                                         (nearest.empty() ? "" : " (did you mean " + nearest + "?)") +
                                         ". A statement that changes rows asks only for values declared with "
                                         "PARAMETERS.");
  }

  // Letters added, removed, changed or swapped with their neighbour to make one name the other,
  // without regard to case.
  static size_t EditDistance(const std::string& a, const std::string& b) {
    const auto same = [&](size_t i, size_t j) {
      return std::tolower(static_cast<unsigned char>(a[i])) == std::tolower(static_cast<unsigned char>(b[j]));
    };
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
      for (size_t j = 1; j <= b.size(); ++j) {
        d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (same(i - 1, j - 1) ? 0 : 1)});
        if (i > 1 && j > 1 && same(i - 1, j - 2) && same(i - 2, j - 1))
          d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    return d[a.size()][b.size()];
  }

  bool NoSuchName(const std::string& name) const {
    if (!columns_) return false;
    for (const Scope& scope : scopes_) {
      for (const ScopeTable& t : scope.tables)
        if (t.select || t.name.empty() || (tables_ && !tables_(t.name)) || columns_(t.name, name)) return false;
      if (scope.core)
        for (const ast::SelectItem& item : scope.core->items)
          if (SameName(item.alias, name)) return false;
    }
    return true;
  }

  // A parameter of no type (undeclared, or declared as a Value) takes the type of what it is
  // compared with or stored into, so that a date typed as 1/1/2026 is read as a date.
  void InferParameter(ast::Expr& e, Type other) {
    if (e.kind != ExprKind::kParameter || other == Type::kUnknown || other == Type::kNull) return;
    ast::Parameter& p = statement_->parameters[static_cast<size_t>(e.parameter - 1)];
    if (p.type == Type::kUnknown) p.type = other;
    e.type = p.type;
  }

  void Crosstab(ast::Crosstab& x) {
    const size_t before = aggregates_;
    Expr(*x.cell, false);
    CheckCrosstabCell(x, aggregates_ != before);
    Expr(*x.pivot, false);
    for (ast::ExprPtr& v : x.values) Expr(*v, false);
  }

  const ColumnTypeLookup& columns_;
  const TableLookup& tables_;
  const ColumnListLookup& table_columns_;
  size_t aggregates_ = 0;                      // aggregate calls bound so far
  const ast::Expr* last_aggregate_ = nullptr;  // the aggregate call bound last
  struct Clause {
    const char* name = nullptr;  // the clause being bound, when it may hold no total
    const char* advice = nullptr;
  } clause_;
  ast::Statement* statement_ = nullptr;
  bool asks_ = false;    // whether a name that is no column is a parameter
  bool writes_ = false;  // the statement changes rows: only declared parameters
  size_t nodes_ = 0;     // nodes bound so far in the item being bound, its aliases' counted as written out
  int alias_depth_ = 0;
  std::list<Scope> scopes_;  // each SELECT being bound, outermost first (a list: Found points into it)
};

}  // namespace

void Bind(ast::Statement& statement, const ColumnTypeLookup& columns, const TableLookup& tables,
          const ColumnListLookup& table_columns) {
  Binder(columns, tables, table_columns).Statement(statement);
}

}  // namespace ornetta::jet
