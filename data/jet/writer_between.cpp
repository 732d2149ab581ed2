// The writer's Between. Jet swaps bounds given high first (5 Between 10 And 1 is True), which the
// engine's BETWEEN does not; jet_between does, but a function call hides the range from the engine,
// which then reads every row. Where the bounds are both dates or both numbers, the order is settled
// here (both written out) or left to min() and max(), and the engine's BETWEEN can search an index.
// Text bounds stay with jet_between: beside a number a text is read as a number, and whether the
// operand is one may be unknown here.
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "data/jet/writer.h"

namespace ornetta::jet {

namespace {

using ast::ExprKind;
using ast::Op;

enum class Kind { kNone, kNumber, kDate };

Kind KindOf(Type t) {
  if (t == Type::kDate) return Kind::kDate;
  if (IsNumeric(t)) return Kind::kNumber;
  return Kind::kNone;
}

// A bound written out as a literal, with what orders it: a number's value, a date's stored text.
struct Literal {
  double number = 0;
  std::string text;
};

std::optional<Literal> LiteralOf(const ast::Expr& e) {
  const ast::Expr* x = &e;
  double sign = 1;
  while (x->kind == ExprKind::kParen || (x->kind == ExprKind::kUnary && (x->op == Op::kNeg || x->op == Op::kPlus))) {
    if (x->op == Op::kNeg) sign = -sign;
    x = x->args[0].get();
  }
  Literal l;
  switch (x->kind) {
    case ExprKind::kNumber: {
      char* end = nullptr;
      l.number = sign * std::strtod(x->text.c_str(), &end);
      if (*end != '\0' || !std::isfinite(l.number)) return std::nullopt;
      return l;
    }
    case ExprKind::kBool: l.number = sign * (x->truth ? -1 : 0); return l;
    case ExprKind::kDate:
      if (sign < 0) return std::nullopt;  // -#1/1/2026# is a number, no longer a date
      l.text = x->text;
      return l;
    default: return std::nullopt;
  }
}

bool Greater(Kind kind, const Literal& a, const Literal& b) {
  return kind == Kind::kNumber ? a.number > b.number : a.text > b.text;
}

// Written twice by min() and max(): only small bounds that read no row and hold no subquery.
bool Repeatable(const ast::Expr& e) {
  if (e.kind == ExprKind::kColumn || e.kind == ExprKind::kSubquery || e.kind == ExprKind::kExists || e.select)
    return false;
  if (e.height > 4) return false;
  for (const ast::ExprPtr& a : e.args)
    if (!Repeatable(*a)) return false;
  return true;
}

}  // namespace

bool Writer::Between(const ast::Expr& e, std::string& out) {
  const ast::Expr& operand = *e.args[0];
  const ast::Expr* low = e.args[1].get();
  const ast::Expr* high = e.args[2].get();
  const Kind kind = KindOf(low->type);
  if (kind == Kind::kNone || KindOf(high->type) != kind) return false;
  const auto l = LiteralOf(*low), h = LiteralOf(*high);
  const bool literals = l && h;
  if (!literals && (!Repeatable(*low) || !Repeatable(*high))) return false;
  if (literals && Greater(kind, *l, *h)) std::swap(low, high);

  // A date beside numbers is compared as its serial number, as the comparisons do.
  const Kind operand_kind = KindOf(operand.type);
  const bool operand_serial = operand_kind == Kind::kDate && kind == Kind::kNumber;
  const bool bounds_serial = operand_kind == Kind::kNumber && kind == Kind::kDate;
  const auto bound = [&](const ast::Expr& b) {
    if (bounds_serial) out += "jet_serial(";
    Expr(b, out);
    if (bounds_serial) out += ')';
  };
  const auto ordered = [&](bool lower) {
    if (literals) return bound(lower ? *low : *high);
    out += lower ? "min(" : "max(";
    bound(*low);
    out += ", ";
    bound(*high);
    out += ')';
  };

  out += e.condition ? "(" : "(-((";
  if (operand_serial) out += "jet_serial(";
  Expr(operand, out);
  if (operand_serial) out += ')';
  out += e.negated ? " NOT BETWEEN " : " BETWEEN ";
  ordered(true);
  out += " AND ";
  ordered(false);
  out += e.condition ? ")" : ")))";
  return true;
}

}  // namespace ornetta::jet
