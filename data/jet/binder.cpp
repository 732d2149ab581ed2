#include "data/jet/binder.h"
#include "data/jet/names.h"

#include <algorithm>
#include <cctype>

#include "data/values/error.h"
#include "data/jet/catalogue.h"
#include "data/jet/crosstab.h"

namespace ornetta::jet {

namespace {

using ast::ExprKind;
using ast::Op;

// Whether the engine can read the node as a condition: the logical operators and comparisons.
// Any other value is a value wherever it stands.
bool IsLogical(const ast::Expr& e) {
  switch (e.kind) {
    case ExprKind::kUnary:
      return e.op == Op::kNot;
    case ExprKind::kBinary:
      return e.op <= Op::kGe;
    case ExprKind::kLike:
    case ExprKind::kBetween:
    case ExprKind::kIn:
    case ExprKind::kIsNull:
      return true;
    default:
      return false;
  }
}

// A date moved by a number of days is a date; numbers add; two texts join.
Type AddType(Type a, Type b) {
  if (a == Type::kNull || b == Type::kNull) return Type::kNull;
  if ((a == Type::kDate && (IsNumeric(b) || b == Type::kDate)) || (IsNumeric(a) && b == Type::kDate)) return Type::kDate;
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
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return Type::kDouble;
  return std::stoll(text) <= 2147483647LL ? Type::kLong : Type::kDouble;
}

// The type of \ and Mod: their operands are rounded to whole numbers first, so the narrowest
// whole-number type that holds both.
Type WholeDivisionType(Type a, Type b) {
  if (a == Type::kNull || b == Type::kNull) return Type::kNull;
  return Wider(IntegerType(a), IntegerType(b));
}

class Binder {
 public:
  Binder(const ColumnTypeLookup& columns, const TableLookup& tables) : columns_(columns), tables_(tables) {}

  void Statement(ast::Statement& s) {
    RefuseInternalTarget(s);
    statement_ = &s;
    // The statements that read rows may ask for values; a definition's DEFAULT may not.
    asks_ = s.kind <= ast::Statement::kJoinedUpdate || s.kind == ast::Statement::kCreateView;
    // The table an UPDATE or DELETE works on is the scope of its SET, WHERE and ON.
    scopes_.emplace_back();
    items_.push_back(nullptr);
    if (columns_ && s.kind == ast::Statement::kUpdate) scopes_.back().push_back({s.table, ""});
    if (columns_) Tables(s.from, scopes_.back());
    if (s.select) Select(*s.select);
    for (ast::FromItem& item : s.from) FromItem(item);
    for (size_t i = 0; i < s.values.size(); ++i) {
      Expr(*s.values[i], false);
      if (columns_ && i < s.columns.size())
        if (const auto t = columns_(s.table, s.columns[i])) InferParameter(*s.values[i], TypeOfColumn(*t));
    }
    for (ast::Assignment& a : s.sets) {
      Expr(*a.value, false);
      if (columns_ && s.kind == ast::Statement::kUpdate)
        if (const auto t = columns_(s.table, a.column)) InferParameter(*a.value, TypeOfColumn(*t));
    }
    if (s.where) Expr(*s.where, true);
    for (ast::ColumnDef& d : s.column_defs)
      for (auto& c : d.constraints)
        if (c.value) Expr(*c.value, false);
    scopes_.pop_back();
    items_.pop_back();
    if (s.kind == ast::Statement::kCreateView && !s.parameters.empty())
      throw Error(err::kSyntax, "A view cannot ask for values: the parameter [" + s.parameters[0].name +
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
    throw Error(err::kSyntax, "The table '" + target + "' is the database engine's own: a statement may read it but not change it.");
  }
  static bool IsInternalName(const std::string& name) { return name.size() >= 7 && SameName(name.substr(0, 7), "sqlite_"); }

  void Expr(ast::Expr& e, bool cond) {
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
        e.type = ColumnType(e.qualifier, e.text);
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
        if (logical) e.type = Type::kBoolean;
        else if (e.op == Op::kConcat) e.type = Type::kText;
        else if (e.op == Op::kAdd) e.type = AddType(a, b);
        else if (e.op == Op::kSub) e.type = SubtractType(a, b);
        else if (e.op == Op::kMul) e.type = IsNumeric(a) && IsNumeric(b) ? Wider(a, b) : Type::kDouble;
        else if (e.op == Op::kMod || e.op == Op::kIntDiv) e.type = WholeDivisionType(a, b);
        else if (e.op >= Op::kBAnd) e.type = Wider(IntegerType(a), IntegerType(b));
        else e.type = Type::kDouble;
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
    if (!f) throw Error(err::kSyntax, "Undefined function '" + e.text + "' in expression (character " + std::to_string(e.offset + 1) + ").");
    for (size_t i = 0; i < e.args.size(); ++i) Expr(*e.args[i], word == "IIF" && i == 0);
    if (f->aggregate) ++aggregates_;
    const int n = e.count_star ? 1 : static_cast<int>(e.args.size());
    if (n < f->min_args || n > f->max_args)
      throw Error(err::kSyntax, "Wrong number of arguments used with function '" + e.text + "' in query expression.");
    switch (f->result) {
      case FunctionSpec::kFixed:
        e.type = f->type;
        // Int and Fix of a date cut it to a whole day: still a date.
        if ((word == "INT" || word == "FIX") && e.args[0]->type == Type::kDate) e.type = Type::kDate;
        return;
      case FunctionSpec::kFirstArg:
        e.type = e.count_star ? Type::kUnknown : e.args[0]->type;
        return;
      case FunctionSpec::kKeepsCurrency:
        e.type = !e.count_star && e.args[0]->type == Type::kCurrency ? Type::kCurrency : f->type;
        return;
      case FunctionSpec::kChosen:
        break;
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
    for (size_t i = 0; i < s.cores.size(); ++i) Core(s.cores[i], i == 0 ? s.crosstab.get() : nullptr);
    // ORDER BY reads the first part's tables and its list's aliases.
    scopes_.emplace_back();
    items_.push_back(&s.cores[0].items);
    if (columns_) Tables(s.cores[0].from, scopes_.back());
    for (ast::OrderKey& key : s.order) {
      const size_t before = aggregates_;
      Expr(*key.expr, false);
      key.aggregate = aggregates_ != before;
    }
    scopes_.pop_back();
    items_.pop_back();
    aggregates_ = aggregates;
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
    // The list comes before FROM, but its columns are those of FROM's tables.
    scopes_.emplace_back();
    items_.push_back(&c.items);
    if (columns_) Tables(c.from, scopes_.back());
    for (ast::SelectItem& item : c.items)
      if (item.expr) Expr(*item.expr, false);
    for (ast::FromItem& item : c.from) FromItem(item);
    if (c.where) Expr(*c.where, true);
    for (ast::ExprPtr& g : c.group) Expr(*g, false);
    if (c.having) Expr(*c.having, true);
    if (crosstab) Crosstab(*crosstab);
    c.aggregate = aggregates_ != aggregates;
    scopes_.pop_back();
    items_.pop_back();
  }

  void FromItem(ast::FromItem& item) {
    ast::TableRef& t = item.table;
    if (t.select) Select(*t.select);
    if (t.group)
      for (ast::FromItem& inner : *t.group) FromItem(inner);
    if (item.on) Expr(*item.on, true);
  }

  // The tables and subqueries a FROM list names, those of parenthesised joins included.
  static void Tables(const ast::FromList& list, std::vector<ast::TableUse>& out) {
    for (const ast::FromItem& item : list) {
      const ast::TableRef& t = item.table;
      if (t.kind == ast::TableRef::kGroup) Tables(*t.group, out);
      else out.push_back({t.kind == ast::TableRef::kTable ? t.name : "", t.alias});
    }
  }

  // Found as the engine finds it: in the innermost SELECT whose FROM has it, then outwards (a
  // correlated subquery's outer tables). A subquery's columns are not looked up, but its name
  // hides those of the SELECTs around it.
  Type ColumnType(const std::string& qualifier, const std::string& column) {
    if (!columns_) return Type::kUnknown;
    const std::string upper_qualifier = Upper(qualifier);
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      std::optional<JetType> found;
      int matches = 0;
      bool named_here = false, unseen_columns = false;
      for (const ast::TableUse& t : *scope) {
        if (!qualifier.empty() && Upper(t.alias.empty() ? t.name : t.alias) != upper_qualifier) continue;
        named_here = true;
        if (t.name.empty()) {
          unseen_columns = true;
          continue;
        }
        if (auto type = columns_(t.name, column)) {
          found = type;
          ++matches;
        }
      }
      if (matches == 1 && !unseen_columns) return TypeOfColumn(*found);
      if (matches > 0 || unseen_columns || (!qualifier.empty() && named_here)) return Type::kUnknown;
    }
    return Type::kUnknown;
  }

  // A name that is no column of the tables in scope is a parameter: declared by PARAMETERS, or
  // written [name] where the tables are all known (a subquery's columns are not looked up).
  // Declared ones win over columns, as in Jet. Turns `e` into the parameter.
  bool AsParameter(ast::Expr& e) {
    if (!asks_ || !e.qualifier.empty()) return false;
    auto& list = statement_->parameters;
    auto found = std::find_if(list.begin(), list.end(), [&](const ast::Parameter& p) { return SameName(p.name, e.text); });
    if (found == list.end()) {
      if (!e.bracketed || !NoSuchName(e.text)) return false;
      list.push_back({e.text, Type::kUnknown, false});
      found = list.end() - 1;
    }
    e.kind = ExprKind::kParameter;
    e.parameter = static_cast<int>(found - list.begin()) + 1;
    return true;
  }

  bool NoSuchName(const std::string& name) const {
    if (!columns_) return false;
    for (size_t i = 0; i < scopes_.size(); ++i) {
      for (const ast::TableUse& t : scopes_[i])
        if (t.name.empty() || (tables_ && !tables_(t.name)) || columns_(t.name, name)) return false;
      if (items_[i])
        for (const ast::SelectItem& item : *items_[i])
          if (SameName(item.alias, name)) return false;
    }
    return true;
  }

  // A parameter nobody declared takes the type of what it is compared with or stored into, so
  // that a date typed as 1/1/2026 is read as a date.
  void InferParameter(ast::Expr& e, Type other) {
    if (e.kind != ExprKind::kParameter || other == Type::kUnknown || other == Type::kNull) return;
    ast::Parameter& p = statement_->parameters[static_cast<size_t>(e.parameter - 1)];
    if (!p.declared && p.type == Type::kUnknown) p.type = other;
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
  size_t aggregates_ = 0;  // aggregate calls bound so far
  std::vector<std::vector<ast::TableUse>> scopes_;  // the FROM tables of each SELECT being bound, outermost first
  std::vector<const std::vector<ast::SelectItem>*> items_;  // each scope's select list (aliases), or nullptr
  ast::Statement* statement_ = nullptr;
  bool asks_ = false;  // whether a name that is no column is a parameter
};

}  // namespace

void Bind(ast::Statement& statement, const ColumnTypeLookup& columns, const TableLookup& tables) {
  Binder(columns, tables).Statement(statement);
}

}  // namespace ornetta::jet
