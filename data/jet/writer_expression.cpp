// The writer's expressions.
#include <algorithm>
#include <cctype>

#include "data/jet/catalogue.h"
#include "data/jet/names.h"
#include "data/jet/writer.h"
#include "data/values/sql_quoting.h"

namespace ornetta::jet {

namespace {

using ast::ExprKind;
using ast::Op;

// Text compares without regard to case. A date's stored text has no letters, so folding case
// cannot change how it compares; leaving it out where one side is a date lets the engine use an
// index on a date column ("dates > #...#" over a million log rows).
const char* CaseFold(Type a, Type b) {
  const bool date = a == Type::kDate || b == Type::kDate;
  const bool text = IsText(a) || IsText(b);
  return date && !text ? "" : " COLLATE NOCASE";
}

const char* EngineFunction(Op op) {
  switch (op) {
    case Op::kImp: return "jet_imp(";
    case Op::kEqv: return "jet_eqv(";
    case Op::kXor: return "jet_xor(";
    case Op::kOr: return "jet_or(";
    case Op::kAnd: return "jet_and(";
    case Op::kConcat: return "jet_concat(";
    case Op::kAdd: return "jet_add(";
    case Op::kSub: return "jet_sub(";
    case Op::kMod: return "jet_mod(";
    case Op::kIntDiv: return "jet_intdiv(";
    case Op::kMul: return "jet_mul(";
    case Op::kDiv: return "jet_div(";
    case Op::kPow: return "jet_pow(";
    case Op::kBAnd: return "jet_band(";
    case Op::kBOr: return "jet_bor(";
    case Op::kBXor: return "jet_bxor(";
    default: return nullptr;
  }
}

// Currency's sums, differences and products are worked on the exact amounts.
const char* CurrencyFunction(Op op) {
  switch (op) {
    case Op::kAdd: return "jet_cur_add(";
    case Op::kSub: return "jet_cur_sub(";
    case Op::kMul: return "jet_cur_mul(";
    default: return EngineFunction(op);
  }
}

const char* Comparison(Op op) {
  switch (op) {
    case Op::kEq: return " = ";
    case Op::kNe: return " <> ";
    case Op::kLt: return " < ";
    case Op::kGt: return " > ";
    case Op::kLe: return " <= ";
    case Op::kGe: return " >= ";
    default: return nullptr;
  }
}

// A number written as such is negated in place: "--" would start a comment in the engine.
bool IsNumberLiteral(const ast::Expr& e) {
  const ast::Expr* x = &e;
  while (x->kind == ExprKind::kUnary && x->op == Op::kPlus) x = x->args[0].get();
  return x->kind == ExprKind::kNumber || (x->kind == ExprKind::kBool && !x->truth);  // False is 0
}

}  // namespace

void Writer::Qualifier(const std::string& name, std::string& out) {
  const auto it = renames_.find(Upper(name));
  out += it != renames_.end() ? it->second : QuoteName(name);
}

void Writer::Expr(const ast::Expr& e, std::string& out) {
  // A condition written as a value: -1 or 0, as in Jet.
  const char* value_open = e.condition ? "(" : "(-((";
  const char* value_close = e.condition ? ")" : "))";
  switch (e.kind) {
    case ExprKind::kNumber: out += e.text; return;
    case ExprKind::kString: out += QuotedText(e.text); return;
    case ExprKind::kDate: out += QuotedText(e.text); return;
    case ExprKind::kBool: out += e.truth ? "(-1)" : "0"; return;
    case ExprKind::kNull: out += "NULL"; return;
    case ExprKind::kColumn:
      if (e.alias_of) {
        out += '(';
        Expr(*e.alias_of, out);
        out += ')';
        return;
      }
      if (!e.qualifier.empty()) {
        Qualifier(e.qualifier, out);
        out += '.';
      }
      out += QuoteName(e.text);
      return;
    case ExprKind::kParameter: out += "?" + std::to_string(e.parameter); return;
    case ExprKind::kParen:
      out += '(';
      Expr(*e.args[0], out);
      out += ')';
      return;
    case ExprKind::kSubquery:
      out += '(';
      Select(*e.select, out);
      out += ')';
      return;
    case ExprKind::kExists:
      out += e.condition ? "EXISTS (" : "(-(EXISTS (";
      Select(*e.select, out);
      out += e.condition ? ")" : ")))";
      return;
    case ExprKind::kCall: Call(e, out); return;
    case ExprKind::kUnary:
      if (e.op == Op::kPlus) {
        Expr(*e.args[0], out);
      } else if (e.op == Op::kNot || e.op == Op::kBNot) {
        out += e.op == Op::kBNot ? "jet_bnot(" : e.condition ? "(NOT " : "jet_not(";
        Expr(*e.args[0], out);
        out += ')';
      } else {
        out += IsNumberLiteral(*e.args[0]) ? "(- " : "jet_neg(";
        Expr(*e.args[0], out);
        out += ')';
      }
      return;
    case ExprKind::kBinary:
      if (const char* op = Comparison(e.op)) {
        out += value_open;
        Compared(*e.args[0], *e.args[1], out);
        out += op;
        Compared(*e.args[1], *e.args[0], out);
        out += CaseFold(e.args[0]->type, e.args[1]->type);
        out += value_close;
        out += e.condition ? "" : ")";
        return;
      }
      if (e.condition && (e.op == Op::kOr || e.op == Op::kAnd)) {
        out += '(';
        Expr(*e.args[0], out);
        out += e.op == Op::kOr ? " OR " : " AND ";
        Expr(*e.args[1], out);
        out += ')';
        return;
      }
      out += e.type == Type::kCurrency ? CurrencyFunction(e.op) : EngineFunction(e.op);
      Expr(*e.args[0], out);
      out += ", ";
      Expr(*e.args[1], out);
      out += ')';
      return;
    case ExprKind::kLike:
    case ExprKind::kBetween:
      if (e.kind == ExprKind::kBetween && Between(e, out)) return;
      if (e.negated) out += e.condition ? "(NOT " : "jet_not(";
      out += e.kind == ExprKind::kLike ? "jet_like(" : "jet_between(";
      for (size_t i = 0; i < e.args.size(); ++i) {
        if (i) out += ", ";
        Expr(*e.args[i], out);
      }
      out += e.negated ? "))" : ")";
      return;
    case ExprKind::kIn:
      out += value_open;
      Expr(*e.args[0], out);
      out += e.negated ? " COLLATE NOCASE NOT IN (" : " COLLATE NOCASE IN (";
      if (e.select) Select(*e.select, out);
      for (size_t i = 1; i < e.args.size(); ++i) {
        if (i > 1) out += ", ";
        Expr(*e.args[i], out);
      }
      out += "))";
      out += e.condition ? "" : "))";
      return;
    case ExprKind::kIsNull:
      out += value_open;
      Expr(*e.args[0], out);
      out += e.negated ? " IS NOT NULL)" : " IS NULL)";
      out += e.condition ? "" : "))";
      return;
  }
}

// A date beside a number is compared as its serial number (Time() < 1); two dates compare as
// their stored texts, which keeps an index on a date column usable.
void Writer::Compared(const ast::Expr& side, const ast::Expr& other, std::string& out) {
  const bool serial = side.type == Type::kDate && IsNumeric(other.type);
  if (serial) out += "jet_serial(";
  Expr(side, out);
  if (serial) out += ')';
}

void Writer::Call(const ast::Expr& e, std::string& out) {
  const std::string word = Upper(e.text);
  if (word == "IIF") {
    out += "(CASE WHEN ";
    Expr(*e.args[0], out);
    out += " THEN ";
    Expr(*e.args[1], out);
    out += " ELSE ";
    Expr(*e.args[2], out);
    out += " END)";
    return;
  }
  if (word == "NZ") {
    out += "coalesce(";
    Expr(*e.args[0], out);
    out += ", ";
    if (e.args.size() > 1)
      Expr(*e.args[1], out);
    else
      out += "''";
    out += ')';
    return;
  }
  if (word == "ISNULL") {
    out += "(-(";
    Expr(*e.args[0], out);
    out += " IS NULL))";
    return;
  }
  if (word == "HEX" || word == "OCT") {
    // A negative number is written in its type's width: Hex(CInt(-1)) is FFFF, Hex(-1) FFFFFFFF.
    const Type t = e.args[0]->type;
    out += word == "HEX" ? "jet_hex(" : "jet_oct(";
    Expr(*e.args[0], out);
    out += t == Type::kByte || t == Type::kInteger || t == Type::kBoolean ? ", 16)" : ", 32)";
    return;
  }
  const FunctionSpec* f = FindFunction(word);
  if (f->aggregate) return Aggregate(e, f->engine, out);
  out += f->engine;
  out += e.distinct ? "(DISTINCT " : "(";
  if (e.count_star) out += '*';
  for (size_t i = 0; i < e.args.size(); ++i) {
    if (i) out += ", ";
    Expr(*e.args[i], out);
  }
  out += ')';
}

// An aggregate of one argument, alike in a crosstab's cell, where it reads only the rows of one
// pivot value. Sum and Avg of Currency add the exact amounts; of dates, their serial numbers (the
// engine's own would read a date's stored text as the year it begins with).
void Writer::Aggregate(const ast::Expr& e, const char* engine, std::string& out) {
  const std::string word = Upper(e.text);
  const bool sum = word == "SUM" || word == "AVG";
  const Type t = e.count_star ? Type::kUnknown : e.args[0]->type;
  if (sum && t == Type::kCurrency) engine = word == "SUM" ? "jet_cur_sum" : "jet_cur_avg";
  const bool serial = sum && t == Type::kDate;
  const bool filtered = !pivot_filter_.empty();
  out += engine;
  out += e.distinct ? "(DISTINCT " : "(";
  if (filtered) out += "CASE WHEN " + pivot_filter_ + " THEN ";
  if (e.count_star) {
    out += filtered ? '1' : '*';
  } else {
    if (serial) out += "jet_serial(";
    Expr(*e.args[0], out);
    if (serial) out += ')';
  }
  if (filtered) out += " END";
  out += ')';
}

}  // namespace ornetta::jet
